#pragma once
// What "set" changes in a settings record, and the rules a record from a settings file or its
// JSON form must pass, with those changes, before it may go to a module. nera's options and the
// columns of a batch table name the same changes with the same words and the same values, and a
// record is accepted or refused alike whichever way it came, so both faces start from here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/NeraSettings.h"
#include "settings/SettingsEditor.h"

// The changes, by the name they have as an option ("--" and the name) and as a table column.
enum class ESettingOption {
    kIp,
    kDhcp,
    kMask,
    kGateway,
    kDns,
    kDnsAuto,
    kNtp,
    kPort,
    kServer,
    kServerPort,
    kClient,
    kPassword,
    kNoPassword,
    kMac,
};

struct SSettingOptionName {
    const wchar_t* name; // without the leading "--"
    ESettingOption option;
    bool takesValue; // false: a switch
};

// The change of that name ("ip", "no-password"), or nullptr.
const SSettingOptionName* FindSettingOption(const std::wstring& name);
// The name of a change, without "--".
const wchar_t* SettingOptionName(ESettingOption option);

// What set changes in the settings it starts from; a change not given changes nothing.
// Addresses have the first octet in the most significant byte.
struct SSettingsChanges {
    std::optional<uint32_t> ipAddress;
    bool dhcp = false;
    std::optional<uint32_t> subnetMask;
    std::optional<uint32_t> gateway;
    std::optional<uint32_t> dnsServer;
    bool dnsAuto = false;
    std::optional<std::wstring> ntpServer;
    std::optional<unsigned int> port;
    std::optional<std::wstring> server;
    std::optional<unsigned int> serverPort;
    std::optional<bool> clientMode;
    // Never written to any output.
    std::optional<std::wstring> password;
    bool noPassword = false;
    std::optional<std::wstring> mac; // the MAC to write, 12 upper-case hex digits
};

// Reads one change's value into changes (a switch takes an empty value). On failure message
// says why, without the change's name (the caller puts the option or column before it) and
// without repeating the value, so that a password never reaches a message.
bool ApplySettingValue(ESettingOption option, const std::wstring& value, SSettingsChanges& changes,
                       std::wstring& message);

// Changes that cannot stand together; prefix goes before each name in the message ("--" for
// options, "" for table columns).
bool CheckSettingsChanges(const SSettingsChanges& changes, const wchar_t* prefix, std::wstring& message);

// A settings file as set takes it: the 130 bytes NeraConfig saves, or the JSON object that get
// --json and convert --json write, in UTF-8 or, with its byte-order mark, UTF-16 (what some
// editors and shells save).
struct SSettingsSource {
    NeraSettings record{};
    uint16_t macEditFlag = 0;
    bool json = false;
    bool macFromModule = false; // JSON "mac": null
};

// Reads the bytes of a settings file (jsonOnly: as JSON whatever they start with). On failure
// message says why, without the file's name.
bool ReadSettingsSource(const std::vector<uint8_t>& data, bool jsonOnly, SSettingsSource& source,
                        std::wstring& message);

// The new column that set makes from a file and its changes: the editor as opening the file
// leaves it, with the changes made as the dialog's controls would make them.
struct SSetPlan {
    SEditorFields fields;
    NeraSettings base{};  // the file's record, which the column is collected into
    bool macEdit = false; // the MAC is the one the changes name, not the module's
};

// Why set refuses: the field concerned (kNone for the file as a whole), the message, and whether
// the changes set that field (else its value came from the file).
struct SSetProblem {
    EEditorField field = EEditorField::kNone;
    std::wstring message;
    bool fromChanges = false;
};

// Builds the plan and checks it as NeraConfig's dialog checks its new column, and beyond the
// dialog: a file whose format word is not 0 is refused (NeraConfig would show the default record
// instead), and a static address needs a subnet mask. prefix is as for CheckSettingsChanges.
bool PrepareSettingsWrite(const SSettingsSource& source, const SSettingsChanges& changes,
                          const wchar_t* prefix, SSetPlan& plan, SSetProblem& problem);

// A file that names a MAC of its own (JSON "mac", or a settings file saved in MAC edit mode)
// other than the module's, without changes.mac: refused, never silently replaced by the module's.
bool CheckSourceMac(const SSettingsSource& source, const SSettingsChanges& changes,
                    const NeraSettings& module, const wchar_t* prefix, std::wstring& message);

// The JSON member that holds a field of the new column ("subnetMask").
const wchar_t* JsonMemberOfField(EEditorField field);
