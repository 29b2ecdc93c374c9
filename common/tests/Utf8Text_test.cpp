#include "common/Utf8Text.h"

#include <gtest/gtest.h>

// Runs natively (32-bit wchar_t) and under Wine (16-bit wchar_t, surrogate pairs).
namespace {
struct SDecodeCase {
    const char* name;
    std::string bytes;
    bool ok;
    uint32_t codePoint;
    size_t length;
};

const SDecodeCase kDecodeCases[] = {
    {"ASCII", "A", true, 0x41, 1},
    {"NUL", std::string(1, '\0'), true, 0, 1},
    {"two bytes", "\xC3\xA9", true, 0xE9, 2},
    {"smallest two", "\xC2\x80", true, 0x80, 2},
    {"three bytes", "\xE3\x81\x82", true, 0x3042, 3},
    {"before the surrogates", "\xED\x9F\xBF", true, 0xD7FF, 3},
    {"four bytes", "\xF0\x9F\x98\x80", true, 0x1F600, 4},
    {"largest", "\xF4\x8F\xBF\xBF", true, 0x10FFFF, 4},
    {"followed by more", "\xC3\xA9z", true, 0xE9, 2},
    {"lone continuation", "\x80", false, 0, 0},
    {"overlong two", "\xC0\x80", false, 0, 0},
    {"overlong two, C1", "\xC1\xBF", false, 0, 0},
    {"overlong three", "\xE0\x9F\xBF", false, 0, 0},
    {"overlong four", "\xF0\x8F\xBF\xBF", false, 0, 0},
    {"surrogate", "\xED\xA0\x80", false, 0, 0},
    {"above U+10FFFF", "\xF4\x90\x80\x80", false, 0, 0},
    {"lead F5", "\xF5\x80\x80\x80", false, 0, 0},
    {"lead FF", "\xFF", false, 0, 0},
    {"cut short", "\xE3\x81", false, 0, 0},
    {"bad continuation", "\xC3\x41", false, 0, 0},
};

std::wstring Wide(std::initializer_list<uint32_t> codePoints) {
    std::wstring text;
    for (uint32_t c : codePoints) {
        AppendCodePoint(text, c);
    }
    return text;
}
} // namespace

TEST(Utf8Text, DecodesOneSequenceStrictly) {
    for (const SDecodeCase& c : kDecodeCases) {
        uint32_t codePoint = 0xDEAD;
        size_t length = 99;
        EXPECT_EQ(DecodeUtf8Char(c.bytes, 0, codePoint, length), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(codePoint, c.codePoint) << c.name;
            EXPECT_EQ(length, c.length) << c.name;
        }
        // The same sequence further into a text, and the text's end.
        EXPECT_EQ(DecodeUtf8Char("ab" + c.bytes, 2, codePoint, length), c.ok) << c.name;
        EXPECT_FALSE(DecodeUtf8Char(c.bytes, c.bytes.size(), codePoint, length)) << c.name;
    }
}

TEST(Utf8Text, CodePointsAboveTheBasicPlaneFollowTheWidthOfWchar) {
    std::wstring text;
    AppendCodePoint(text, 0x1F600);
    if (sizeof(wchar_t) == 2) {
        EXPECT_EQ(text, std::wstring({static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}));
    } else {
        EXPECT_EQ(text, std::wstring(1, static_cast<wchar_t>(0x1F600)));
    }
    text.clear();
    AppendCodePoint(text, 0xFFFF);
    EXPECT_EQ(text, std::wstring(1, static_cast<wchar_t>(0xFFFF)));
}

TEST(Utf8Text, WholeTextsRoundTripOrAreRefused) {
    struct SCase {
        std::string bytes;
        bool ok;
        std::wstring wide;
    };
    const SCase cases[] = {
        {"", true, L""},
        {"5.7.1", true, L"5.7.1"},
        {"\xE7\x89\x88\xEF\xBC\x95", true, Wide({0x7248, 0xFF15})},
        {"a\xF0\x9F\x98\x80z", true, Wide({'a', 0x1F600, 'z'})},
        {"ok\xC0\x80", false, L""},
        {"\xED\xB2\x80", false, L""},
        {"trailing \xE3", false, L""},
    };
    for (const SCase& c : cases) {
        std::wstring wide = L"left over";
        EXPECT_EQ(StrictWideFromUtf8(c.bytes, wide), c.ok) << c.bytes;
        EXPECT_EQ(wide, c.wide) << c.bytes;
        if (c.ok) {
            EXPECT_EQ(Utf8FromWide(wide), c.bytes);
        }
    }
}

TEST(Utf8Text, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::string kReplacement = "\xEF\xBF\xBD";
    const wchar_t high = static_cast<wchar_t>(0xD83D);
    const wchar_t low = static_cast<wchar_t>(0xDE00);
    EXPECT_EQ(Utf8FromWide(std::wstring(1, high)), kReplacement);
    EXPECT_EQ(Utf8FromWide(std::wstring(1, low)), kReplacement);
    EXPECT_EQ(Utf8FromWide(std::wstring({L'a', high, L'b'})), "a" + kReplacement + "b");
    EXPECT_EQ(Utf8FromWide(std::wstring({low, high})), kReplacement + kReplacement);
    if (sizeof(wchar_t) == 2) {
        EXPECT_EQ(Utf8FromWide(std::wstring({high, low})), "\xF0\x9F\x98\x80");
    } else {
        // A pair means nothing in UTF-32; a value beyond Unicode is replaced as well.
        EXPECT_EQ(Utf8FromWide(std::wstring({high, low})), kReplacement + kReplacement);
        EXPECT_EQ(Utf8FromWide(std::wstring(1, static_cast<wchar_t>(0x110000))), kReplacement);
    }
}
