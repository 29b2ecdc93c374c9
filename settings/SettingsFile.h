#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/NeraSettings.h"

// A settings file: the record exactly as in the module, then the MAC-edit flag as a 16-bit
// little-endian number (0 normal mode, 1 saved in MAC edit mode). No header, nothing else.
constexpr size_t kSettingsFileSize = 130;
constexpr size_t kSettingsFileFlagOffset = kNeraSettingsSize;

using SettingsFileBytes = std::array<uint8_t, kSettingsFileSize>;

// A file saved in MAC edit mode brings its MAC into the editor; one saved in normal mode leaves
// the editor's MAC text as it was.
inline bool SettingsFileCarriesMac(uint16_t macEditFlag) {
    return macEditFlag != 0;
}

// The 130 bytes to write for a record and the MAC-edit flag.
SettingsFileBytes SerializeSettingsFile(const NeraSettings& settings, uint16_t macEditFlag);

// Applies the bytes read from a settings file: up to 128 bytes go into the record (a shorter
// input overwrites only its first bytes and keeps the rest), the next up to 2 bytes form the
// MAC-edit flag (0 when the input ends before them), bytes after 130 are ignored. Returns the
// flag. The record is not checked here; run NormalizeDeviceSettings on it afterwards.
uint16_t LoadSettingsFileBytes(const uint8_t* data, size_t size, NeraSettings& settings);
