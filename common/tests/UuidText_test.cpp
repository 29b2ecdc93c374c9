#include "common/UuidText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
// Text forms and the stored bytes, first three fields least significant first.
struct SUuidCase {
    const char* text;
    uint8_t bytes[16];
};

const SUuidCase kCases[] = {
    {"a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38",
     {0x6B, 0x9E, 0xD2, 0xA4, 0x17, 0x0F, 0x3A, 0x4C, 0x8E, 0x5B, 0x72, 0xC6, 0xD1, 0xF0, 0x9A, 0x38}},
    {"00112233-4455-6677-8899-aabbccddeeff",
     {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
};

const char* const kBadTexts[] = {
    "",
    "a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a3",   // short
    "a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a380", // long
    " a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a3",  // a blank before
    "a4d29e6b0f174c3a8e5b72c6d1f09a38----",  // dashes misplaced
    "a4d29e6b0-f17-4c3a-8e5b-72c6d1f09a38",
    "a4d29e6b-0f17-4c3a-8e5b72c6-d1f09a38",
    "g4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38",
    "{a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38}", // braces are the caller's business
};

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}
} // namespace

TEST(UuidText, ReadsAndWritesBothForms) {
    for (const SUuidCase& c : kCases) {
        const std::string upper = Upper(c.text);
        for (const std::string& text : {std::string(c.text), upper}) {
            uint8_t narrow[16] = {};
            uint8_t wide[16] = {};
            ASSERT_TRUE(ParseUuidText(text, narrow)) << text;
            ASSERT_TRUE(ParseUuidText(std::wstring(text.begin(), text.end()), wide)) << text;
            EXPECT_EQ(std::memcmp(narrow, c.bytes, 16), 0) << text;
            EXPECT_EQ(std::memcmp(wide, c.bytes, 16), 0) << text;
        }
        EXPECT_EQ(TextFromUuid(c.bytes, EHexCase::kLower), c.text);
        EXPECT_EQ(TextFromUuid(c.bytes, EHexCase::kUpper), upper);
        EXPECT_EQ(WideTextFromUuid(c.bytes, EHexCase::kUpper), std::wstring(upper.begin(), upper.end()));
    }
}

TEST(UuidText, MalformedTextLeavesTheBytes) {
    for (const char* text : kBadTexts) {
        uint8_t uuid[16];
        std::memset(uuid, 0x5A, sizeof uuid);
        EXPECT_FALSE(ParseUuidText(std::string(text), uuid)) << text;
        const std::string narrow = text;
        EXPECT_FALSE(ParseUuidText(std::wstring(narrow.begin(), narrow.end()), uuid)) << text;
        for (uint8_t b : uuid) {
            EXPECT_EQ(b, 0x5A) << text;
        }
    }
    // A full-width digit is no hex digit.
    uint8_t uuid[16] = {};
    EXPECT_FALSE(ParseUuidText(std::wstring(L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A3\uFF10"), uuid));
}
