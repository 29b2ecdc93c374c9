#pragma once
// UTF-8 and the programs' wide texts (UTF-16 on Windows, where wchar_t has 16 bits; UTF-32
// elsewhere): the strict reader for text that must be valid, and the writer. Text that must be
// read whatever its bytes goes through WideFromUtf8 of Utf8Text_win.h.

#include <cstddef>
#include <cstdint>
#include <string>

// One UTF-8 sequence starting at text[pos], in its shortest form, no surrogate, nothing above
// U+10FFFF. Sets codePoint and length (1 to 4 bytes) and returns true; false for anything else,
// a sequence cut short by the end of the text included.
bool DecodeUtf8Char(const std::string& text, size_t pos, uint32_t& codePoint, size_t& length);

// Appends one code point: as a surrogate pair above U+FFFF where wchar_t has 16 bits.
void AppendCodePoint(std::wstring& out, uint32_t codePoint);

// The whole text read by DecodeUtf8Char. False, with out empty, at the first invalid sequence.
bool StrictWideFromUtf8(const std::string& text, std::wstring& out);

// UTF-8 of a wide text. A surrogate without its partner, or a value above U+10FFFF, becomes
// U+FFFD, as the system's conversion makes it.
std::string Utf8FromWide(const std::wstring& text);
