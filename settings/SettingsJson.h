#pragma once
// A settings record (and a settings file's MAC-edit flag) as a JSON object, for review and
// version control. The text names the fields as the record does and shows them readably where
// that loses nothing: addresses as A.B.C.D, the MAC and byte fields as hex, host fields as
// their text, or as {"hex": ...} when the text would not give the same 32 bytes back. Reading
// the text back therefore gives the same bytes. The text is plain ASCII (other characters as
// \u escapes), so it reads the same in every code page.

#include <cstdint>
#include <string>

#include "settings/NeraSettings.h"

// The JSON object, two-space indented, one field per line, ending in a line feed. With
// macEditFlag (a settings file) the object goes on with "macEdit"; with erased (a record read
// from a module) it ends with "erased", true when the module's area held no record.
std::string SettingsToJson(const NeraSettings& settings, const uint16_t* macEditFlag,
                           const bool* erased = nullptr);

// The members that are not bytes of the record or the file.
struct SSettingsJsonExtras {
    bool macFromModule = false; // "mac": null: the MAC of the module written to stays
    bool erased = false;        // "erased": true, as get --json shows an erased area
};

// Reads the object back. Every field must be present exactly once, with no other member; the
// flag may be left out and is then 0 (a settings file saved in normal mode), and so may
// "erased". "mac" may be null, which reads as an all-zero MAC (one NeraConfig never takes).
// On failure message says where and why, with names from the text made printable; settings,
// the flag and extras are then unchanged.
bool SettingsFromJson(const std::string& text, NeraSettings& settings, uint16_t& macEditFlag,
                      std::wstring& message, SSettingsJsonExtras* extras = nullptr);
