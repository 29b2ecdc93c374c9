#include "settings/NeraSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/tests/CoreTestHex.h"

namespace {

std::string RecordHex(const NeraSettings& s) {
    return BytesToHex(s.bytes, kNeraSettingsSize);
}

NeraSettings FilledRecord(uint8_t value) {
    NeraSettings s;
    std::memset(s.bytes, value, sizeof(s.bytes));
    return s;
}

NeraSettings RecordFromHex(const std::string& hex) {
    const std::vector<uint8_t> bytes = HexToBytes(hex);
    NeraSettings s = FilledRecord(0);
    EXPECT_EQ(bytes.size(), kNeraSettingsSize);
    std::memcpy(s.bytes, bytes.data(), std::min(bytes.size(), kNeraSettingsSize));
    return s;
}

// The default record with server port 50176, field by field.
const char kDefaultRecordHex[] = "0000"                             // format
                                 "000000000000"                     // mac
                                 "00000000"                         // ipAddress (DHCP)
                                 "FFFFFFFF"                         // gateway
                                 "FFFFFFFF"                         // subnetMask
                                 "C000"                             // port 49152
                                 "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF" // passwordDigest
                                 "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
                                 "FFFFFFFF"                         // dnsServer
                                 "FFFF"                             // reserved
                                 "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF" // ntpServer
                                 "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
                                 "0000"                             // flags
                                 "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF" // server
                                 "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
                                 "C400"; // serverPort 50176

// A valid record with every field set, used as the template that single cases change.
const char kTemplateRecordHex[] = "0000"                             // format
                                  "0011223344A5"                     // mac
                                  "C0A8010A"                         // ipAddress 192.168.1.10
                                  "C0A80101"                         // gateway
                                  "FFFFFF00"                         // subnetMask
                                  "C001"                             // port
                                  "000102030405060708090A0B0C0D0E0F" // passwordDigest
                                  "101112131415161718191A1B1C1D1E1F"
                                  "08080808"                         // dnsServer
                                  "1234"                             // reserved
                                  "74696D65736572766572000000000000" // ntpServer "timeserver"
                                  "00000000000000000000000000000000"
                                  "0004"                             // flags: client mode
                                  "0000C0A8010B00000000000000000000" // server 192.168.1.11
                                  "00000000000000000000000000000000"
                                  "1F90"; // serverPort 8080

struct U16Field {
    const char* name;
    size_t offset;
    uint16_t (NeraSettings::*get)() const;
    void (NeraSettings::*set)(uint16_t);
};

const U16Field kU16Fields[] = {
    {"format", 0, &NeraSettings::Format, &NeraSettings::SetFormat},
    {"port", 20, &NeraSettings::Port, &NeraSettings::SetPort},
    {"flags", 92, &NeraSettings::Flags, &NeraSettings::SetFlags},
    {"serverPort", 126, &NeraSettings::ServerPort, &NeraSettings::SetServerPort},
};

struct U32Field {
    const char* name;
    size_t offset;
    uint32_t (NeraSettings::*get)() const;
    void (NeraSettings::*set)(uint32_t);
};

const U32Field kU32Fields[] = {
    {"ipAddress", 8, &NeraSettings::IpAddress, &NeraSettings::SetIpAddress},
    {"gateway", 12, &NeraSettings::Gateway, &NeraSettings::SetGateway},
    {"subnetMask", 16, &NeraSettings::SubnetMask, &NeraSettings::SetSubnetMask},
    {"dnsServer", 54, &NeraSettings::DnsServer, &NeraSettings::SetDnsServer},
};

struct ByteField {
    const char* name;
    size_t offset;
    uint8_t* (NeraSettings::*get)();
};

const ByteField kByteFields[] = {
    {"mac", 2, &NeraSettings::Mac},
    {"passwordDigest", 22, &NeraSettings::PasswordDigest},
    {"reserved", 58, &NeraSettings::Reserved},
    {"ntpServer", 60, &NeraSettings::NtpServer},
    {"server", 94, &NeraSettings::Server},
};

} // namespace

