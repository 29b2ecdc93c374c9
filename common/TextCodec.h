#pragma once

#include <cstdint>
#include <string>

// Conversions between the program's UTF-16 texts and the process's ANSI (multibyte) code page,
// and the sockets library's address parser. The Windows build uses the system calls; the
// native build has equivalents for Japanese systems (code page 932) so the logic can be
// tested on Linux. Nothing here assumes the size of wchar_t.

// The value InetAddr returns when the text is not an address (the same as 255.255.255.255).
constexpr uint32_t kInetAddrNone = 0xFFFFFFFFu;

// Characters that have no form in the code page become '?'. Returns false only when the text
// cannot be converted at all; out is then empty.
bool WideToAnsi(const std::wstring& text, std::string& out);

// Byte sequences that are not valid in the code page become '?'. Returns false only when the
// text cannot be converted at all; out is then empty.
bool AnsiToWide(const std::string& text, std::wstring& out);

// Parses an IPv4 address the way inet_addr does (short forms such as "1.2", hexadecimal and
// octal parts) and returns it in network byte order as inet_addr does: copied to memory, the
// first octet comes first. kInetAddrNone when the text is not an address.
uint32_t InetAddr(const std::string& text);
