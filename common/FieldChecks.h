#pragma once
// The checks that a dialog's data exchange makes on a field's text, without a window: an
// unsigned decimal number within a range, a text within a length. The dialog framework parses
// with the same function, and the console tool checks its option values with these, so both
// accept the same texts and refuse them with the same messages.

#include <cstddef>
#include <cstdint>
#include <string>

// Reads an unsigned decimal number as the exchange does: optional blanks around the digits,
// no sign, no other characters, at most 4294967295.
bool ParseUnsignedDecimal(const std::wstring& text, unsigned int& value);

// Replaces %1 and %2 in a pattern. The arguments are inserted as plain text and never
// interpreted, so outside text cannot act as a format.
std::wstring FormatPlaceholders(const std::wstring& pattern, const std::wstring& arg1,
                                const std::wstring& arg2);

// A number field: the text must be an unsigned decimal number within minValue..maxValue.
// On failure message holds the exchange's message ("正の整数を入力してください。" or the
// range message) and value is unchanged.
bool CheckUnsignedField(const std::wstring& text, unsigned int minValue, unsigned int maxValue,
                        unsigned int& value, std::wstring& message);

// The range check alone, for a value that is already a number.
bool CheckUnsignedRange(unsigned int value, unsigned int minValue, unsigned int maxValue,
                        std::wstring& message);

// A text field of at most maxChars characters (UTF-16 units, as an edit control counts).
bool CheckTextLength(const std::wstring& text, size_t maxChars, std::wstring& message);

// Reads "A.B.C.D", four decimal numbers 0-255, into a value with A in the most significant byte.
bool ParseDottedAddress(const std::wstring& text, uint32_t& address);

// Reads a MAC as six hex pairs, separated by ':' or '-' throughout or not at all, into the 12
// upper-case digits that NeraConfig's MAC field holds.
bool ParseMacOption(const std::wstring& text, std::wstring& digits);
