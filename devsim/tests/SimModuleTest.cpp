// Module text formats and records: module.txt, UUID, MAC and version forms, factory records.
#include <gtest/gtest.h>

#include <cstring>

#include "devsim/SimBytes.h"
#include "devsim/SimModule.h"

namespace nerasim {
namespace {

TEST(SimModule, ConfigRoundTripKeepsEverySetting) {
    CModuleConfig config;
    config.m_product = "Nera5120-S";
    config.m_hwCode = 0x40020005;
    config.m_failOpen = 1;
    config.m_failEcho = 2;
    config.m_failAreaWrite = kFaultAlways;
    config.m_failHwVersion = 4;
    config.m_failProductInfo = 5;
    config.m_hasBadByte = true;
    config.m_badByteAddress = 0x8100;
    config.m_failAreaRead = 6;
    config.m_hasFailReadAddress = true;
    config.m_failReadAddress = 0x8080;
    config.m_delayMs = 250;
    CModuleConfig read;
    std::string error;
    ASSERT_TRUE(read.Parse(config.Format(), error)) << error;
    EXPECT_EQ(read.Format(), config.Format());
    EXPECT_NE(config.Format().find("fail_area_write = always\n"), std::string::npos);
    EXPECT_NE(config.Format().find("bad_byte = 0x00008100\n"), std::string::npos);
    EXPECT_NE(config.Format().find("fail_read_addr = 0x00008080\n"), std::string::npos);
}

TEST(SimModule, ConfigParseAcceptsCommentsSpacesAndCarriageReturns) {
    CModuleConfig config;
    std::string error;
    ASSERT_TRUE(config.Parse("# c\r\n\r\n  hw_code=0x80010001 \r\nfail_echo =3\nbad_byte = none\n", error))
        << error;
    EXPECT_EQ(config.m_hwCode, 0x80010001u);
    EXPECT_EQ(config.m_failEcho, 3u);
    EXPECT_FALSE(config.m_hasBadByte);
    EXPECT_EQ(config.m_product, "Nera5120"); // absent keys keep their defaults
}

TEST(SimModule, ConfigParseRejectsBadLines) {
    const char* const kBad[] = {
        "colour = red\n",
        "hw_code = 0x1FFFFFFFF\n",
        "hw_code = twelve\n",
        "fail_echo = -1\n",
        "fail_echo = 4294967295\n",
        "bad_byte = 0x80000\n",
        "fail_read_addr = 0x80000\n",
        "delay_ms = 600001\n",
        "product = \n",
        "just words\n",
        "product = a\x01z\n",
    };
    for (const char* text : kBad) {
        CModuleConfig config;
        std::string error;
        EXPECT_FALSE(config.Parse(text, error)) << text;
        EXPECT_NE(error.find("line 1"), std::string::npos) << text;
    }
}

TEST(SimModule, FaultCountersCountDownOrStay) {
    uint32_t twice = 2;
    EXPECT_TRUE(TakeFault(twice));
    EXPECT_TRUE(TakeFault(twice));
    EXPECT_FALSE(TakeFault(twice));
    EXPECT_EQ(twice, 0u);
    uint32_t always = kFaultAlways;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(TakeFault(always));
    EXPECT_EQ(always, kFaultAlways);
}

TEST(SimModule, UuidBinaryFormKnownAnswers) {
    struct SCase {
        const char* text;
        const char* hex;
    };
    const SCase kCases[] = {
        {"a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38", "6B9ED2A4170F3A4C8E5B72C6D1F09A38"},
        {"{00112233-4455-6677-8899-AABBCCDDEEFF}", "33221100554477668899AABBCCDDEEFF"},
    };
    for (const SCase& c : kCases) {
        uint8_t uuid[16];
        ASSERT_TRUE(ParseUuid(c.text, uuid)) << c.text;
        EXPECT_EQ(HexFromBytes(uuid, 16), c.hex);
    }
    uint8_t uuid[16];
    ASSERT_TRUE(ParseUuid(kCases[0].text, uuid));
    EXPECT_EQ(FormatUuid(uuid), kCases[0].text);
    for (const char* bad :
         {"a4d29e6b0f174c3a8e5b72c6d1f09a38", "a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a3",
          "a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a3g", "a4d29e6b-0f17-4c3a-8e5b 72c6d1f09a38", ""})
        EXPECT_FALSE(ParseUuid(bad, uuid)) << bad;
}

TEST(SimModule, MacAndVersionTexts) {
    uint8_t mac[6];
    for (const char* text : {"02:4E:45:52:41:01", "024e45524101", "02-4E-45-52-41-01"}) {
        ASSERT_TRUE(ParseMac(text, mac)) << text;
        EXPECT_EQ(FormatMac(mac), "02:4E:45:52:41:01");
    }
    for (const char* bad : {"02:4E:45:52:41", "02:4E:45:52:41:01:02", "0:24E:45:52:41:01", "zz4E45524101"})
        EXPECT_FALSE(ParseMac(bad, mac)) << bad;

    uint8_t version[3];
    ASSERT_TRUE(ParseFirmwareVersion("5.7.1", version));
    EXPECT_EQ(HexFromBytes(version, 3), "050701");
    ASSERT_TRUE(ParseFirmwareVersion("255.0.10", version));
    for (const char* bad : {"5.7", "5.7.1.0", "256.0.0", "5..1", "5.7.x", "+5.7.1"})
        EXPECT_FALSE(ParseFirmwareVersion(bad, version)) << bad;
}

TEST(SimModule, VersionRecordLayout) {
    const uint8_t version[3] = {5, 7, 1};
    uint8_t record[kVersionRecordSize];
    MakeVersionRecord(0x40010203, version, record);
    EXPECT_EQ(HexFromBytes(record, 12), "000000004001020300050701");
    EXPECT_EQ(FormatVersionRecord(record), "5.7.1");
    record[2] = 0x01; // first word no longer zero: no version
    EXPECT_EQ(FormatVersionRecord(record), "");
}

TEST(SimModule, FactorySettingsRecordKnownAnswer) {
    const uint8_t mac[6] = {0x02, 0x4E, 0x45, 0x52, 0x41, 0x01};
    uint8_t area[kAreaSize];
    MakeFactorySettings(mac, area);
    const std::string hex = HexFromBytes(area, kAreaSize);
    EXPECT_EQ(hex.substr(0, 2 * 22), "0000"
                                     "024E45524101"
                                     "00000000"
                                     "FFFFFFFF"
                                     "FFFFFFFF"
                                     "C000");
    EXPECT_EQ(hex.substr(2 * 22, 64), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    EXPECT_EQ(hex.substr(2 * 54, 2 * 38), std::string(76, 'F')); // DNS, reserved, NTP server
    EXPECT_EQ(hex.substr(2 * 92, 4), "0000");                    // flags
    EXPECT_EQ(hex.substr(2 * 94, 64), std::string(64, 'F'));     // server not set
    EXPECT_EQ(hex.substr(2 * 126), "C400");
    EXPECT_EQ(SettingsMacText(area), "02:4E:45:52:41:01");
    EXPECT_EQ(SettingsPasswordState(area), EPasswordState::kNone);
}

TEST(SimModule, PasswordStateOfSettingsRecords) {
    const uint8_t mac[6] = {};
    uint8_t area[kAreaSize];
    MakeFactorySettings(mac, area);
    area[22] ^= 0x01; // a digest that is not the empty password's
    EXPECT_EQ(SettingsPasswordState(area), EPasswordState::kSet);
    std::memset(area + 22, 0xFF, 32);
    EXPECT_EQ(SettingsPasswordState(area), EPasswordState::kNone);
    std::memset(area, 0xFF, kAreaSize); // erased area
    EXPECT_EQ(SettingsPasswordState(area), EPasswordState::kNotInitialised);
    EXPECT_EQ(SettingsMacText(area), "");
}

TEST(SimModule, ModuleNames) {
    for (const char* good : {"module1", "A", "x.y_z-0", "abcdefghijklmnopqrstuvwxyz012345"})
        EXPECT_TRUE(IsValidModuleName(good)) << good;
    for (const char* bad :
         {"", ".hidden", "..", "a/b", "a\\b", "a b", "abcdefghijklmnopqrstuvwxyz0123456", "c:"})
        EXPECT_FALSE(IsValidModuleName(bad)) << bad;
}

TEST(SimBytes, HexNumbersAndChecksum) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(BytesFromHexText("00 ff:10-Ab", bytes));
    EXPECT_EQ(HexFromBytes(bytes.data(), bytes.size()), "00FF10AB");
    EXPECT_FALSE(BytesFromHexText("0 0", bytes));
    EXPECT_FALSE(BytesFromHexText("abc", bytes));
    uint32_t value = 0;
    EXPECT_TRUE(ParseU32("0xFFFFFFFF", value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_TRUE(ParseU32("4294967295", value));
    EXPECT_FALSE(ParseU32("4294967296", value));
    EXPECT_FALSE(ParseU32("0x", value));
    EXPECT_FALSE(ParseU32("12a", value));
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(check, sizeof check), 0xCBF43926u); // the standard check value
}

} // namespace
} // namespace nerasim
