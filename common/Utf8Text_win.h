#pragma once
// UTF-8 text that must be read whatever its bytes (paths, settings lines, labels from files and
// the environment), through the system's own conversion.

#include <string>

// Wide text of UTF-8 bytes. Invalid sequences are not refused: the system puts U+FFFD in their
// place. "" for empty text or when the system cannot convert at all.
std::wstring WideFromUtf8(const std::string& text);
