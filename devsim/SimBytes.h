#pragma once
// Byte-order, hex-text and checksum helpers shared by the simulated module, its store files,
// the call log and the nerasim tool. All byte-order work of the module goes through these.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nerasim {

inline uint16_t LoadBE16(const uint8_t* p) {
    return static_cast<uint16_t>((static_cast<unsigned>(p[0]) << 8) | static_cast<unsigned>(p[1]));
}

inline uint32_t LoadBE32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline void StoreBE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(static_cast<unsigned>(v) >> 8);
    p[1] = static_cast<uint8_t>(static_cast<unsigned>(v) & 0xFFu);
}

inline void StoreBE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>((v >> 16) & 0xFFu);
    p[2] = static_cast<uint8_t>((v >> 8) & 0xFFu);
    p[3] = static_cast<uint8_t>(v & 0xFFu);
}

inline uint32_t LoadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint16_t LoadLE16(const uint8_t* p) {
    return static_cast<uint16_t>(static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8));
}

inline void StoreLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFFu);
    p[1] = static_cast<uint8_t>((v >> 8) & 0xFFu);
    p[2] = static_cast<uint8_t>((v >> 16) & 0xFFu);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline void StoreLE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(static_cast<unsigned>(v) & 0xFFu);
    p[1] = static_cast<uint8_t>(static_cast<unsigned>(v) >> 8);
}

// Upper-case hex digits of the bytes, no separators.
std::string ToHex(const uint8_t* data, size_t length);

// Reads hex digit pairs; blanks, ':' and '-' between pairs are skipped. False on any other
// character or an odd digit count.
bool ParseHex(const std::string& text, std::vector<uint8_t>& out);

// Parses a decimal or 0x-prefixed hexadecimal number that fits in 32 bits.
bool ParseU32(const std::string& text, uint32_t& value);

// "0x%08X" of the value.
std::string FormatHex32(uint32_t value);

// CRC-32 (IEEE 802.3, as in zip) of the bytes; the call log uses it to name written data.
uint32_t Crc32(const uint8_t* data, size_t length);

} // namespace nerasim
