#pragma once
// Product identifiers: 16 bytes whose first three fields are kept least significant first,
// written as 8-4-4-4-12 hexadecimal digits with every field most significant first. The
// updater, the nera tool and the simulated module read and write them alike.

#include <cstdint>
#include <string>

#include "common/HexText.h"

// Exactly "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" in digits of either case, nothing around it.
// uuid is written only when the whole text is right.
bool ParseUuidText(const std::wstring& text, uint8_t uuid[16]);
bool ParseUuidText(const std::string& text, uint8_t uuid[16]);

// The text form of the 16 bytes, in the letter case asked for.
std::string TextFromUuid(const uint8_t uuid[16], EHexCase letters);
std::wstring WideTextFromUuid(const uint8_t uuid[16], EHexCase letters);
