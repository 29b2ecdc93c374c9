#include "common/FieldChecks.h"

#include <cstdint>

#include "common/FieldCheckTexts.h"

namespace {

const wchar_t kParseUintMessage[] = L"" NERA_TEXT_PARSE_UINT;
const wchar_t kIntRangePattern[] = L"" NERA_TEXT_PARSE_INT_RANGE;
const wchar_t kStringSizePattern[] = L"" NERA_TEXT_PARSE_STRING_SIZE;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

} // namespace

bool ParseUnsignedDecimal(const std::wstring& text, unsigned int& value) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    unsigned long long number = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
        number = number * 10 + static_cast<unsigned>(text[i] - L'0');
        if (number > 0xFFFFFFFFull) {
            return false;
        }
        ++i;
        ++digits;
    }
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    if (digits == 0 || i != text.size()) {
        return false;
    }
    value = static_cast<unsigned int>(number);
    return true;
}

std::wstring FormatPlaceholders(const std::wstring& pattern, const std::wstring& arg1,
                                const std::wstring& arg2) {
    std::wstring out;
    out.reserve(pattern.size() + arg1.size() + arg2.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == L'1' || pattern[i + 1] == L'2')) {
            out += pattern[i + 1] == L'1' ? arg1 : arg2;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

bool CheckUnsignedField(const std::wstring& text, unsigned int minValue, unsigned int maxValue,
                        unsigned int& value, std::wstring& message) {
    unsigned int parsed = 0;
    if (!ParseUnsignedDecimal(text, parsed)) {
        message = kParseUintMessage;
        return false;
    }
    if (!CheckUnsignedRange(parsed, minValue, maxValue, message)) {
        return false;
    }
    value = parsed;
    return true;
}

bool CheckUnsignedRange(unsigned int value, unsigned int minValue, unsigned int maxValue,
                        std::wstring& message) {
    if (value >= minValue && value <= maxValue) {
        return true;
    }
    message = FormatPlaceholders(kIntRangePattern, std::to_wstring(minValue), std::to_wstring(maxValue));
    return false;
}

bool CheckTextLength(const std::wstring& text, size_t maxChars, std::wstring& message) {
    // An edit control counts UTF-16 units; where wchar_t holds whole code points, one beyond
    // the basic plane counts twice.
    size_t units = 0;
    for (wchar_t c : text) {
        const uint32_t value = static_cast<uint32_t>(c);
        units += (value >> 16) != 0 ? 2 : 1;
    }
    if (units <= maxChars) {
        return true;
    }
    message = FormatPlaceholders(kStringSizePattern, std::to_wstring(maxChars), std::wstring());
    return false;
}

bool ParseDottedAddress(const std::wstring& text, uint32_t& address) {
    uint32_t value = 0;
    size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != L'.') {
                return false;
            }
            ++i;
        }
        unsigned octet = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && digits < 3) {
            octet = octet * 10 + static_cast<unsigned>(text[i] - L'0');
            ++i;
            ++digits;
        }
        if (digits == 0 || octet > 255) {
            return false;
        }
        value = (value << 8) | octet;
    }
    if (i != text.size()) {
        return false;
    }
    address = value;
    return true;
}

bool ParseMacOption(const std::wstring& text, std::wstring& digits) {
    // 12 digits, or 17 characters with the same separator after every pair.
    const bool separated = text.size() == 17;
    if (!separated && text.size() != 12) {
        return false;
    }
    const wchar_t separator = separated ? text[2] : 0;
    if (separated && separator != L':' && separator != L'-') {
        return false;
    }
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (separated && i % 3 == 2) {
            if (c != separator) {
                return false;
            }
            continue;
        }
        if (c >= L'a' && c <= L'f') {
            out += static_cast<wchar_t>(c - L'a' + L'A');
        } else if ((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F')) {
            out += c;
        } else {
            return false;
        }
    }
    digits = out;
    return true;
}
