#include "common/KeyValue.h"

#include <gtest/gtest.h>

namespace {
const char kSettings[] = "# Settings of the simulated module libraries\r\n"
                         "\r\n"
                         "  store = C:\\Users\\me\\store \r\n"
                         "\tfirst=module2\n"
                         "   # hw_code = 0x1\n"
                         "just words\n"
                         "empty =\n"
                         "= no key\n"
                         "url = http://x/?a=b\n"
                         "store = second";
} // namespace

TEST(KeyValue, LinesLoseBlanksCommentsAndLineEnds) {
    struct SExpected {
        int number;
        bool hasEquals;
        const char* key;
        const char* value;
    };
    const SExpected expected[] = {
        {3, true, "store", "C:\\Users\\me\\store"},
        {4, true, "first", "module2"},
        {6, false, "", ""},
        {7, true, "empty", ""},
        {8, true, "", "no key"},
        {9, true, "url", "http://x/?a=b"}, // cut at the first '='
        {10, true, "store", "second"},     // the last line needs no line end
    };
    const std::vector<SKeyValueLine> lines = ReadKeyValueLines(kSettings);
    ASSERT_EQ(lines.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].number, expected[i].number) << i;
        EXPECT_EQ(lines[i].hasEquals, expected[i].hasEquals) << i;
        EXPECT_EQ(lines[i].key, expected[i].key) << i;
        EXPECT_EQ(lines[i].value, expected[i].value) << i;
    }
    EXPECT_TRUE(ReadKeyValueLines("").empty());
    EXPECT_TRUE(ReadKeyValueLines("\n \r\n#only = comments\n").empty());
}

TEST(KeyValue, FindsTheFirstLineOfAKey) {
    const struct {
        const char* key;
        const char* value;
    } cases[] = {
        {"store", "C:\\Users\\me\\store"},
        {"first", "module2"},
        {"empty", ""},
        {"hw_code", ""}, // only in a comment
        {"just words", ""},
        {"", "no key"},
        {"missing", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindKeyValue(kSettings, c.key), c.value) << c.key;
    }
}

TEST(KeyValue, OnlyValuesThatReadBackAreKeepable) {
    const struct {
        const char* value;
        bool keepable;
    } cases[] = {
        {"", true},        {"/kept/store", true}, {"C:\\a b\\c", true},  {"a\tb", true},    {" lead", false},
        {"trail ", false}, {"tab\t", false},      {"two\nlines", false}, {"cr\rin", false}, {"\r", false},
    };
    for (const auto& c : cases) {
        const bool keepable = IsKeepableValue(c.value);
        EXPECT_EQ(keepable, c.keepable) << testing::PrintToString(std::string(c.value));
        if (keepable) {
            EXPECT_EQ(FindKeyValue(std::string("v = ") + c.value + "\n", "v"), c.value);
        }
    }
}