TEST(NeraSettingsLayout, SixteenBitFieldsAreBigEndianAtTheirOffsets) {
    for (const U16Field& f : kU16Fields) {
        NeraSettings s = FilledRecord(0);
        (s.*f.set)(0x12AB);
        NeraSettings expected = FilledRecord(0);
        expected.bytes[f.offset] = 0x12;
        expected.bytes[f.offset + 1] = 0xAB;
        EXPECT_EQ(RecordHex(s), RecordHex(expected)) << f.name;

        NeraSettings read = FilledRecord(0x77);
        read.bytes[f.offset] = 0xC4;
        read.bytes[f.offset + 1] = 0x01;
        EXPECT_EQ((read.*f.get)(), 0xC401) << f.name;
    }
}

TEST(NeraSettingsLayout, AddressFieldsStoreTheFirstOctetFirst) {
    for (const U32Field& f : kU32Fields) {
        NeraSettings s = FilledRecord(0);
        (s.*f.set)(0xC0A80001); // 192.168.0.1
        NeraSettings expected = FilledRecord(0);
        expected.bytes[f.offset] = 0xC0;
        expected.bytes[f.offset + 1] = 0xA8;
        expected.bytes[f.offset + 2] = 0x00;
        expected.bytes[f.offset + 3] = 0x01;
        EXPECT_EQ(RecordHex(s), RecordHex(expected)) << f.name;

        NeraSettings read = FilledRecord(0x77);
        std::memcpy(read.bytes + f.offset, "\x0A\x01\x02\xFE", 4);
        EXPECT_EQ((read.*f.get)(), 0x0A0102FEu) << f.name;
    }
}

TEST(NeraSettingsLayout, ByteFieldsPointIntoTheRecord) {
    for (const ByteField& f : kByteFields) {
        NeraSettings s = FilledRecord(0);
        EXPECT_EQ((s.*f.get)(), s.bytes + f.offset) << f.name;
    }
}

TEST(NeraSettingsLayout, TemplateReadsBackThroughTheAccessors) {
    const NeraSettings s = RecordFromHex(kTemplateRecordHex);
    EXPECT_EQ(s.Format(), 0);
    EXPECT_EQ(BytesToHex(s.Mac(), kMacSize), "0011223344A5");
    EXPECT_EQ(s.IpAddress(), 0xC0A8010Au);
    EXPECT_EQ(s.Gateway(), 0xC0A80101u);
    EXPECT_EQ(s.SubnetMask(), 0xFFFFFF00u);
    EXPECT_EQ(s.Port(), 49153);
    EXPECT_EQ(s.PasswordDigest()[0], 0x00);
    EXPECT_EQ(s.PasswordDigest()[31], 0x1F);
    EXPECT_EQ(s.DnsServer(), 0x08080808u);
    EXPECT_EQ(BytesToHex(s.Reserved(), kReservedSize), "1234");
    EXPECT_EQ(s.Flags(), kClientModeFlag);
    EXPECT_TRUE(s.IsClientMode());
    EXPECT_EQ(s.ServerPort(), 8080);
}

TEST(NeraSettingsDefaults, DefaultRecord) {
    struct Case {
        uint8_t previousFill;
        uint16_t serverPort;
        const char* serverPortHex;
    };
    const Case cases[] = {
        {0x00, 50176, "C400"}, {0x5A, 50176, "C400"}, {0xFF, 12345, "3039"}, {0x00, 1, "0001"}};
    for (const Case& c : cases) {
        NeraSettings s = FilledRecord(c.previousFill);
        MakeDefaultSettings(s, c.serverPort);
        std::string expected = NormalHex(kDefaultRecordHex);
        expected.replace(expected.size() - 4, 4, c.serverPortHex);
        EXPECT_EQ(RecordHex(s), expected) << "server port " << c.serverPort;
        EXPECT_FALSE(IsValidMac(s.Mac()));
        EXPECT_FALSE(IsPasswordDigestSet(s.PasswordDigest()));
        EXPECT_FALSE(s.IsClientMode());
    }
}

