#include "common/CommandLine.h"

#include <gtest/gtest.h>

namespace {
struct OptionCase {
    const wchar_t* cmdLine;
    const wchar_t* option;
    bool found;
    const wchar_t* value;
};

const OptionCase kOptionCases[] = {
    {L"", L"-TITLE:", false, L""},
    {L"-TITLE:Plant3", L"-TITLE:", true, L"Plant3"},
    {L"-title:Tesk-A0x0xTools", L"-TITLE:", true, L"Tesk-A0x0xTools"},
    {L"-TiTlE:MixedCase", L"-TITLE:", true, L"MixedCase"},
    {L"-TITLE: Tesk-I0x0xTools", L"-TITLE:", true, L"Tesk-I0x0xTools"},
    {L"-TITLE:", L"-TITLE:", true, L""},
    {L"-TITLE:   \t ", L"-TITLE:", true, L""},
    {L"\"-TITLE:My Tools\"", L"-TITLE:", true, L"My"},
    {L"-TITLE:\"My Tools\"", L"-TITLE:", true, L"My"},
    {L"-TITLE:\r\nNext", L"-TITLE:", true, L"Next"},
    // Only the first occurrence counts, even inside another argument.
    {L"x-TITLE:first -TITLE:second", L"-TITLE:", true, L"first"},
    {L"C:\\cfg\\a-title:b.nera", L"-TITLE:", true, L"b.nera"},
    {L"-SERVERPORT:10001 -TITLE:x", L"-SERVERPORT:", true, L"10001"},
    {L"-TITLE -x", L"-TITLE:", false, L""},
};
} // namespace

TEST(CommandLine, FindsOptionsAndCutsTheirTokens) {
    for (const OptionCase& c : kOptionCases) {
        std::wstring value = L"untouched";
        bool found = FindOptionValue(c.cmdLine, c.option, value);
        EXPECT_EQ(found, c.found) << "line " << testing::PrintToString(std::wstring(c.cmdLine));
        if (c.found) {
            EXPECT_EQ(value, c.value) << "line " << testing::PrintToString(std::wstring(c.cmdLine));
        } else {
            EXPECT_EQ(value, L"untouched");
        }
    }
}

TEST(CommandLine, FlagsMatchInAnyCaseAnywhere) {
    EXPECT_TRUE(HasOption(L"-macedit", L"-MACEDIT"));
    EXPECT_TRUE(HasOption(L"x.nera -MACEDIT", L"-MACEDIT"));
    EXPECT_TRUE(HasOption(L"C:\\cfg\\old-macedit.nera", L"-MACEDIT"));
    EXPECT_FALSE(HasOption(L"macedit", L"-MACEDIT"));
    EXPECT_FALSE(HasOption(L"", L"-MACEDIT"));
}

TEST(CommandLine, UpperCasesAsciiLettersOnly) {
    // Positions must not move: non-ASCII letters stay as they are.
    EXPECT_EQ(UpperAscii(L"abz-AZ_\u00e9\u3042"), L"ABZ-AZ_\u00e9\u3042");
}

TEST(CommandLine, ParsesDecimalLikeTheRuntime) {
    struct {
        const wchar_t* text;
        int value;
    } const cases[] = {
        {L"10001", 10001},
        {L"70000", 70000},
        {L"abc", 0},
        {L"", 0},
        {L"  42x", 42},
        {L"-5", -5},
        {L"+7", 7},
        {L"2147483647", 2147483647},
        {L"\t\n12", 12},
        {L"4294967296", 2147483647},
        {L"-2147483648", -2147483647 - 1},
        {L"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDecimalInt(c.text), c.value) << testing::PrintToString(std::wstring(c.text));
    }
}
