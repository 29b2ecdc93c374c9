#pragma once
// Hexadecimal text of bytes and numbers, and bytes back from it: the one place that spells the
// digits, for the settings records, keys, identifiers and call logs of every program and of the
// simulated module.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class EHexCase { kUpper, kLower };

// Value of an ASCII hexadecimal digit of either case; -1 for any other character, wide
// characters beyond ASCII included.
int HexDigitValue(char c);
int HexDigitValue(wchar_t c);

// Two digits a byte, with separator between bytes unless it is '\0'.
std::string HexFromBytes(const uint8_t* bytes, size_t size, char separator = '\0',
                         EHexCase letters = EHexCase::kUpper);
std::wstring WideHexFromBytes(const uint8_t* bytes, size_t size, wchar_t separator = L'\0',
                              EHexCase letters = EHexCase::kUpper);

// The last `digits` hexadecimal digits of value (at most 8), most significant first, no prefix.
std::string HexFromNumber(uint32_t value, size_t digits, EHexCase letters = EHexCase::kUpper);
std::wstring WideHexFromNumber(uint32_t value, size_t digits, EHexCase letters = EHexCase::kUpper);

// Exactly 2 x size digits of either case and nothing else, into bytes. Any other text leaves
// bytes as they were and returns false.
bool BytesFromHex(const std::string& text, uint8_t* bytes, size_t size);
bool BytesFromHex(const std::wstring& text, uint8_t* bytes, size_t size);

// Digit pairs of any count; blanks (space, tab, CR, LF), ':' and '-' may stand between pairs,
// never inside one. False on any other character or an odd digit count.
bool BytesFromHexText(const std::string& text, std::vector<uint8_t>& out);
