// Conversions through the process's ANSI code page (932 on the systems the program runs on),
// and what they mean for the record: built natively and for Windows, where it runs under Wine
// with the real system conversions.
#include "common/TextCodec.h"
#include "settings/NeraSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/tests/CoreTestHex.h"

namespace {

std::string AnsiHex(const std::string& bytes) {
    return BytesToHex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

struct CodecCase {
    const wchar_t* wide;
    const char* ansi;
};

const CodecCase kCodecCases[] = {
    {L"", ""},
    {L"abc", "616263"},
    {L"\u30D1\u30B9\u30EF\u30FC\u30C9", "8370 8358 838F 815B 8368"}, // katakana "password"
    {L"\u65E5\u672C", "93FA 967B"},                                  // two kanji
    {L"\uFF71\uFF72\uFF73", "B1 B2 B3"},                             // half-width katakana
    {L"\u30BD\u8868", "835C 955C"},                                  // trail bytes 0x5C
    {L"a\\~", "61 5C 7E"},
};

// Sixteen double-byte characters: 32 bytes in code page 932, two of them with trail byte 0x5C.
const wchar_t kName32[] = L"\u30BD\u30D5\u30C8\u8868\u793A\u7528\u6642\u523B"
                          L"\u30B5\u30FC\u30D0\u30FC\u6771\u4EAC\u4E00\u5C40";
const char kName32Hex[] = "835C8374 8367955C 8EA69770 8E9E8D8F 8354815B 836F815B 938C8B9E 88EA8BC7";

} // namespace

TEST(TextCodec, WideToAnsi) {
    for (const CodecCase& c : kCodecCases) {
        std::string ansi = "junk";
        EXPECT_TRUE(WideToAnsi(c.wide, ansi));
        EXPECT_EQ(AnsiHex(ansi), NormalHex(c.ansi));
    }
}

TEST(TextCodec, AnsiToWide) {
    for (const CodecCase& c : kCodecCases) {
        const std::vector<uint8_t> bytes = HexToBytes(c.ansi);
        std::wstring wide = L"junk";
        EXPECT_TRUE(AnsiToWide(std::string(bytes.begin(), bytes.end()), wide));
        EXPECT_EQ(wide, std::wstring(c.wide)) << c.ansi;
    }
}

TEST(TextCodec, InetAddrLikeTheSocketsLibrary) {
    struct Case {
        const char* text;
        const char* address; // network order, first octet first; nullptr for no address
    };
    const Case cases[] = {
        {"192.168.1.10", "C0A8010A"},
        {"0.0.0.0", "00000000"},
        {"1.2.3", "01020003"}, // the last part fills the remaining octets
        {"1.2", "01000002"},
        {"1", "00000001"},
        {"0x7f.1", "7F000001"},    // hexadecimal part
        {"010.0.0.1", "08000001"}, // octal part
        {"0xC0A8010A", "C0A8010A"},
        {"1.65536", "01010000"},
        {"1.2.3.4 x", "01020304"}, // parsing ends at white space
        {"1.2.3.4x", nullptr},
        {" 1.2.3.4", nullptr},
        {"08.0.0.1", nullptr}, // 8 is no octal digit
        {"1.", nullptr},
        {"255.255.255.255", nullptr}, // the same value as the failure
        {"256.0.0.1", nullptr},
        {"1.2.3.256", nullptr},
        {"1.2.3.4.5", nullptr},
        {"timeserver", nullptr},
        {"ntp.example.jp", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const uint32_t address = InetAddr(c.text);
        if (c.address == nullptr) {
            EXPECT_EQ(address, kInetAddrNone) << c.text;
        } else {
            uint8_t bytes[4];
            std::memcpy(bytes, &address, sizeof(bytes));
            EXPECT_EQ(BytesToHex(bytes, sizeof(bytes)), c.address) << c.text;
        }
    }
}

TEST(TextCodec, JapaneseNameFillsTheWholeHostField) {
    uint8_t field[kHostFieldSize];
    std::memset(field, 0x5A, sizeof(field));
    EXPECT_TRUE(HostTextFitsField(kName32));
    EXPECT_TRUE(EncodeHostField(kName32, field));
    EXPECT_EQ(BytesToHex(field, sizeof(field)), NormalHex(kName32Hex));
    EXPECT_EQ(DecodeHostField(field), std::wstring(kName32));
}

TEST(TextCodec, LongJapaneseNameIsCutAtThirtyTwoBytes) {
    const std::wstring longer = std::wstring(kName32) + L"\u4E8C";
    EXPECT_FALSE(HostTextFitsField(longer));
    uint8_t field[kHostFieldSize];
    std::memset(field, 0x5A, sizeof(field));
    EXPECT_TRUE(EncodeHostField(longer, field));
    EXPECT_EQ(BytesToHex(field, sizeof(field)), NormalHex(kName32Hex));
    EXPECT_EQ(DecodeHostField(field), std::wstring(kName32));
}

TEST(TextCodec, JapanesePasswordDigestIsOfTheAnsiBytes) {
    const std::wstring password = L"\u30D1\u30B9\u30EF\u30FC\u30C9";
    std::string ansi;
    ASSERT_TRUE(WideToAnsi(password, ansi));
    const Sha256Digest ofBytes = Sha256(ansi.data(), ansi.size());
    const Sha256Digest digest = ComputePasswordDigest(password);
    EXPECT_EQ(digest, ofBytes);
    EXPECT_EQ(BytesToHex(digest.data(), digest.size()),
              NormalHex("e0fc7d1daa0c9466f986a815450ef13a19c1c6bc7ce47e87c959e490e7060fe8"));
}
