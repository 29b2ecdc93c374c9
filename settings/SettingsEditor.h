#pragma once
// NeraConfig's settings editor without its window: what the two columns show for a record, how
// the new column becomes a record with its checks and messages, and how a collected record is
// sent to a module. The main dialog moves these values between its controls and the functions
// below; the console tool fills them from a file and its options. Both therefore accept,
// refuse and build records alike.

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/NeraSettings.h"

// Limits of the exchanged fields of the new column.
constexpr size_t kMaxHostChars = 31;
constexpr size_t kMaxMacChars = 12;
constexpr unsigned int kMinPortValue = 1;
constexpr unsigned int kMaxPortValue = 65535;

// Messages and questions of the editor and of writing to a module.
extern const wchar_t kInvalidMacMessage[];
extern const wchar_t kNoServerMessage[];
extern const wchar_t kHostTooLongMessage[];
extern const wchar_t kFirstDeviceQuestion[];
extern const wchar_t kMacChangeQuestion[];
extern const wchar_t kWriteFailedMessage[];
extern const wchar_t kWriteDoneMessage[];

// The fields of a column, in the order of the dialog's rows.
enum class EEditorField {
    kNone,
    kMac,
    kPort,
    kIpAddress,
    kSubnetMask,
    kGateway,
    kDnsServer,
    kNtpServer,
    kPassword,
    kClientMode,
    kServer,
    kServerPort,
};

// One column's values as the dialog holds them: exchanged members and IP-address control values
// (first octet in the most significant byte, 0 = blank control).
struct SEditorFields {
    std::wstring macText;
    unsigned int port = kDefaultPort;
    bool dhcp = true;
    uint32_t ipAddress = 0;
    uint32_t subnetMask = 0;
    uint32_t gateway = 0;
    bool dnsAuto = true;
    uint32_t dnsServer = 0;
    std::wstring ntpServer;
    // A typed password, or a digest carried over as 64 hex digits (the read-only field).
    std::wstring password;
    bool passwordIsDigest = false;
    bool clientMode = false;
    std::wstring server;
    unsigned int serverPort = kDefaultServerPort;
};

// Addresses that ticking DHCP or DNS automatic emptied, so that unticking the box brings them
// back. 0 means nothing remembered (a blank field or 0.0.0.0 is never brought back).
struct SRememberedAddresses {
    uint32_t ipAddress = 0;
    uint32_t subnetMask = 0;
    uint32_t gateway = 0;
    uint32_t dnsServer = 0;
};

// The whole new column as one value: its fields, whether the password field holds a carried-over
// digest (fields.passwordIsDigest), and the addresses its two boxes remember.
struct SEditorState {
    SEditorFields fields;
    SRememberedAddresses remembered;
};

// Why a column could not become a record: the message the user sees and the field it concerns.
// focus tells whether the dialog moves the focus there (it does for the checks of the data
// exchange and the name length, not for the MAC and the missing server).
struct SEditorProblem {
    std::wstring message;
    EEditorField field = EEditorField::kNone;
    bool focus = false;
};

// What a column shows for a record: MAC text only when the MAC is valid; a static address with
// its mask and gateway, or DHCP with the three blank; DNS automatic when DHCP is on and no DNS
// server is stored; host fields decoded. The password is never part of it.
SEditorFields EditorFieldsFromRecord(const NeraSettings& settings);

// The new column filled from a record: the fields of EditorFieldsFromRecord; an address the
// record leaves blank under a ticked box is forgotten. The password field is left as it is.
void LoadEditorRecord(SEditorState& editor, const NeraSettings& settings);

// Ticking DHCP empties the address, mask and gateway (remembering them) and ticks DNS
// automatic; unticking brings remembered addresses back and unticks DNS automatic.
void SwitchDhcp(SEditorState& editor, bool dhcpOn);

// Ticking DNS automatic empties the DNS server (remembering it); unticking brings it back.
void SwitchDnsAuto(SEditorState& editor, bool dnsAuto);

// The password field in its carried-over state: the digest as 64 hex digits, read only.
void CarryPasswordDigest(SEditorFields& fields, const uint8_t digest[kPasswordDigestSize]);

// The save direction of the data exchange for values that are already numbers and texts: the
// port range, the lengths of the NTP server, MAC and server texts, the server-port range, in
// the exchange's order. The dialog's own exchange makes these checks on its controls.
bool CheckExchangedFields(const SEditorFields& fields, SEditorProblem& problem);

// Builds the record from the new column after the data exchange. The MAC text is cut to its
// leading hex digits and stored back into fields. Refuses an invalid MAC and a host name longer
// than its 32-byte field with the record untouched, and client mode without a server after the
// fields before it were stored. Bytes the column does not hold (reserved, the rest of a host
// field holding an address) keep what settings held.
bool CollectEditorSettings(SEditorFields& fields, NeraSettings& settings, SEditorProblem& problem);

// After a module's record was read: outside MAC edit mode the new column takes the module's MAC
// when it is valid. Returns true when macText was replaced.
bool TakeDeviceMac(const NeraSettings& device, bool macEdit, std::wstring& macText);

// True when writing the record would change the module's MAC, which the user must confirm.
bool WriteChangesMac(const NeraSettings& next, const NeraSettings& current);

// A MAC a module can be found by on a network: neither all 0xFF, nor all zero, nor multicast
// (the low bit of the first byte).
bool IsUsableMac(const uint8_t mac[kMacSize]);

// True when a record sent to or read from a module carries a password: a digest other than
// "no password" in either form (the module's NoPasswordDigest, the editor's 32 x 0xFF).
bool HasModulePassword(const NeraSettings& settings);

// The 128 bytes sent to the module: the collected record, with the editor's "no password"
// (32 x 0xFF) replaced by the module's NoPasswordDigest.
NeraSettings DeviceWriteRecord(const NeraSettings& collected);
