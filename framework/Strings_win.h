#pragma once
#include <windows.h>

#include <string>

#include "common/FieldChecks.h" // FormatPlaceholders

// Loads a string resource of the running program; empty when the string does not exist.
std::wstring LoadResString(UINT id);

// Replaces %1 (and %2) in a resource string. The arguments are inserted as plain text and
// never interpreted, so outside text cannot act as a format.
std::wstring AfxFormatString1(UINT id, const std::wstring& arg1);
std::wstring AfxFormatString2(UINT id, const std::wstring& arg1, const std::wstring& arg2);
