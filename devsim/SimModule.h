#pragma once
// What one simulated module is: its identity (set when it is made), its fault settings (the
// text file module.txt), the factory contents of its areas and flash, and the text forms
// that the tool and the product-information window show.

#include <cstddef>
#include <cstdint>
#include <string>

#include "devsim/SimFlash.h"

namespace nerasim {

// Fault counter value meaning "every call fails".
constexpr uint32_t kFaultAlways = 0xFFFFFFFFu;
constexpr size_t kMaxProductName = 63;
constexpr size_t kMaxModuleName = 32;
constexpr uint32_t kDefaultHwCode = 0x40010001u;
constexpr uint16_t kDefaultDevicePort = 49152;
constexpr uint16_t kDefaultServerPort = 50176;

// Identity and fault settings of a module, kept as "key = value" lines in module.txt.
// Fault counters: 0 = off, N = the next N calls fail (counted down), kFaultAlways = always.
class CModuleConfig {
public:
    std::string m_product = "Nera5120";
    uint32_t m_hwCode = kDefaultHwCode;
    uint32_t m_failOpen = 0;
    uint32_t m_failEcho = 0;
    uint32_t m_failAreaWrite = 0;
    uint32_t m_failAreaRead = 0;
    uint32_t m_failHwVersion = 0;
    uint32_t m_failProductInfo = 0;
    bool m_hasBadByte = false;
    uint32_t m_badByteAddress = 0;
    // A flash read whose 128-byte unit holds this address fails with nothing read.
    bool m_hasFailReadAddress = false;
    uint32_t m_failReadAddress = 0;
    uint32_t m_delayMs = 0;

    // Sets one key from its text; false with a message for an unknown key or a bad value.
    bool SetValue(const std::string& key, const std::string& value, std::string& error);
    std::string Format() const;
    // Reads module.txt text. Blank lines and '#' comments are skipped; unknown keys are an error.
    bool Parse(const std::string& text, std::string& error);
};

// Counts one use of a fault counter down. True when this call is to fail.
bool TakeFault(uint32_t& counter);

// What a new module is made with.
class CModuleIdentity {
public:
    std::string m_product = "Nera5120";
    uint32_t m_hwCode = kDefaultHwCode;
    uint8_t m_uuid[16] = {};
    uint8_t m_mac[6] = {};
    uint8_t m_firmware[3] = {5, 6, 0};
    bool m_erasedSettings = false; // area 6 erased instead of a factory settings record

    // The identity of the module that a new store gets.
    static CModuleIdentity Default();
};

// Module names are folder names: 1-32 of A-Z a-z 0-9 . _ -, not starting with '.'.
bool IsValidModuleName(const std::string& name);

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (braces allowed) into the 16-byte form whose first
// three fields are least significant byte first.
bool ParseUuid(const std::string& text, uint8_t uuid[16]);
// Lower-case text form of the 16-byte form.
std::string FormatUuid(const uint8_t uuid[16]);

// Six hex pairs, optionally separated by ':' or '-'.
bool ParseMac(const std::string& text, uint8_t mac[6]);
// "02:4E:45:52:41:01".
std::string FormatMac(const uint8_t mac[6]);

// "major.minor.patch", each 0-255.
bool ParseFirmwareVersion(const std::string& text, uint8_t version[3]);

// The version record at flash 0x8000: four zero bytes, hardware code, one reserved byte, version.
void MakeVersionRecord(uint32_t hwCode, const uint8_t version[3], uint8_t record[kVersionRecordSize]);
// "5.6.0" from a valid record, "" when its first word is not zero.
std::string FormatVersionRecord(const uint8_t record[kVersionRecordSize]);

// SHA-256 of the empty byte string: what the module holds when no password is set.
extern const uint8_t kNoPasswordDigest[32];

// Factory network-settings record for area 6: the default settings with this MAC.
void MakeFactorySettings(const uint8_t mac[6], uint8_t area[kAreaSize]);

// MAC of a settings record, "" unless the record is initialised (format word 0).
std::string SettingsMacText(const uint8_t area[kAreaSize]);

enum class EPasswordState { kNotInitialised, kNone, kSet };
EPasswordState SettingsPasswordState(const uint8_t area[kAreaSize]);

// Plain data about an open module, for the product-information window. Fixed-size fields,
// so that it can be handed between the two libraries (the store folder, of any length, is
// asked for on its own).
struct SProductInfo {
    char product[kMaxProductName + 1];
    char module[kMaxModuleName + 1];
    uint32_t hwCode;
    uint8_t versionRecord[kVersionRecordSize];
    uint8_t settings[kAreaSize];
    uint8_t identity[kAreaSize];
};

// Copies text into a fixed field, cut to fit and always zero-terminated.
void CopyField(char* field, size_t fieldSize, const std::string& text);

} // namespace nerasim
