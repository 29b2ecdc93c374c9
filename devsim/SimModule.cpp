#include "devsim/SimModule.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/KeyValue.h"
#include "common/UuidText.h"
#include "devsim/SimBytes.h"

namespace nerasim {

const uint8_t kNoPasswordDigest[32] = {0xE3, 0xB0, 0xC4, 0x42, 0x98, 0xFC, 0x1C, 0x14, 0x9A, 0xFB, 0xF4,
                                       0xC8, 0x99, 0x6F, 0xB9, 0x24, 0x27, 0xAE, 0x41, 0xE4, 0x64, 0x9B,
                                       0x93, 0x4C, 0xA4, 0x95, 0x99, 0x1B, 0x78, 0x52, 0xB8, 0x55};

namespace {

// Offsets of the network-settings record that the module's factory record fills.
constexpr size_t kSetFormat = 0;
constexpr size_t kSetMac = 2;
constexpr size_t kSetIpAddress = 8;
constexpr size_t kSetPort = 20;
constexpr size_t kSetPassword = 22;
constexpr size_t kSetFlags = 92;
constexpr size_t kSetServerPort = 126;

bool ParseFaultCount(const std::string& text, uint32_t& value) {
    if (text == "always") {
        value = kFaultAlways;
        return true;
    }
    return ParseU32(text, value) && value != kFaultAlways;
}

std::string FormatFaultCount(uint32_t value) {
    return value == kFaultAlways ? std::string("always") : std::to_string(value);
}

bool IsPrintableText(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

// One fault counter's key and member, for parsing and formatting alike.
struct SFaultKey {
    const char* key;
    uint32_t CModuleConfig::*member;
};

const SFaultKey kFaultKeys[] = {
    {"fail_open", &CModuleConfig::m_failOpen},
    {"fail_echo", &CModuleConfig::m_failEcho},
    {"fail_area_write", &CModuleConfig::m_failAreaWrite},
    {"fail_area_read", &CModuleConfig::m_failAreaRead},
    {"fail_hw_version", &CModuleConfig::m_failHwVersion},
    {"fail_product_info", &CModuleConfig::m_failProductInfo},
};

} // namespace

bool CModuleConfig::SetValue(const std::string& key, const std::string& value, std::string& error) {
    if (key == "product") {
        if (value.empty() || value.size() > kMaxProductName || !IsPrintableText(value)) {
            error = "product: 1 to 63 printable characters expected";
            return false;
        }
        m_product = value;
        return true;
    }
    if (key == "hw_code") {
        if (!ParseU32(value, m_hwCode)) {
            error = "hw_code: 32-bit number expected";
            return false;
        }
        return true;
    }
    for (const SFaultKey& fault : kFaultKeys) {
        if (key == fault.key) {
            if (!ParseFaultCount(value, this->*fault.member)) {
                error = key + ": count or \"always\" expected";
                return false;
            }
            return true;
        }
    }
    if (key == "bad_byte") {
        if (value == "none") {
            m_hasBadByte = false;
            m_badByteAddress = 0;
            return true;
        }
        uint32_t address = 0;
        if (!ParseU32(value, address) || address >= kFlashSize) {
            error = "bad_byte: flash address or \"none\" expected";
            return false;
        }
        m_hasBadByte = true;
        m_badByteAddress = address;
        return true;
    }
    if (key == "fail_read_addr") {
        uint32_t address = 0;
        if (value != "none" && (!ParseU32(value, address) || address >= kFlashSize)) {
            error = "fail_read_addr: flash address or \"none\" expected";
            return false;
        }
        m_hasFailReadAddress = value != "none";
        m_failReadAddress = address;
        return true;
    }
    if (key == "delay_ms") {
        if (!ParseU32(value, m_delayMs) || m_delayMs > 600000) {
            error = "delay_ms: 0 to 600000 expected";
            return false;
        }
        return true;
    }
    error = "unknown key: " + key;
    return false;
}

std::string CModuleConfig::Format() const {
    std::string text = "# Simulated module: identity and fault settings\n";
    text += "product = " + m_product + "\n";
    text += "hw_code = " + FormatHex32(m_hwCode) + "\n";
    for (const SFaultKey& fault : kFaultKeys)
        text += std::string(fault.key) + " = " + FormatFaultCount(this->*fault.member) + "\n";
    text += "bad_byte = " + (m_hasBadByte ? FormatHex32(m_badByteAddress) : std::string("none")) + "\n";
    text +=
        "fail_read_addr = " + (m_hasFailReadAddress ? FormatHex32(m_failReadAddress) : std::string("none")) +
        "\n";
    text += "delay_ms = " + std::to_string(m_delayMs) + "\n";
    return text;
}

bool CModuleConfig::Parse(const std::string& text, std::string& error) {
    *this = CModuleConfig();
    for (const SKeyValueLine& line : ReadKeyValueLines(text)) {
        if (!line.hasEquals) {
            error = "line " + std::to_string(line.number) + ": key = value expected";
            return false;
        }
        std::string lineError;
        if (!SetValue(line.key, line.value, lineError)) {
            error = "line " + std::to_string(line.number) + ": " + lineError;
            return false;
        }
    }
    return true;
}

bool TakeFault(uint32_t& counter) {
    if (counter == 0)
        return false;
    if (counter != kFaultAlways)
        --counter;
    return true;
}

CModuleIdentity CModuleIdentity::Default() {
    CModuleIdentity identity;
    ParseUuid("a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38", identity.m_uuid);
    const uint8_t mac[6] = {0x02, 0x4E, 0x45, 0x52, 0x41, 0x01};
    std::memcpy(identity.m_mac, mac, sizeof mac);
    return identity;
}

bool IsValidModuleName(const std::string& name) {
    if (name.empty() || name.size() > kMaxModuleName || name[0] == '.')
        return false;
    for (char c : name) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

bool ParseUuid(const std::string& text, uint8_t uuid[16]) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        return ParseUuidText(text.substr(1, 36), uuid);
    return ParseUuidText(text, uuid);
}

std::string FormatUuid(const uint8_t uuid[16]) {
    return TextFromUuid(uuid, EHexCase::kLower);
}

bool ParseMac(const std::string& text, uint8_t mac[6]) {
    std::vector<uint8_t> bytes;
    if (!BytesFromHexText(text, bytes) || bytes.size() != 6)
        return false;
    std::memcpy(mac, bytes.data(), 6);
    return true;
}

std::string FormatMac(const uint8_t mac[6]) {
    return HexFromBytes(mac, 6, ':');
}

bool ParseFirmwareVersion(const std::string& text, uint8_t version[3]) {
    size_t start = 0;
    for (int part = 0; part < 3; ++part) {
        size_t end = part < 2 ? text.find('.', start) : text.size();
        if (end == std::string::npos)
            return false;
        std::string number = text.substr(start, end - start);
        uint32_t value = 0;
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos ||
            !ParseU32(number, value) || value > 255)
            return false;
        version[part] = static_cast<uint8_t>(value);
        start = end + 1;
    }
    return true;
}

void MakeVersionRecord(uint32_t hwCode, const uint8_t version[3], uint8_t record[kVersionRecordSize]) {
    std::memset(record, kErasedByte, kVersionRecordSize);
    std::memset(record, 0, 4);
    StoreBE32(record + 4, hwCode);
    record[8] = 0;
    std::memcpy(record + 9, version, 3);
}

std::string FormatVersionRecord(const uint8_t record[kVersionRecordSize]) {
    if (LoadBE32(record) != 0)
        return std::string();
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u", static_cast<unsigned>(record[9]),
                  static_cast<unsigned>(record[10]), static_cast<unsigned>(record[11]));
    return text;
}

