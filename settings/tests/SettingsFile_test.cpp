#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/tests/CoreTestHex.h"

namespace {

// A recognisable record: every byte differs from its neighbours and from the editor's record.
NeraSettings PatternRecord() {
    NeraSettings s;
    for (size_t i = 0; i < kNeraSettingsSize; ++i) {
        s.bytes[i] = static_cast<uint8_t>(i + 1);
    }
    return s;
}

} // namespace

TEST(SettingsFile, Serialize) {
    struct Case {
        uint16_t flag;
        const char* tail;
    };
    const Case cases[] = {{0, "0000"}, {1, "0100"}, {0x1234, "3412"}};
    const NeraSettings record = PatternRecord();
    for (const Case& c : cases) {
        const SettingsFileBytes file = SerializeSettingsFile(record, c.flag);
        ASSERT_EQ(file.size(), 130u);
        EXPECT_EQ(BytesToHex(file.data(), kNeraSettingsSize), BytesToHex(record.bytes, kNeraSettingsSize));
        EXPECT_EQ(BytesToHex(file.data() + 128, 2), c.tail);
    }
}

TEST(SettingsFile, RoundTrip) {
    NeraSettings record;
    MakeDefaultSettings(record, 50176);
    const uint16_t flags[] = {0, 1};
    for (uint16_t flag : flags) {
        const SettingsFileBytes file = SerializeSettingsFile(record, flag);
        NeraSettings loaded = PatternRecord();
        EXPECT_EQ(LoadSettingsFileBytes(file.data(), file.size(), loaded), flag);
        EXPECT_TRUE(loaded == record);
    }
}

// Files of every interesting length, cut from one valid 130-byte image (with extra bytes after
// it for the longer ones), loaded over an editor that already holds a different record.
TEST(SettingsFile, LoadShortAndLongInputs) {
    struct Case {
        size_t size;
        size_t recordBytes; // bytes of the record taken from the file; the rest stays
        uint16_t flag;
    };
    const Case cases[] = {
        {0, 0, 0},        {1, 1, 0},          {2, 2, 0},          {127, 127, 0},      {128, 128, 0},
        {129, 128, 0x01}, {130, 128, 0x0201}, {131, 128, 0x0201}, {400, 128, 0x0201},
    };
    const NeraSettings fileRecord = PatternRecord();
    const SettingsFileBytes image = SerializeSettingsFile(fileRecord, 0x0201);
    for (const Case& c : cases) {
        std::vector<uint8_t> data(image.begin(), image.end());
        data.resize(c.size, 0xEE);

        NeraSettings editor;
        MakeDefaultSettings(editor, 50176);
        NeraSettings expected = editor;
        std::memcpy(expected.bytes, fileRecord.bytes, c.recordBytes);

        EXPECT_EQ(LoadSettingsFileBytes(data.data(), data.size(), editor), c.flag) << "size " << c.size;
        EXPECT_EQ(BytesToHex(editor.bytes, kNeraSettingsSize), BytesToHex(expected.bytes, kNeraSettingsSize))
            << "size " << c.size;
    }
}

TEST(SettingsFile, LoadNothing) {
    NeraSettings editor = PatternRecord();
    EXPECT_EQ(LoadSettingsFileBytes(nullptr, 0, editor), 0);
    EXPECT_TRUE(editor == PatternRecord());
}

// What the editor shows after loading: the loaded bytes cleaned up like a record from a module.
TEST(SettingsFile, LoadThenNormalize) {
    struct Case {
        const char* name;
        size_t size;
        uint8_t firstByte;
        bool defaults;
    };
    const Case cases[] = {
        {"erased format", 130, 0xFF, true},
        {"empty file over a valid editor", 0, 0x00, false},
        {"one byte 00 over a valid editor", 1, 0x00, false},
        {"one byte FF", 1, 0xFF, true},
    };
    for (const Case& c : cases) {
        NeraSettings fileRecord;
        MakeDefaultSettings(fileRecord, 50176);
        fileRecord.SetPort(1234);
        fileRecord.bytes[0] = c.firstByte;
        const SettingsFileBytes image = SerializeSettingsFile(fileRecord, 1);

        NeraSettings editor;
        MakeDefaultSettings(editor, 50176);
        editor.SetPort(4321);
        const NeraSettings before = editor;
        LoadSettingsFileBytes(image.data(), c.size, editor);
        NormalizeDeviceSettings(editor, 600);

        if (c.defaults) {
            NeraSettings expected;
            MakeDefaultSettings(expected, 600);
            EXPECT_TRUE(editor == expected) << c.name;
        } else {
            EXPECT_TRUE(editor == before) << c.name;
        }
    }
}
