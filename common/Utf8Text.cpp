#include "common/Utf8Text.h"

namespace {

bool IsSurrogate(uint32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

} // namespace

bool DecodeUtf8Char(const std::string& text, size_t pos, uint32_t& codePoint, size_t& length) {
    if (pos >= text.size()) {
        return false;
    }
    const uint8_t lead = static_cast<uint8_t>(text[pos]);
    size_t extra = 0;
    uint32_t c = 0;
    if (lead < 0x80) {
        c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        c = lead & 0x07u;
    } else {
        return false;
    }
    if (text.size() - pos <= extra) {
        return false;
    }
    for (size_t k = 1; k <= extra; ++k) {
        const uint8_t next = static_cast<uint8_t>(text[pos + k]);
        if ((next & 0xC0u) != 0x80u) {
            return false;
        }
        c = (c << 6) | (next & 0x3Fu);
    }
    const uint32_t smallest[4] = {0, 0x80, 0x800, 0x10000};
    if (c < smallest[extra] || c > 0x10FFFF || IsSurrogate(c)) {
        return false;
    }
    codePoint = c;
    length = extra + 1;
    return true;
}

void AppendCodePoint(std::wstring& out, uint32_t codePoint) {
    if (sizeof(wchar_t) == 2 && codePoint > 0xFFFF) {
        const uint32_t rest = codePoint - 0x10000;
        out += static_cast<wchar_t>(0xD800 + (rest >> 10));
        out += static_cast<wchar_t>(0xDC00 + (rest & 0x3FF));
    } else {
        out += static_cast<wchar_t>(codePoint);
    }
}

bool StrictWideFromUtf8(const std::string& text, std::wstring& out) {
    out.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        uint32_t c = 0;
        size_t length = 0;
        if (!DecodeUtf8Char(text, pos, c, length)) {
            out.clear();
            return false;
        }
        AppendCodePoint(out, c);
        pos += length;
    }
    return true;
}

std::string Utf8FromWide(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
            static_cast<uint32_t>(text[i + 1]) >= 0xDC00 && static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsSurrogate(c) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
