// Fuzz target for nera's JSON settings: the reader on any text, and the round trips.
//
//   byte 0     bit 0: the round trip writes the settings file's flag ("macEdit"); without it
//              the flag reads back as 0
//   the rest   the JSON text; also, padded with 0xFF, a record and its flag
//
// Properties: a refused text leaves the settings and the flag as they were and says why; an
// accepted one goes record -> JSON -> record to the same bytes and gives JSON that reads back to
// itself; any 128 bytes (and flag) go record -> JSON -> record unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "settings/SettingsJson.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

// Writes the record as JSON, reads it back and checks the bytes, the flag and the text.
void CheckRoundTrip(const NeraSettings& record, uint16_t flag, bool withMacEdit) {
    const std::string json = SettingsToJson(record, withMacEdit ? &flag : nullptr);
    NeraSettings back;
    std::memset(back.bytes, 0, sizeof back.bytes);
    uint16_t backFlag = 0;
    std::wstring message;
    backFlag = 0xA5A5;
    FUZZ_CHECK(SettingsFromJson(json, back, backFlag, message));
    FUZZ_CHECK(std::memcmp(back.bytes, record.bytes, kNeraSettingsSize) == 0);
    FUZZ_CHECK(backFlag == (withMacEdit ? flag : 0));
    FUZZ_CHECK(SettingsToJson(back, withMacEdit ? &backFlag : nullptr) == json);
    // Plain ASCII, so that it reads the same in every code page.
    for (char c : json) {
        FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool withMacEdit = (data[0] & 1) != 0;
    ++data;
    --size;

    NeraSettings record;
    std::memset(record.bytes, 0xFF, sizeof record.bytes);
    std::memcpy(record.bytes, data, size < kNeraSettingsSize ? size : kNeraSettingsSize);
    uint16_t flag = 0xFFFF;
    if (size >= kNeraSettingsSize + 2) {
        flag = static_cast<uint16_t>(data[kNeraSettingsSize] << 8 | data[kNeraSettingsSize + 1]);
    }
    CheckRoundTrip(record, flag, withMacEdit);

    const std::string text(reinterpret_cast<const char*>(data), size);
    NeraSettings settings;
    std::memset(settings.bytes, 0xA5, sizeof settings.bytes);
    uint16_t macEdit = 0xA5A5;
    std::wstring message;
    if (!SettingsFromJson(text, settings, macEdit, message)) {
        FUZZ_CHECK(!message.empty());
        FUZZ_CHECK(macEdit == 0xA5A5);
        for (uint8_t byte : settings.bytes) {
            FUZZ_CHECK(byte == 0xA5);
        }
        return 0;
    }
    CheckRoundTrip(settings, macEdit, true);
    return 0;
}
