#include "settings/MacText.h"

#include <cstring>

#include "common/HexText.h"

namespace {

const size_t kMacTextLength = 2 * kMacSize;

// One pair of text read as a base-16 number, starting at index: its leading hexadecimal digits
// count, anything from the first other character on (or the end of the text) does not.
uint8_t ReadHexPair(const std::wstring& text, size_t index) {
    unsigned value = 0;
    for (size_t i = index; i < index + 2 && i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) {
            break;
        }
        value = value * 16u + static_cast<unsigned>(digit);
    }
    return static_cast<uint8_t>(value);
}

} // namespace

bool ParseMacText(std::wstring& text, uint8_t mac[kMacSize]) {
    if (text.empty()) {
        std::memset(mac, 0xFF, kMacSize);
        return true;
    }

    size_t digits = 0;
    while (digits < text.size() && HexDigitValue(text[digits]) >= 0) {
        ++digits;
    }
    text.resize(digits);
    if (digits < kMacTextLength) {
        return false;
    }

    uint8_t parsed[kMacSize];
    for (size_t i = 0; i < kMacSize; ++i) {
        parsed[i] = ReadHexPair(text, 2 * i);
    }
    bool allZero = true;
    for (size_t i = 0; i < kMacSize; ++i) {
        if (parsed[i] != 0) {
            allZero = false;
        }
    }
    if (allZero) {
        return false;
    }
    std::memcpy(mac, parsed, kMacSize);
    return true;
}

std::wstring FormatMacText(const uint8_t mac[kMacSize]) {
    return WideHexFromBytes(mac, kMacSize);
}

std::wstring FormatDigestHex(const uint8_t digest[kPasswordDigestSize]) {
    return WideHexFromBytes(digest, kPasswordDigestSize);
}

void ParseDigestHex(const std::wstring& text, uint8_t digest[kPasswordDigestSize]) {
    for (size_t i = 0; i < kPasswordDigestSize; ++i) {
        digest[i] = ReadHexPair(text, 2 * i);
    }
}
