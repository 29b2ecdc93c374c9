#include "common/UuidText.h"

#include <cstring>

#include "common/ByteOrder.h"

namespace {

constexpr size_t kTextLength = 36;

bool IsDashPlace(size_t i) {
    return i == 8 || i == 13 || i == 18 || i == 23;
}

template <typename Text> bool ParseText(const Text& text, uint8_t uuid[16]) {
    using Char = typename Text::value_type;
    if (text.size() != kTextLength) {
        return false;
    }
    // The 32 digits in text order, as 16 bytes.
    Text digits;
    for (size_t i = 0; i < kTextLength; ++i) {
        if (IsDashPlace(i)) {
            if (text[i] != Char('-')) {
                return false;
            }
        } else {
            digits += text[i];
        }
    }
    uint8_t bytes[16];
    if (!BytesFromHex(digits, bytes, sizeof bytes)) {
        return false;
    }
    StoreLE32(uuid, LoadBE32(bytes));
    StoreLE16(uuid + 4, LoadBE16(bytes + 4));
    StoreLE16(uuid + 6, LoadBE16(bytes + 6));
    std::memcpy(uuid + 8, bytes + 8, 8);
    return true;
}

// The bytes in text order, most significant first in every field.
void TextOrder(const uint8_t uuid[16], uint8_t bytes[16]) {
    StoreBE32(bytes, LoadLE32(uuid));
    StoreBE16(bytes + 4, LoadLE16(uuid + 4));
    StoreBE16(bytes + 6, LoadLE16(uuid + 6));
    std::memcpy(bytes + 8, uuid + 8, 8);
}

template <typename Text> Text FormatText(const Text& digits) {
    using Char = typename Text::value_type;
    Text text;
    for (size_t i = 0, digit = 0; i < kTextLength; ++i) {
        text += IsDashPlace(i) ? Char('-') : digits[digit++];
    }
    return text;
}

} // namespace

bool ParseUuidText(const std::wstring& text, uint8_t uuid[16]) {
    return ParseText(text, uuid);
}

bool ParseUuidText(const std::string& text, uint8_t uuid[16]) {
    return ParseText(text, uuid);
}

std::string TextFromUuid(const uint8_t uuid[16], EHexCase letters) {
    uint8_t bytes[16];
    TextOrder(uuid, bytes);
    return FormatText(HexFromBytes(bytes, sizeof bytes, '\0', letters));
}

std::wstring WideTextFromUuid(const uint8_t uuid[16], EHexCase letters) {
    uint8_t bytes[16];
    TextOrder(uuid, bytes);
    return FormatText(WideHexFromBytes(bytes, sizeof bytes, L'\0', letters));
}
