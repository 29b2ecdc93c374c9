// Fuzz target for every parser that reads outside text or bytes: settings files, host fields,
// MAC and digest texts of the settings tool, and the simulated module's configuration file,
// identifiers and hex texts. The first byte chooses the parser; a parser may reject its input
// but must never read or write out of bounds, loop forever or crash.
#include "devsim/SimBytes.h"
#include "devsim/SimModule.h"
#include "settings/MacText.h"
#include "settings/NeraSettings.h"
#include "settings/SettingsFile.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {
std::wstring WideFrom(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    return text;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t selector = data[0];
    ++data;
    --size;
    const std::string text(reinterpret_cast<const char*>(data), size);
    switch (selector % 8) {
        case 0: {
            NeraSettings settings;
            MakeDefaultSettings(settings, 50176);
            LoadSettingsFileBytes(data, size, settings);
            NormalizeDeviceSettings(settings, 50176);
            DecodeHostField(settings.NtpServer());
            DecodeHostField(settings.Server());
            break;
        }
        case 1: {
            std::wstring mac = WideFrom(data, size);
            uint8_t bytes[kMacSize];
            ParseMacText(mac, bytes);
            break;
        }
        case 2: {
            uint8_t digest[kPasswordDigestSize];
            ParseDigestHex(WideFrom(data, size), digest);
            break;
        }
        case 3: {
            uint8_t field[kHostFieldSize];
            std::memset(field, 0, sizeof(field));
            std::memcpy(field, data, size < sizeof(field) ? size : sizeof(field));
            DecodeHostField(field);
            EncodeHostField(WideFrom(data, size), field);
            break;
        }
        case 4: {
            nerasim::CModuleConfig config;
            std::string error;
            if (config.Parse(text, error)) {
                // What the tool writes back must read again as the same settings.
                nerasim::CModuleConfig again;
                FUZZ_CHECK(again.Parse(config.Format(), error));
                FUZZ_CHECK(again.Format() == config.Format());
            }
            break;
        }
        case 5: {
            uint8_t uuid[16];
            uint8_t mac[6];
            uint8_t version[3];
            nerasim::ParseUuid(text, uuid);
            nerasim::ParseMac(text, mac);
            nerasim::ParseFirmwareVersion(text, version);
            break;
        }
        case 6: {
            std::vector<uint8_t> bytes;
            BytesFromHexText(text, bytes);
            break;
        }
        default: {
            uint8_t area[nerasim::kAreaSize];
            std::memset(area, 0xFF, sizeof(area));
            std::memcpy(area, data, size < sizeof(area) ? size : sizeof(area));
            nerasim::SettingsMacText(area);
            uint8_t record[nerasim::kVersionRecordSize];
            std::memset(record, 0, sizeof(record));
            std::memcpy(record, data, size < sizeof(record) ? size : sizeof(record));
            nerasim::FormatVersionRecord(record);
            break;
        }
    }
    return 0;
}
