// The JSON reader's limits: what each user's format allows is read, the rest refused where it
// stands.
#include <gtest/gtest.h>

#include "common/Json.h"

namespace {

constexpr SJsonLimits kStrict = {2, 0xFFFFFFFFull, false, false};
constexpr SJsonLimits kReport = {3, 0xFFFFFFFFull, true, true};

TEST(Json, LimitsDecideWhatIsRead) {
    const struct {
        const char* name;
        const char* text;
        SJsonLimits limits;
        const wchar_t* reason; // nullptr: read
    } kCases[] = {
        {"literals and arrays where allowed", "{\"a\": [true, false, null, \"x\", 7], \"b\": {}}", kReport,
         nullptr},
        {"empty array", "{\"a\": []}", kReport, nullptr},
        {"literal where none is allowed", "{\"a\": true}", kStrict,
         L"文字列、0 以上の整数またはオブジェクト"},
        {"array where none is allowed", "{\"a\": [1]}", kStrict, L"文字列、0 以上の整数またはオブジェクト"},
        {"misspelt literal", "{\"a\": nul}", kReport, L"true、false、null のどれでもない"},
        {"array too deep", "{\"a\": [[[1]]]}", kReport, L"入れ子が深すぎます"},
        {"array without its end", "{\"a\": [1, 2}", kReport, L"「,」か「]」がありません"},
        {"number over the limit", "{\"a\": 4294967296}", kReport, L"数が大きすぎます"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        SJsonValue value;
        const std::string text = c.text;
        CJsonReader reader(text, c.limits);
        const bool read = reader.ReadDocument(value);
        EXPECT_EQ(read, c.reason == nullptr) << testing::PrintToString(reader.Reason());
        if (c.reason != nullptr) {
            EXPECT_NE(reader.Reason().find(c.reason), std::wstring::npos)
                << testing::PrintToString(reader.Reason());
        }
    }
    SJsonValue value;
    const std::string text = "{\"a\": [true, null, \"x\"]}";
    CJsonReader reader(text, kReport);
    ASSERT_TRUE(reader.ReadDocument(value));
    const SJsonValue* a = value.Member(L"a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->items.size(), 3u);
    EXPECT_EQ(a->items[0].kind, SJsonValue::EKind::kTrue);
    EXPECT_EQ(a->items[1].kind, SJsonValue::EKind::kNull);
    EXPECT_EQ(a->items[2].text, L"x");
    EXPECT_EQ(value.Member(L"b"), nullptr);
}

} // namespace
