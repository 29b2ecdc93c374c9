#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/ByteOrder.h"
#include "settings/Sha256.h"

// Size and layout of the record; offsets are from the start of the record.
constexpr size_t kNeraSettingsSize = 128;
constexpr size_t kFormatOffset = 0;
constexpr size_t kMacOffset = 2;
constexpr size_t kIpAddressOffset = 8;
constexpr size_t kGatewayOffset = 12;
constexpr size_t kSubnetMaskOffset = 16;
constexpr size_t kPortOffset = 20;
constexpr size_t kPasswordDigestOffset = 22;
constexpr size_t kDnsServerOffset = 54;
constexpr size_t kReservedOffset = 58;
constexpr size_t kNtpServerOffset = 60;
constexpr size_t kFlagsOffset = 92;
constexpr size_t kServerOffset = 94;
constexpr size_t kServerPortOffset = 126;

constexpr size_t kMacSize = 6;
constexpr size_t kPasswordDigestSize = 32;
constexpr size_t kReservedSize = 2;
constexpr size_t kHostFieldSize = 32;

// Bit of flags: the module connects out to server:serverPort.
constexpr uint16_t kClientModeFlag = 0x0004;
// The module's read/write area that holds the record.
constexpr int kSettingsArea = 6;
// Module port of the default record.
constexpr uint16_t kDefaultPort = 49152;
// Server port of the default record unless the command line names another.
constexpr uint16_t kDefaultServerPort = 50176;

// Digest a module holds when no password is set: the SHA-256 digest of the empty byte string.
inline constexpr uint8_t NoPasswordDigest[kPasswordDigestSize] = {
    0xE3, 0xB0, 0xC4, 0x42, 0x98, 0xFC, 0x1C, 0x14, 0x9A, 0xFB, 0xF4, 0xC8, 0x99, 0x6F, 0xB9, 0x24,
    0x27, 0xAE, 0x41, 0xE4, 0x64, 0x9B, 0x93, 0x4C, 0xA4, 0x95, 0x99, 0x1B, 0x78, 0x52, 0xB8, 0x55};

// The module's network-settings record: the same 128 bytes in the module's area, in a
// settings file and in memory. The bytes are the only member, so the record can be read and
// written as a block; the accessors convert byte order at each access. Addresses are passed as
// 32-bit values with the first octet in the most significant byte.
struct NeraSettings {
    uint8_t bytes[kNeraSettingsSize];

    uint16_t Format() const { return LoadBE16(bytes + kFormatOffset); }
    void SetFormat(uint16_t value) { StoreBE16(bytes + kFormatOffset, value); }

    uint8_t* Mac() { return bytes + kMacOffset; }
    const uint8_t* Mac() const { return bytes + kMacOffset; }

    uint32_t IpAddress() const { return LoadBE32(bytes + kIpAddressOffset); }
    void SetIpAddress(uint32_t value) { StoreBE32(bytes + kIpAddressOffset, value); }

    uint32_t Gateway() const { return LoadBE32(bytes + kGatewayOffset); }
    void SetGateway(uint32_t value) { StoreBE32(bytes + kGatewayOffset, value); }

    uint32_t SubnetMask() const { return LoadBE32(bytes + kSubnetMaskOffset); }
    void SetSubnetMask(uint32_t value) { StoreBE32(bytes + kSubnetMaskOffset, value); }

    uint16_t Port() const { return LoadBE16(bytes + kPortOffset); }
    void SetPort(uint16_t value) { StoreBE16(bytes + kPortOffset, value); }

    uint8_t* PasswordDigest() { return bytes + kPasswordDigestOffset; }
    const uint8_t* PasswordDigest() const { return bytes + kPasswordDigestOffset; }

    uint32_t DnsServer() const { return LoadBE32(bytes + kDnsServerOffset); }
    void SetDnsServer(uint32_t value) { StoreBE32(bytes + kDnsServerOffset, value); }

    uint8_t* Reserved() { return bytes + kReservedOffset; }
    const uint8_t* Reserved() const { return bytes + kReservedOffset; }

    uint8_t* NtpServer() { return bytes + kNtpServerOffset; }
    const uint8_t* NtpServer() const { return bytes + kNtpServerOffset; }

    uint16_t Flags() const { return LoadBE16(bytes + kFlagsOffset); }
    void SetFlags(uint16_t value) { StoreBE16(bytes + kFlagsOffset, value); }

    uint8_t* Server() { return bytes + kServerOffset; }
    const uint8_t* Server() const { return bytes + kServerOffset; }

    uint16_t ServerPort() const { return LoadBE16(bytes + kServerPortOffset); }
    void SetServerPort(uint16_t value) { StoreBE16(bytes + kServerPortOffset, value); }

    bool IsClientMode() const { return (Flags() & kClientModeFlag) != 0; }
};

static_assert(sizeof(NeraSettings) == kNeraSettingsSize, "the record must be exactly 128 bytes");
static_assert(kServerPortOffset + 2 == kNeraSettingsSize, "the last field must end the record");

inline bool operator==(const NeraSettings& a, const NeraSettings& b) {
    return std::memcmp(a.bytes, b.bytes, kNeraSettingsSize) == 0;
}
inline bool operator!=(const NeraSettings& a, const NeraSettings& b) {
    return !(a == b);
}

// The record that stands for an area with nothing stored: all 0xFF, then format 0, port
// 49152, DHCP, flags 0, MAC all zero and the given server port.
void MakeDefaultSettings(NeraSettings& settings, uint16_t defaultServerPort);

// Cleans up a record read from a module or a file before it is shown: a record whose format
// word is not 0 becomes the default record; an erased flags word (0xFFFF) becomes 0.
void NormalizeDeviceSettings(NeraSettings& settings, uint16_t defaultServerPort);

// A MAC is usable unless it is all 0xFF or all 0x00.
bool IsValidMac(const uint8_t mac[kMacSize]);

// False when the digest is 32 bytes of 0xFF, the editor's and the file's "no password".
bool IsPasswordDigestSet(const uint8_t digest[kPasswordDigestSize]);

// False when the digest is the module's no-password value NoPasswordDigest.
bool IsPasswordEnabled(const uint8_t digest[kPasswordDigestSize]);

// SHA-256 of the password's ANSI (multibyte) form, without a terminating zero.
Sha256Digest ComputePasswordDigest(const std::wstring& password);

// Stores a host text into a 32-byte host field: empty text gives the not-set form (32 x 0xFF);
// a text the address parser accepts gives 00 00 and the address in bytes 2-5, leaving bytes
// 6-31 as they were; any other text is stored as a name in the ANSI code page, cut at 32
// bytes and zero-padded. Returns false, leaving the field unchanged, when the text cannot be
// converted to the code page.
bool EncodeHostField(const std::wstring& text, uint8_t field[kHostFieldSize]);

// The text of a host field: the name, the address as "a.b.c.d", or empty when not set.
std::wstring DecodeHostField(const uint8_t field[kHostFieldSize]);

// True when the text's ANSI form fits a host field whole (at most 32 bytes); a longer name is
// cut by EncodeHostField, so the dialog can warn before storing it.
bool HostTextFitsField(const std::wstring& text);
