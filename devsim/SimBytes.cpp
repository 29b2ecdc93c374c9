#include "SimBytes.h"

#include <cstdio>

namespace nerasim {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string ToHex(const uint8_t* data, size_t length) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        text.push_back(kDigits[static_cast<unsigned>(data[i]) >> 4]);
        text.push_back(kDigits[static_cast<unsigned>(data[i]) & 0x0Fu]);
    }
    return text;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& out) {
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ':' || c == '-') {
            if (high >= 0)
                return false; // a separator may not split a pair
            continue;
        }
        int value = HexDigitValue(c);
        if (value < 0)
            return false;
        if (high < 0) {
            high = value;
        } else {
            out.push_back(static_cast<uint8_t>((high << 4) | value));
            high = -1;
        }
    }
    return high < 0;
}

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
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
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
