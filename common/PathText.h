#pragma once
// Pieces of a path by the Windows rule that every program and the simulated module follow: '\'
// and '/' both end a folder name, and so does a drive "X:" that no separator follows. Nothing
// here touches the file system.

#include <cstddef>
#include <string>

// Where the file name starts: after the last separator, else after a leading drive "X:", else 0.
size_t FileNameOffset(const std::wstring& path);

// The folder part up to and including its last separator (or the drive), ready for a name to be
// appended; "" for a bare name.
std::wstring FolderOfPath(const std::wstring& path);

// The file name with its extension; "" for a path that ends in a separator.
std::wstring FileNameOfPath(const std::wstring& path);

// The file name without its extension: "NeraConfig" for "C:\Tools\NeraConfig.exe". The
// extension starts at the last '.' of the file name; a dot in a folder name does not count.
std::wstring NameWithoutExtension(const std::wstring& path);

// The whole path without the extension of its file name.
std::wstring PathWithoutExtension(const std::wstring& path);

// The folder that holds the last part of the path, without a trailing separator: everything
// before the last separator, "" when there is none ("C:" for "C:\x").
std::string ParentOfPath(const std::string& path);
