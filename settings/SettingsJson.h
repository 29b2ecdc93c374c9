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
// macEditFlag (a settings file) the object ends with "macEdit".
std::string SettingsToJson(const NeraSettings& settings, const uint16_t* macEditFlag);

// Reads the object back. Every field must be present exactly once, with no other member; the
// flag may be left out and is then 0 (a settings file saved in normal mode). On failure message
// says where and why, with names from the text made printable; settings and the flag are then
// unchanged.
bool SettingsFromJson(const std::string& text, NeraSettings& settings, uint16_t& macEditFlag,
                      std::wstring& message);
