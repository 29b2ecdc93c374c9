#pragma once
// Number texts and the checksum shared by the simulated module, its store files, the call log
// and the nerasim tool; hexadecimal bytes come from the common HexText.h.

#include "common/ByteOrder.h"
#include "common/HexText.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace nerasim {

// Parses a decimal or 0x-prefixed hexadecimal number that fits in 32 bits.
bool ParseU32(const std::string& text, uint32_t& value);

// "0x%08X" of the value.
std::string FormatHex32(uint32_t value);

// CRC-32 (IEEE 802.3, as in zip) of the bytes; the call log uses it to name written data.
uint32_t Crc32(const uint8_t* data, size_t length);

} // namespace nerasim
