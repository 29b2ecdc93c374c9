#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Hex-string helpers for the known-answer tables of the settings-record tests. Spaces in a hex
// string only group the digits for the reader.
inline std::vector<uint8_t> HexToBytes(const std::string& hex) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : hex) {
        int value;
        if (c >= '0' && c <= '9') {
            value = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            value = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            value = c - 'A' + 10;
        } else {
            continue;
        }
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    return bytes;
}

inline std::string BytesToHex(const uint8_t* bytes, size_t size) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0F];
    }
    return hex;
}

// The same hex string without its grouping spaces, upper case, for comparing with BytesToHex.
inline std::string NormalHex(const std::string& hex) {
    const std::vector<uint8_t> bytes = HexToBytes(hex);
    return BytesToHex(bytes.data(), bytes.size());
}
