#include "settings/MacText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/tests/CoreTestHex.h"

namespace {

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return out;
}

} // namespace

TEST(MacText, Parse) {
    struct Case {
        const wchar_t* input;
        bool ok;
        const wchar_t* textAfter; // what the editor's text becomes
        const char* mac;          // the six bytes on success; unchanged on failure
    };
    const Case cases[] = {
        {L"", true, L"", "FFFFFFFFFFFF"},
        {L"001122334455", true, L"001122334455", "001122334455"},
        {L"a1b2c3d4e5f6", true, L"a1b2c3d4e5f6", "A1B2C3D4E5F6"},
        {L"FFFFFFFFFFFF", true, L"FFFFFFFFFFFF", "FFFFFFFFFFFF"},
        {L"000000000001", true, L"000000000001", "000000000001"},
        // Cut at the first character that is not a hexadecimal digit.
        {L"00-11-22-33-44-55", false, L"00", nullptr},
        {L"001122334455xyz", true, L"001122334455", "001122334455"},
        {L"00112233445G", false, L"00112233445", nullptr},
        {L" 001122334455", false, L"", nullptr},
        {L"\xFF10\xFF10\xFF11\xFF11\xFF12\xFF12\xFF13\xFF13\xFF14\xFF14\xFF15\xFF15", false, L"", nullptr},
        // Too few digits, or the all-zero MAC.
        {L"00112233445", false, L"00112233445", nullptr},
        {L"000000000000", false, L"000000000000", nullptr},
        // Only the first twelve digits count.
        {L"0011223344556677", true, L"0011223344556677", "001122334455"},
        {L"0000000000001", false, L"0000000000001", nullptr},
    };
    for (const Case& c : cases) {
        std::wstring text = c.input;
        uint8_t mac[kMacSize];
        std::memset(mac, 0x5A, sizeof(mac));
        EXPECT_EQ(ParseMacText(text, mac), c.ok) << Narrow(c.input);
        EXPECT_EQ(text, std::wstring(c.textAfter)) << Narrow(c.input);
        const std::string expected = c.mac != nullptr ? NormalHex(c.mac) : "5A5A5A5A5A5A";
        EXPECT_EQ(BytesToHex(mac, sizeof(mac)), expected) << Narrow(c.input);
    }
}

TEST(MacText, FormatRoundTrip) {
    struct Case {
        const char* mac;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"0011223344A5", L"0011223344A5"},
        {"0A1B2C3D4E5F", L"0A1B2C3D4E5F"},
        {"000000000001", L"000000000001"},
        {"FEDCBA987654", L"FEDCBA987654"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> mac = HexToBytes(c.mac);
        EXPECT_EQ(FormatMacText(mac.data()), std::wstring(c.text));
        std::wstring text = FormatMacText(mac.data());
        uint8_t parsed[kMacSize] = {};
        EXPECT_TRUE(ParseMacText(text, parsed));
        EXPECT_EQ(BytesToHex(parsed, sizeof(parsed)), NormalHex(c.mac));
    }
}

TEST(DigestHex, FormatIsUpperCaseAndRoundTrips) {
    uint8_t ascending[kPasswordDigestSize];
    for (size_t i = 0; i < sizeof(ascending); ++i) {
        ascending[i] = static_cast<uint8_t>(i * 8 + 7);
    }
    uint8_t allFF[kPasswordDigestSize];
    std::memset(allFF, 0xFF, sizeof(allFF));
    uint8_t allZero[kPasswordDigestSize] = {};
    const uint8_t* digests[] = {NoPasswordDigest, ascending, allFF, allZero};

    EXPECT_EQ(FormatDigestHex(NoPasswordDigest),
              std::wstring(L"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"));
    for (const uint8_t* digest : digests) {
        const std::wstring text = FormatDigestHex(digest);
        EXPECT_EQ(text.size(), 64u);
        uint8_t parsed[kPasswordDigestSize];
        std::memset(parsed, 0x5A, sizeof(parsed));
        ParseDigestHex(text, parsed);
        EXPECT_EQ(BytesToHex(parsed, sizeof(parsed)), BytesToHex(digest, kPasswordDigestSize));
    }
}

TEST(DigestHex, ParseOddTexts) {
    struct Case {
        const wchar_t* text;
        const char* digest;
    };
    const Case cases[] = {
        // Pairs beyond the end of the text give 0; a half pair at the end counts as one digit.
        {L"", "0000000000000000000000000000000000000000000000000000000000000000"},
        {L"AB", "AB00000000000000000000000000000000000000000000000000000000000000"},
        {L"abC", "AB0C000000000000000000000000000000000000000000000000000000000000"},
        // A pair counts up to its first character that is not a digit.
        {L"G11GZZ", "0001000000000000000000000000000000000000000000000000000000000000"},
        {L"1-", "0100000000000000000000000000000000000000000000000000000000000000"},
        // Text after the 64th digit is ignored.
        {L"0102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021",
         "0102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F20"},
    };
    for (const Case& c : cases) {
        uint8_t parsed[kPasswordDigestSize];
        std::memset(parsed, 0x5A, sizeof(parsed));
        ParseDigestHex(c.text, parsed);
        EXPECT_EQ(BytesToHex(parsed, sizeof(parsed)), NormalHex(c.digest)) << Narrow(c.text);
    }
}
