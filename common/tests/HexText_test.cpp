#include "common/HexText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
const uint8_t kBytes[] = {0x00, 0x9F, 0xA0, 0x5C, 0xFF};

struct SDigitCase {
    wchar_t c;
    int value;
};

const SDigitCase kDigitCases[] = {
    {L'0', 0},       {L'9', 9},       {L'a', 10},      {L'f', 15},      {L'A', 10}, {L'F', 15},
    {L'g', -1},      {L'G', -1},      {L'/', -1},      {L':', -1},      {L'@', -1}, {L'`', -1},
    {L' ', -1},      {L'\0', -1},     {L'\xFF10', -1}, {L'\xFF21', -1}, // full-width 0 and A
    {L'\x0130', -1}, {L'\x0141', -1},                                   // low byte '0' and 'A'
};

struct SExactCase {
    const char* text;
    size_t size;
    bool ok;
    uint8_t bytes[3];
};

const SExactCase kExactCases[] = {
    {"", 0, true, {}},         {"00ff7A", 3, true, {0x00, 0xFF, 0x7A}},
    {"00FF7", 3, false, {}},   // one digit short
    {"00FF7A0", 3, false, {}}, // one digit over
    {"00 FF7A", 3, false, {}}, // no separators
    {"00FG7A", 3, false, {}},  // not a digit, after the first byte would have been written
    {"0xFF7A", 3, false, {}},  // no prefix
    {"-1FF7A", 3, false, {}},
};

struct STextCase {
    const char* text;
    bool ok;
    std::vector<uint8_t> bytes;
};

const STextCase kTextCases[] = {
    {"", true, {}},
    {"00 ff:10-Ab", true, {0x00, 0xFF, 0x10, 0xAB}},
    {"\t0102\r\n03 ", true, {0x01, 0x02, 0x03}},
    {"0 0", false, {}}, // a separator inside a pair
    {"abc", false, {}}, // odd count
    {"0g", false, {}},
    {"01,02", false, {}},
};
} // namespace

TEST(HexText, DigitValuesAreAsciiOnly) {
    for (const SDigitCase& c : kDigitCases) {
        EXPECT_EQ(HexDigitValue(c.c), c.value) << static_cast<unsigned>(c.c);
        if (static_cast<unsigned>(c.c) < 0x80) {
            EXPECT_EQ(HexDigitValue(static_cast<char>(c.c)), c.value) << static_cast<unsigned>(c.c);
        }
    }
    EXPECT_EQ(HexDigitValue(static_cast<char>(0xB0)), -1); // a byte above ASCII, signed char or not
}

TEST(HexText, BytesAreWrittenWithOptionalSeparatorAndCase) {
    EXPECT_EQ(HexFromBytes(kBytes, sizeof kBytes), "009FA05CFF");
    EXPECT_EQ(HexFromBytes(kBytes, sizeof kBytes, ':'), "00:9F:A0:5C:FF");
    EXPECT_EQ(HexFromBytes(kBytes, 1, ':'), "00");
    EXPECT_EQ(HexFromBytes(kBytes, 0, ':'), "");
    EXPECT_EQ(WideHexFromBytes(kBytes, sizeof kBytes), L"009FA05CFF");
    EXPECT_EQ(WideHexFromBytes(kBytes, sizeof kBytes, L' '), L"00 9F A0 5C FF");
    EXPECT_EQ(HexFromBytes(kBytes, sizeof kBytes, '\0', EHexCase::kLower), "009fa05cff");
    EXPECT_EQ(WideHexFromBytes(kBytes, sizeof kBytes, L'-', EHexCase::kLower), L"00-9f-a0-5c-ff");
}

TEST(HexText, NumbersKeepTheirLastDigits) {
    EXPECT_EQ(HexFromNumber(0x80010001u, 8), "80010001");
    EXPECT_EQ(HexFromNumber(0xABu, 4), "00AB");
    EXPECT_EQ(HexFromNumber(0x12345u, 4), "2345");
    EXPECT_EQ(HexFromNumber(0xABCDu, 4, EHexCase::kLower), "abcd");
    EXPECT_EQ(HexFromNumber(0xFFFFFFFFu, 12), "FFFFFFFF");
    EXPECT_EQ(HexFromNumber(7u, 0), "");
    EXPECT_EQ(WideHexFromNumber(0x0411u, 4, EHexCase::kLower), L"0411");
    EXPECT_EQ(WideHexFromNumber(0x04B0u, 4, EHexCase::kLower), L"04b0");
    EXPECT_EQ(WideHexFromNumber(0xDEADBEEFu, 8), L"DEADBEEF");
}

TEST(HexText, ExactTextFillsBytesOrLeavesThem) {
    for (const SExactCase& c : kExactCases) {
        for (int wide = 0; wide < 2; ++wide) {
            uint8_t bytes[3] = {0x11, 0x22, 0x33};
            const std::string narrow = c.text;
            const bool ok = wide != 0
                                ? BytesFromHex(std::wstring(narrow.begin(), narrow.end()), bytes, c.size)
                                : BytesFromHex(narrow, bytes, c.size);
            EXPECT_EQ(ok, c.ok) << c.text;
            const uint8_t untouched[3] = {0x11, 0x22, 0x33};
            EXPECT_EQ(std::memcmp(bytes, c.ok ? c.bytes : untouched, c.size), 0) << c.text;
        }
    }
}

TEST(HexText, GroupedTextAllowsSeparatorsBetweenPairs) {
    for (const STextCase& c : kTextCases) {
        std::vector<uint8_t> bytes = {0x55};
        EXPECT_EQ(BytesFromHexText(c.text, bytes), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(bytes, c.bytes) << c.text;
        }
    }
}
