#pragma once
// Text from outside made safe for a console or a log line.

#include <string>

// Text from outside (a file, a module, an argument) made safe to print: control characters
// (C0, DEL, C1) as \uXXXX, so that no byte of it can move the cursor or retitle a console.
std::wstring PrintableText(const std::wstring& text);