void MakeFactorySettings(const uint8_t mac[6], uint8_t area[kAreaSize]) {
    std::memset(area, kErasedByte, kAreaSize);
    StoreBE16(area + kSetFormat, 0);
    std::memcpy(area + kSetMac, mac, 6);
    StoreBE32(area + kSetIpAddress, 0);
    StoreBE16(area + kSetPort, kDefaultDevicePort);
    std::memcpy(area + kSetPassword, kNoPasswordDigest, sizeof kNoPasswordDigest);
    StoreBE16(area + kSetFlags, 0);
    StoreBE16(area + kSetServerPort, kDefaultServerPort);
}

std::string SettingsMacText(const uint8_t area[kAreaSize]) {
    if (LoadBE16(area + kSetFormat) != 0)
        return std::string();
    return FormatMac(area + kSetMac);
}

EPasswordState SettingsPasswordState(const uint8_t area[kAreaSize]) {
    if (LoadBE16(area + kSetFormat) != 0)
        return EPasswordState::kNotInitialised;
    const uint8_t* digest = area + kSetPassword;
    bool allErased = true;
    for (size_t i = 0; i < 32; ++i)
        allErased = allErased && digest[i] == kErasedByte;
    if (allErased || std::memcmp(digest, kNoPasswordDigest, 32) == 0)
        return EPasswordState::kNone;
    return EPasswordState::kSet;
}

void CopyField(char* field, size_t fieldSize, const std::string& text) {
    if (fieldSize == 0)
        return;
    size_t length = text.size() < fieldSize - 1 ? text.size() : fieldSize - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace nerasim
