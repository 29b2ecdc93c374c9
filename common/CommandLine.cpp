#include "common/CommandLine.h"

#include <cstdint>

std::wstring UpperAscii(const std::wstring& text) {
    std::wstring upper = text;
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return upper;
}

bool IsOptionDelimiter(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'"';
}

std::wstring CutToken(const std::wstring& text, size_t pos) {
    while (pos < text.size() && IsOptionDelimiter(text[pos])) {
        ++pos;
    }
    size_t end = pos;
    while (end < text.size() && !IsOptionDelimiter(text[end])) {
        ++end;
    }
    return pos < text.size() ? text.substr(pos, end - pos) : std::wstring();
}

bool HasOption(const std::wstring& cmdLine, const std::wstring& upperName) {
    return UpperAscii(cmdLine).find(upperName) != std::wstring::npos;
}

bool FindOptionValue(const std::wstring& cmdLine, const std::wstring& upperName, std::wstring& value) {
    size_t at = UpperAscii(cmdLine).find(upperName);
    if (at == std::wstring::npos) {
        return false;
    }
    value = CutToken(cmdLine, at + upperName.size());
    return true;
}

int ParseDecimalInt(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    // Saturates on overflow, as the runtime's conversion does.
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (value <= INT64_C(2147483648)) {
            value = value * 10 + (text[i] - L'0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int>(value);
}
