#include "common/Utf8Text_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/Utf8Text.h"

namespace {
// What the system itself writes for a wide text.
std::string SystemUtf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr,
                            nullptr);
    }
    return out;
}

const char* const kValidTexts[] = {
    "",
    "C:\\Users\\nera\\store",
    "\xE3\x83\xA2\xE3\x82\xB8\xE3\x83\xA5\xE3\x83\xBC\xE3\x83\xAB", // katakana
    "a\xF0\x9F\x98\x80z",                                           // a pair in UTF-16
    "\xEF\xBB\xBFmark",                                             // a byte-order mark is a character
};
} // namespace

TEST(Utf8TextWin, SystemReadingAgreesWithTheStrictReaderOnValidText) {
    for (const char* text : kValidTexts) {
        std::wstring strict;
        ASSERT_TRUE(StrictWideFromUtf8(text, strict)) << text;
        EXPECT_EQ(WideFromUtf8(text), strict) << text;
        // The portable writer writes what the system writes, and gets the text back.
        EXPECT_EQ(Utf8FromWide(strict), SystemUtf8(strict)) << text;
        EXPECT_EQ(Utf8FromWide(WideFromUtf8(text)), text);
    }
}

TEST(Utf8TextWin, UnpairedSurrogatesAreWrittenAsTheSystemWritesThem) {
    const wchar_t high = static_cast<wchar_t>(0xD83D);
    const wchar_t low = static_cast<wchar_t>(0xDE00);
    const std::wstring kTexts[] = {std::wstring(1, high), std::wstring({L'a', low, L'b'}),
                                   std::wstring({low, high})};
    for (const std::wstring& text : kTexts) {
        EXPECT_EQ(Utf8FromWide(text), SystemUtf8(text)) << text.size();
    }
}

TEST(Utf8TextWin, InvalidBytesAreReplacedNotRefused) {
    const char* const kInvalid[] = {"a\xFF", "o\xC0\x80z", "x\xED\xA0\x80", "cut \xE3\x81"};
    for (const char* text : kInvalid) {
        const std::wstring wide = WideFromUtf8(text);
        EXPECT_EQ(wide[0], static_cast<wchar_t>(text[0])) << text; // what comes first is kept
        EXPECT_NE(wide.find(static_cast<wchar_t>(0xFFFD)), std::wstring::npos) << text;
        EXPECT_EQ(wide.find(L'\0'), std::wstring::npos) << text;
    }
}