TEST(NeraSettingsNormalize, Cases) {
    enum Outcome { kUnchanged, kDefaults, kFlagsCleared };
    struct Case {
        const char* name;
        size_t offset;
        std::vector<uint8_t> bytes;
        Outcome outcome;
    };
    const Case cases[] = {
        {"valid template", 0, {}, kUnchanged},
        {"erased format", 0, {0xFF, 0xFF}, kDefaults},
        {"format 0x0001", 0, {0x00, 0x01}, kDefaults},
        {"format 0x0100", 0, {0x01, 0x00}, kDefaults},
        {"erased flags", kFlagsOffset, {0xFF, 0xFF}, kFlagsCleared},
        {"flags 0xFFFB kept", kFlagsOffset, {0xFF, 0xFB}, kUnchanged},
        {"flags 0 kept", kFlagsOffset, {0x00, 0x00}, kUnchanged},
        {"erased reserved kept", kReservedOffset, {0xFF, 0xFF}, kUnchanged},
        {"erased MAC kept", kMacOffset, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, kUnchanged},
        {"erased server port kept", kServerPortOffset, {0xFF, 0xFF}, kUnchanged},
    };
    const uint16_t serverPort = 40000;
    for (const Case& c : cases) {
        NeraSettings input = RecordFromHex(kTemplateRecordHex);
        if (!c.bytes.empty()) {
            std::memcpy(input.bytes + c.offset, c.bytes.data(), c.bytes.size());
        }

        NeraSettings expected = input;
        if (c.outcome == kDefaults) {
            MakeDefaultSettings(expected, serverPort);
            EXPECT_EQ(expected.ServerPort(), serverPort);
        } else if (c.outcome == kFlagsCleared) {
            expected.SetFlags(0);
        }

        NeraSettings s = input;
        NormalizeDeviceSettings(s, serverPort);
        EXPECT_EQ(RecordHex(s), RecordHex(expected)) << c.name;
    }
}

TEST(NeraSettingsPredicates, IsValidMac) {
    struct Case {
        const char* mac;
        bool valid;
    };
    const Case cases[] = {
        {"000000000000", false}, {"FFFFFFFFFFFF", false}, {"000000000001", true}, {"FFFFFFFFFFFE", true},
        {"0011223344A5", true},  {"00FF00FF00FF", true},  {"FF0000000000", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidMac(HexToBytes(c.mac).data()), c.valid) << c.mac;
    }
}

TEST(NeraSettingsPredicates, PasswordDigestSetUnlessAllFF) {
    uint8_t digest[kPasswordDigestSize];
    std::memset(digest, 0xFF, sizeof(digest));
    EXPECT_FALSE(IsPasswordDigestSet(digest));
    for (size_t i = 0; i < kPasswordDigestSize; ++i) {
        std::memset(digest, 0xFF, sizeof(digest));
        digest[i] = 0xFE;
        EXPECT_TRUE(IsPasswordDigestSet(digest)) << "byte " << i;
    }
    EXPECT_TRUE(IsPasswordDigestSet(NoPasswordDigest));
}

TEST(NeraSettingsPredicates, PasswordEnabledUnlessNoPasswordDigest) {
    EXPECT_FALSE(IsPasswordEnabled(NoPasswordDigest));
    for (size_t i = 0; i < kPasswordDigestSize; ++i) {
        uint8_t digest[kPasswordDigestSize];
        std::memcpy(digest, NoPasswordDigest, sizeof(digest));
        digest[i] ^= 0x01;
        EXPECT_TRUE(IsPasswordEnabled(digest)) << "byte " << i;
    }
    uint8_t allFF[kPasswordDigestSize];
    std::memset(allFF, 0xFF, sizeof(allFF));
    EXPECT_TRUE(IsPasswordEnabled(allFF));
    const Sha256Digest typed = ComputePasswordDigest(L"secret");
    EXPECT_TRUE(IsPasswordEnabled(typed.data()));
}

TEST(NeraSettingsPassword, NoPasswordDigestIsTheDigestOfNothing) {
    const Sha256Digest empty = Sha256("", 0);
    EXPECT_EQ(BytesToHex(NoPasswordDigest, kPasswordDigestSize), BytesToHex(empty.data(), empty.size()));
}

