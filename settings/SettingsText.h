#pragma once
// A settings record as NeraConfig's current-settings column shows it, one row per field, for a
// console: nera's info, get and set print these rows, and a batch's plan shows the rows that
// change. The password itself is never part of it, only whether one is set.

#include <cstdint>
#include <string>
#include <vector>

#include "settings/NeraSettings.h"
#include "settings/SettingsEditor.h"

struct SSettingsRow {
    const wchar_t* label;  // "IPアドレス"
    const wchar_t* member; // the JSON member of the field ("ipAddress")
    std::wstring value;    // as shown; empty for a blank field
};

std::vector<SSettingsRow> SettingsRows(const NeraSettings& settings);

// The rows as "label: value" lines, values from a module or a file made printable.
std::wstring SettingsText(const NeraSettings& settings);

// "192.168.0.10"
std::wstring AddressText(uint32_t address);

// The file that NeraConfig saves after "read into editor" with the module's password carried
// over: what get -o saves and a batch keeps as a module's backup. False when NeraConfig could
// not save it (record then as far as it was built).
bool SaveableRecord(const NeraSettings& device, NeraSettings& record, SEditorProblem& problem);
