#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/HexText.h"

// Hex-string helpers for the known-answer tables of the settings-record tests. Blanks in a hex
// string only group the digits for the reader; a string that is not hex gives no bytes, which
// every comparison then shows.
inline std::vector<uint8_t> HexToBytes(const std::string& hex) {
    std::vector<uint8_t> bytes;
    if (!BytesFromHexText(hex, bytes)) {
        bytes.clear();
    }
    return bytes;
}

inline std::string BytesToHex(const uint8_t* bytes, size_t size) {
    return HexFromBytes(bytes, size);
}

// The same hex string without its grouping blanks, upper case, for comparing with BytesToHex.
inline std::string NormalHex(const std::string& hex) {
    const std::vector<uint8_t> bytes = HexToBytes(hex);
    return BytesToHex(bytes.data(), bytes.size());
}