TEST(NeraSettingsPassword, DigestOfTheAnsiBytes) {
    struct Case {
        const wchar_t* password;
        const char* digest;
    };
    const Case cases[] = {
        {L"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {L"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    };
    for (const Case& c : cases) {
        const Sha256Digest d = ComputePasswordDigest(c.password);
        EXPECT_EQ(BytesToHex(d.data(), d.size()), NormalHex(c.digest));
    }
}

TEST(NeraSettingsHostField, Encode) {
    struct Case {
        const wchar_t* text;
        const char* field; // what the 32 bytes hold afterwards, starting from 32 x 0x5A
    };
    const Case cases[] = {
        {L"", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"},
        // Addresses leave bytes 6-31 as they were.
        {L"192.168.1.10", "0000C0A8010A5A5A5A5A5A5A5A5A5A5A 5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A"},
        {L"0.0.0.0", "0000000000005A5A5A5A5A5A5A5A5A5A 5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A"},
        {L"1.2", "000001000002 5A5A5A5A5A5A5A5A5A5A 5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A"},
        {L"0x7f.1", "00007F000001 5A5A5A5A5A5A5A5A5A5A 5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A"},
        {L"010.0.0.1", "000008000001 5A5A5A5A5A5A5A5A5A5A 5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A"},
        // Names, zero-padded.
        {L"timeserver", "74696D6573657276657200000000000000000000000000000000000000000000"},
        {L"255.255.255.255", "3235352E3235352E3235352E32353500 00000000000000000000000000000000"},
        {L"256.1.1.1", "3235362E312E312E3100000000000000 00000000000000000000000000000000"},
        {L"1.2.3.4.5", "312E322E332E342E3500000000000000 00000000000000000000000000000000"},
        // 32 bytes: no terminating zero; longer names are cut at 32 bytes.
        {L"abcdefghijklmnopqrstuvwxyz012345",
         "6162636465666768696A6B6C6D6E6F70 7172737475767778797A303132333435"},
        {L"abcdefghijklmnopqrstuvwxyz0123456789",
         "6162636465666768696A6B6C6D6E6F70 7172737475767778797A303132333435"},
    };
    for (const Case& c : cases) {
        uint8_t field[kHostFieldSize];
        std::memset(field, 0x5A, sizeof(field));
        EXPECT_TRUE(EncodeHostField(c.text, field));
        std::wstring text = c.text;
        EXPECT_EQ(BytesToHex(field, sizeof(field)), NormalHex(c.field))
            << "text " << std::string(text.begin(), text.end());
    }
}

TEST(NeraSettingsHostField, EncodeIntoTheRecordTouchesOnlyThatField) {
    NeraSettings s = RecordFromHex(kTemplateRecordHex);
    NeraSettings expected = s;
    EXPECT_TRUE(EncodeHostField(L"ntp.example.jp", s.NtpServer()));
    std::memcpy(expected.bytes + kNtpServerOffset, "ntp.example.jp", 14);
    std::memset(expected.bytes + kNtpServerOffset + 14, 0, kHostFieldSize - 14);
    EXPECT_EQ(RecordHex(s), RecordHex(expected));
}

TEST(NeraSettingsHostField, Decode) {
    struct Case {
        const char* field;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", L""},
        // Not set: byte 0 is 0xFF whatever follows, or byte 0 is 0 and byte 1 is not.
        {"FF696D6573657276657200000000000000000000000000000000000000000000", L""},
        {"0001C0A8010A00000000000000000000 00000000000000000000000000000000", L""},
        {"00FF00000000FFFFFFFFFFFFFFFFFFFF FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", L""},
        // Addresses; bytes 6-31 do not matter.
        {"0000C0A8010A5A5A5A5A5A5A5A5A5A5A 5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A", L"192.168.1.10"},
        {"0000FFFFFFFFFFFFFFFFFFFFFFFFFFFF FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", L"255.255.255.255"},
        {"00000000000000000000000000000000 00000000000000000000000000000000", L"0.0.0.0"},
        // Names end at the first zero byte and never go beyond byte 31.
        {"74696D6573657276657200000000000000000000000000000000000000000000", L"timeserver"},
        {"74696D650073657276657200FFFFFFFF FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", L"time"},
        {"6162636465666768696A6B6C6D6E6F70 7172737475767778797A303132333435",
         L"abcdefghijklmnopqrstuvwxyz012345"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> field = HexToBytes(c.field);
        ASSERT_EQ(field.size(), kHostFieldSize);
        const std::wstring text = c.text;
        EXPECT_EQ(DecodeHostField(field.data()), text) << c.field;
    }
}

TEST(NeraSettingsHostField, NameFitsField) {
    EXPECT_TRUE(HostTextFitsField(L""));
    EXPECT_TRUE(HostTextFitsField(L"abcdefghijklmnopqrstuvwxyz012345"));
    EXPECT_FALSE(HostTextFitsField(L"abcdefghijklmnopqrstuvwxyz0123456"));
}
