#include "common/HexText.h"

namespace {

const char kUpperDigits[] = "0123456789ABCDEF";
const char kLowerDigits[] = "0123456789abcdef";

// Shared by the narrow and wide forms; the digits are ASCII in both.
template <typename Char> int DigitValue(Char c) {
    if (c >= Char('0') && c <= Char('9')) {
        return static_cast<int>(c - Char('0'));
    }
    if (c >= Char('a') && c <= Char('f')) {
        return static_cast<int>(c - Char('a')) + 10;
    }
    if (c >= Char('A') && c <= Char('F')) {
        return static_cast<int>(c - Char('A')) + 10;
    }
    return -1;
}

const char* DigitTable(EHexCase letters) {
    return letters == EHexCase::kLower ? kLowerDigits : kUpperDigits;
}

template <typename Text>
Text BytesText(const uint8_t* bytes, size_t size, typename Text::value_type separator, EHexCase letters) {
    using Char = typename Text::value_type;
    const char* table = DigitTable(letters);
    Text text;
    text.reserve(separator != Char(0) && size > 0 ? 3 * size - 1 : 2 * size);
    for (size_t i = 0; i < size; ++i) {
        if (i > 0 && separator != Char(0)) {
            text += separator;
        }
        text += static_cast<Char>(table[bytes[i] >> 4]);
        text += static_cast<Char>(table[bytes[i] & 0x0F]);
    }
    return text;
}

template <typename Text> Text NumberText(uint32_t value, size_t digits, EHexCase letters) {
    using Char = typename Text::value_type;
    const char* table = DigitTable(letters);
    if (digits > 8) {
        digits = 8;
    }
    Text text(digits, Char('0'));
    for (size_t i = digits; i > 0; --i) {
        text[i - 1] = static_cast<Char>(table[value & 0x0Fu]);
        value >>= 4;
    }
    return text;
}

// All digits are checked before the first byte is written.
template <typename Text> bool ExactBytes(const Text& text, uint8_t* bytes, size_t size) {
    if (text.size() != 2 * size) {
        return false;
    }
    for (auto c : text) {
        if (DigitValue(c) < 0) {
            return false;
        }
    }
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(DigitValue(text[2 * i]) * 16 + DigitValue(text[2 * i + 1]));
    }
    return true;
}

} // namespace

int HexDigitValue(char c) {
    return DigitValue(c);
}

int HexDigitValue(wchar_t c) {
    return DigitValue(c);
}

std::string HexFromBytes(const uint8_t* bytes, size_t size, char separator, EHexCase letters) {
    return BytesText<std::string>(bytes, size, separator, letters);
}

std::wstring WideHexFromBytes(const uint8_t* bytes, size_t size, wchar_t separator, EHexCase letters) {
    return BytesText<std::wstring>(bytes, size, separator, letters);
}

std::string HexFromNumber(uint32_t value, size_t digits, EHexCase letters) {
    return NumberText<std::string>(value, digits, letters);
}

std::wstring WideHexFromNumber(uint32_t value, size_t digits, EHexCase letters) {
    return NumberText<std::wstring>(value, digits, letters);
}

bool BytesFromHex(const std::string& text, uint8_t* bytes, size_t size) {
    return ExactBytes(text, bytes, size);
}

bool BytesFromHex(const std::wstring& text, uint8_t* bytes, size_t size) {
    return ExactBytes(text, bytes, size);
}

bool BytesFromHexText(const std::string& text, std::vector<uint8_t>& out) {
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ':' || c == '-') {
            if (high >= 0) {
                return false; // a separator may not split a pair
            }
            continue;
        }
        const int value = DigitValue(c);
        if (value < 0) {
            return false;
        }
        if (high < 0) {
            high = value;
        } else {
            out.push_back(static_cast<uint8_t>((high << 4) | value));
            high = -1;
        }
    }
    return high < 0;
}
