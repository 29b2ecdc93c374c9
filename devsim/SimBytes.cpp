#include "devsim/SimBytes.h"

namespace nerasim {

bool ParseU32(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t result = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (text.size() > 10)
            return false;
        for (size_t i = 2; i < text.size(); ++i) {
            int digit = HexDigitValue(text[i]);
            if (digit < 0)
                return false;
            result = (result << 4) | static_cast<uint64_t>(digit);
        }
    } else {
        for (char c : text) {
            if (c < '0' || c > '9')
                return false;
            result = result * 10 + static_cast<uint64_t>(c - '0');
        }
        if (result > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<uint32_t>(result);
    return true;
}

std::string FormatHex32(uint32_t value) {
    return "0x" + HexFromNumber(value, 8);
}

uint32_t Crc32(const uint8_t* data, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace nerasim
