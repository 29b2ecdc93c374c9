#pragma once
// Paths handed to the system, whole-file reads, and whole-file writes that never leave a
// partial file. Used by
// the dialog framework, the updater, nera and nerapack, so that none of them has a limit of its
// own on the length of a name that comes from outside.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The name to give the system for a path: a full path too long for the plain form (MAX_PATH
// less 12 characters or more, the limit for a new folder) in the extended form "\\?\C:\..." or
// "\\?\UNC\server\...", which has no such limit; any other path as it is.
std::wstring SystemPathOf(const std::wstring& path);

// Creates or replaces path as a whole: writes a new file of a unique name in the same folder,
// then moves it over path. A failure leaves path as it was and removes the new file; error is
// then the system's error code of the failed step.
bool WriteWholeFile(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error);

// The same for a file that must not exist yet: an existing one is never replaced (the rename
// fails with ERROR_ALREADY_EXISTS) and stays as it was.
bool WriteNewFile(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error);

// Appends to the end of a file (made when missing) and flushes it to the disk before returning,
// so that what was appended survives a power cut.
bool AppendToFile(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error);

// Replaces the contents of the existing file at path in the file itself, so that it keeps what
// belongs to it: every hard link, a symbolic link and its target, owner, permissions and
// attributes. A read-only file is refused (ERROR_ACCESS_DENIED) before anything is opened;
// when a step of the write fails the old bytes go back. error is the failed step's code.
bool WriteFileInPlace(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error);

// How ReadWholeFile treats a file: shared with other readers and writers or held alone while it
// is read, and refused or cut when it is larger than the limit.
enum EReadFileMode : unsigned {
    kReadShared = 0,
    kReadExclusive = 1,  // no other program may have the file open
    kReadFirstBytes = 2, // a larger file gives its first maxBytes instead of a refusal
};

enum class EReadFileResult { kOk, kCannotOpen, kCannotRead, kTooLarge };

// Reads the file at path into data: the whole file of at most maxBytes. On a failure data is
// empty and error holds the system's error code of the failed step (none for kTooLarge).
EReadFileResult ReadWholeFile(const std::wstring& path, size_t maxBytes, unsigned mode,
                              std::vector<uint8_t>& data, DWORD& error);
