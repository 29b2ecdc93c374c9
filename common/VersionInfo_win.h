#pragma once
#include <string>

// One string of a file's version resource, read under the first translation the resource
// lists: "FileVersion", or "ProductVersion" when productVersion is set. Empty when anything is
// missing; it never fails otherwise.
std::wstring GetVersionInfoString(const std::wstring& path, bool productVersion = false);
