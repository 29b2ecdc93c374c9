#pragma once
// Paths handed to the system, and whole-file writes that never leave a partial file. Used by
// the dialog framework, the updater, nera and nerapack, so that none of them has a limit of its
// own on the length of a name that comes from outside.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The name to give the system for a path: a full path too long for the plain form (MAX_PATH
// less 12 characters or more, the limit for a new folder) in the extended form "\\?\C:\..." or
// "\\?\UNC\server\...", which has no such limit; any other path as it is.
std::wstring SystemPathOf(const std::wstring& path);

// Creates or replaces path as a whole: writes a new file of a unique name in the same folder,
// then moves it over path. A failure leaves path as it was and removes the new file; error is
// then the system's error code of the failed step.
bool WriteWholeFile(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error);
