#include "settings/SettingsFile.h"

#include <cstring>

SettingsFileBytes SerializeSettingsFile(const NeraSettings& settings, uint16_t macEditFlag) {
    SettingsFileBytes file;
    std::memcpy(file.data(), settings.bytes, kNeraSettingsSize);
    // The flag is the one little-endian number of the file.
    StoreLE16(file.data() + kSettingsFileFlagOffset, macEditFlag);
    return file;
}

uint16_t LoadSettingsFileBytes(const uint8_t* data, size_t size, NeraSettings& settings) {
    if (data == nullptr) {
        size = 0;
    }
    const size_t recordBytes = size < kNeraSettingsSize ? size : kNeraSettingsSize;
    if (recordBytes > 0) {
        std::memcpy(settings.bytes, data, recordBytes);
    }
    unsigned flag = 0;
    if (size > kSettingsFileFlagOffset) {
        flag = data[kSettingsFileFlagOffset];
    }
    if (size > kSettingsFileFlagOffset + 1) {
        flag |= static_cast<unsigned>(data[kSettingsFileFlagOffset + 1]) << 8;
    }
    return static_cast<uint16_t>(flag);
}
