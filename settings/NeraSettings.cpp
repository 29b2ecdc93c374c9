#include "settings/NeraSettings.h"

#include "common/TextCodec.h"

namespace {

bool AllBytesAre(const uint8_t* p, size_t size, uint8_t value) {
    for (size_t i = 0; i < size; ++i) {
        if (p[i] != value) {
            return false;
        }
    }
    return true;
}

} // namespace

void MakeDefaultSettings(NeraSettings& settings, uint16_t defaultServerPort) {
    std::memset(settings.bytes, 0xFF, kNeraSettingsSize);
    settings.SetFormat(0);
    settings.SetPort(kDefaultPort);
    settings.SetIpAddress(0);
    settings.SetFlags(0);
    settings.SetServerPort(defaultServerPort);
    std::memset(settings.Mac(), 0, kMacSize);
}

void NormalizeDeviceSettings(NeraSettings& settings, uint16_t defaultServerPort) {
    if (settings.Format() != 0) {
        MakeDefaultSettings(settings, defaultServerPort);
        return;
    }
    if (settings.Flags() == 0xFFFF) {
        settings.SetFlags(0);
    }
}

bool IsValidMac(const uint8_t mac[kMacSize]) {
    return !AllBytesAre(mac, kMacSize, 0xFF) && !AllBytesAre(mac, kMacSize, 0x00);
}

bool IsPasswordDigestSet(const uint8_t digest[kPasswordDigestSize]) {
    return !AllBytesAre(digest, kPasswordDigestSize, 0xFF);
}

bool IsPasswordEnabled(const uint8_t digest[kPasswordDigestSize]) {
    return std::memcmp(digest, NoPasswordDigest, kPasswordDigestSize) != 0;
}

Sha256Digest ComputePasswordDigest(const std::wstring& password) {
    // Text from an edit control always converts; characters without a form in the code page
    // are hashed as '?', the same bytes the device library derives from the same text.
    std::string bytes;
    WideToAnsi(password, bytes);
    return Sha256(bytes.data(), bytes.size());
}

bool EncodeHostField(const std::wstring& text, uint8_t field[kHostFieldSize]) {
    if (text.empty()) {
        std::memset(field, 0xFF, kHostFieldSize);
        return true;
    }
    std::string ansi;
    if (!WideToAnsi(text, ansi)) {
        return false;
    }

    // 255.255.255.255 parses to the same value as a failure, so it is kept as a name.
    const uint32_t address = InetAddr(ansi);
    if (address != kInetAddrNone) {
        field[0] = 0;
        field[1] = 0;
        // The parser's result is already in network order: its bytes are the octets in order.
        std::memcpy(field + 2, &address, 4);
        return true;
    }

    // Copied like strncpy: up to the first zero byte, at most the whole field, zero-padded.
    size_t length = 0;
    while (length < ansi.size() && length < kHostFieldSize && ansi[length] != '\0') {
        ++length;
    }
    std::memcpy(field, ansi.data(), length);
    std::memset(field + length, 0, kHostFieldSize - length);
    return true;
}

std::wstring DecodeHostField(const uint8_t field[kHostFieldSize]) {
    if (field[0] != 0x00 && field[0] != 0xFF) {
        size_t length = 0;
        while (length < kHostFieldSize && field[length] != 0) {
            ++length;
        }
        std::wstring text;
        if (!AnsiToWide(std::string(reinterpret_cast<const char*>(field), length), text)) {
            return std::wstring();
        }
        return text;
    }
    if (field[0] != 0 || field[1] != 0) {
        return std::wstring();
    }
    return std::to_wstring(static_cast<unsigned>(field[2])) + L'.' +
           std::to_wstring(static_cast<unsigned>(field[3])) + L'.' +
           std::to_wstring(static_cast<unsigned>(field[4])) + L'.' +
           std::to_wstring(static_cast<unsigned>(field[5]));
}

bool HostTextFitsField(const std::wstring& text) {
    std::string ansi;
    if (!WideToAnsi(text, ansi)) {
        return false;
    }
    return ansi.size() <= kHostFieldSize;
}
