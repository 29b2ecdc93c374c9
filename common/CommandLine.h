#pragma once
#include <string>

// The option search and token rule that all three programs share. An option is found by
// searching an upper-cased copy of the raw command line for its name (first occurrence,
// anywhere, even inside another argument); its value is the token that starts right after the
// name, skipping leading delimiters and ending before the next delimiter. The delimiters are
// blank, tab, carriage return, line feed and the double quote.

// Upper-cases a-z only, so that positions in the copy match positions in the original.
std::wstring UpperAscii(const std::wstring& text);

bool IsOptionDelimiter(wchar_t c);

// Cuts the token that starts at or after pos (delimiters skipped); empty when none.
std::wstring CutToken(const std::wstring& text, size_t pos);

// True when the upper-case name occurs in the command line in any letter case.
bool HasOption(const std::wstring& cmdLine, const std::wstring& upperName);

// When the option occurs, sets value to the token behind its first occurrence, with its case
// kept (possibly empty), and returns true.
bool FindOptionValue(const std::wstring& cmdLine, const std::wstring& upperName, std::wstring& value);

// Signed decimal conversion as the C runtime's atoi: leading blanks and a sign accepted,
// stops at the first non-digit, no digits gives 0; saturates at the 32-bit limits.
int ParseDecimalInt(const std::wstring& text);
