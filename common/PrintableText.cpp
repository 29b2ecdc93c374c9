#include "common/PrintableText.h"

#include <cstdint>

std::wstring PrintableText(const std::wstring& text) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring out;
    for (wchar_t c : text) {
        const uint32_t value = static_cast<uint32_t>(c);
        if (value < 0x20 || (value >= 0x7F && value < 0xA0)) {
            out += L"\\u00";
            out += kHex[(value >> 4) & 0xF];
            out += kHex[value & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}
