#pragma once
// The few file-system, environment and locking services that the simulated module needs.
// Paths are UTF-8 text; SimFs_posix.cpp and SimFs_win.cpp implement them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nerasim {

// Separator that joined paths use on this platform ('/' or '\\'); both are accepted as input.
char FsSeparator();
std::string FsJoin(const std::string& folder, const std::string& name);

bool FsReadAll(const std::string& path, std::string& data);
// Replaces the file as a whole: writes a temporary file beside it, then renames it over.
bool FsWriteAllAtomic(const std::string& path, const std::string& data);
// Reads exactly length bytes at offset; false if the file is shorter.
bool FsReadAt(const std::string& path, uint64_t offset, uint8_t* buffer, size_t length);
// Writes length bytes at offset of an existing file.
bool FsWriteAt(const std::string& path, uint64_t offset, const uint8_t* data, size_t length);
bool FsFileSize(const std::string& path, uint64_t& size);
// Appends text with one write, creating the file if needed, so that lines of several
// processes do not interleave.
bool FsAppend(const std::string& path, const std::string& text);

bool FsIsDirectory(const std::string& path);
// Creates the folder and any missing parents; true if it exists afterwards.
bool FsMakeDirectories(const std::string& path);
// Names of the sub-folders, in no particular order.
bool FsListSubfolders(const std::string& path, std::vector<std::string>& names);
// Removes a folder that holds only plain files.
bool FsRemoveFolder(const std::string& path);

// Value of an environment variable, "" when unset.
std::string FsGetEnv(const char* name);
// Sets a variable of this process; "" removes it.
bool FsSetEnv(const char* name, const std::string& value);
// Per-user places: the default store folder and the library's settings file.
std::string FsDefaultStoreFolder();
std::string FsDefaultSettingsFile();

// An exclusive lock on a lock file (created if missing), held until Unlock or destruction.
// Works between processes and between threads of one process.
class CFsLock {
public:
    CFsLock() = default;
    ~CFsLock();
    CFsLock(const CFsLock&) = delete;
    CFsLock& operator=(const CFsLock&) = delete;

    bool Lock(const std::string& path);
    void Unlock();
    bool IsLocked() const { return m_locked; }

private:
    intptr_t m_handle = -1;
    bool m_locked = false;
};

} // namespace nerasim
