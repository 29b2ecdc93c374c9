#pragma once
// Byte-order helpers: every multi-byte number that crosses a record, a file or a device area
// goes through these, so the bytes are the same on every host.

#include <cstdint>

inline uint16_t LoadBE16(const uint8_t* p) {
    return static_cast<uint16_t>((static_cast<unsigned>(p[0]) << 8) | static_cast<unsigned>(p[1]));
}

inline uint32_t LoadBE32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline void StoreBE16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(static_cast<unsigned>(value) >> 8);
    p[1] = static_cast<uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

inline void StoreBE32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>((value >> 16) & 0xFFu);
    p[2] = static_cast<uint8_t>((value >> 8) & 0xFFu);
    p[3] = static_cast<uint8_t>(value & 0xFFu);
}

inline uint16_t LoadLE16(const uint8_t* p) {
    return static_cast<uint16_t>(static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8));
}

inline uint32_t LoadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void StoreLE16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(static_cast<unsigned>(value) & 0xFFu);
    p[1] = static_cast<uint8_t>(static_cast<unsigned>(value) >> 8);
}

inline void StoreLE32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value & 0xFFu);
    p[1] = static_cast<uint8_t>((value >> 8) & 0xFFu);
    p[2] = static_cast<uint8_t>((value >> 16) & 0xFFu);
    p[3] = static_cast<uint8_t>(value >> 24);
}
