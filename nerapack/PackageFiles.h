#pragma once
// The few file services that the nerapack tool needs. Paths are UTF-8 text;
// PackageFiles_posix.cpp and PackageFiles_win.cpp implement them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class EReadFile { kOk, kUnreadable, kTooLarge };

// Reads a whole regular file of at most maxLength bytes. On kUnreadable, reason says why.
EReadFile PfReadFile(const std::string& path, size_t maxLength, std::vector<uint8_t>& data,
                     std::string& reason);

// True when both paths name one existing file (by identity, not by spelling).
bool PfSameFile(const std::string& a, const std::string& b);

// Creates or replaces path as a whole: writes a temporary file in the same folder, then
// renames it over path, so that a failure leaves no partial file and path is untouched.
// An executable file gets the execute permission where the file system has one.
bool PfWriteFile(const std::string& path, const std::vector<uint8_t>& data, bool executable,
                 std::string& reason);

// Bytes from the system's random source; false when it cannot give them.
bool PfRandomBytes(uint8_t* out, size_t length);
