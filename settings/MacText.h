#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/NeraSettings.h"

// Turns the editor's MAC text into six bytes. An empty text gives six 0xFF (no MAC given).
// Otherwise the text is cut to its leading run of hexadecimal digits (the cut text is stored
// back into text, so the editor shows what was used), and the first 12 digits are read as six
// pairs. Fails, leaving mac unchanged, when fewer than 12 digits remain or all six bytes are
// zero.
bool ParseMacText(std::wstring& text, uint8_t mac[kMacSize]);

// Twelve upper-case hexadecimal digits, no separators.
std::wstring FormatMacText(const uint8_t mac[kMacSize]);

// A password digest carried over without the password: 64 upper-case hexadecimal digits.
std::wstring FormatDigestHex(const uint8_t digest[kPasswordDigestSize]);

// Reads a carried-over digest back: 32 pairs from the start of the text. A pair counts by its
// leading hexadecimal digits (none gives 0), and a pair beyond the end of the text gives 0.
void ParseDigestHex(const std::wstring& text, uint8_t digest[kPasswordDigestSize]);
