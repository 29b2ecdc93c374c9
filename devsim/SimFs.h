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
// Creates one folder whose name nothing holds yet; false when something does or on an error,
// so that of several processes making the same folder exactly one succeeds.
bool FsMakeNewFolder(const std::string& path);
// Gives a folder a new name that nothing holds yet; false, changing nothing, when something
// does (an empty folder included) or on an error.
bool FsRenameToNewName(const std::string& from, const std::string& to);
// This process's identifier, for names that other processes must not choose.
uint32_t FsProcessId();

// Value of an environment variable, "" when unset.
std::string FsGetEnv(const char* name);
// Sets a variable of this process; "" removes it.
bool FsSetEnv(const char* name, const std::string& value);
// Per-user places: the default store folder and the library's settings file.
std::string FsDefaultStoreFolder();
std::string FsDefaultSettingsFile();

// What identifies one version of a file cheaply: size, modification time and (where the
// platform gives it without opening the file) the file's identity.
struct SFileStamp {
    uint64_t m_size = 0;
    int64_t m_modified = 0; // ns (POSIX) or 100 ns units (Windows)
    uint64_t m_id = 0;
    bool operator==(const SFileStamp& other) const {
        return m_size == other.m_size && m_modified == other.m_modified && m_id == other.m_id;
    }
    bool operator!=(const SFileStamp& other) const { return !(*this == other); }
};
// False when the path is missing or not a plain file.
bool FsFileStamp(const std::string& path, SFileStamp& stamp);
// Sets a file's modification time, in the units of SFileStamp::m_modified.
bool FsSetModifiedTime(const std::string& path, int64_t modified);

enum class ELockResult { kLocked, kTimedOut, kFailed };
constexpr size_t kMaxLockCounters = 6;
// The lock file's bytes that hold the lock and the counters (Windows maps them).
constexpr size_t kLockFileViewSize = 64;
// A wait without limit.
constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

// An exclusive lock on the first byte of a lock file, and a few 64-bit counters kept in the
// same file from byte 8 on. The file stays open between locks.
//
// Native programs and Windows programs under Wine honour the same lock: Wine's server maps a
// Windows byte-range lock onto a POSIX record lock of the same range, and natively we take an
// open-file-description record lock on that range, which conflicts with it. (flock() would
// not: it and record locks ignore each other.) Open-file-description locks belong to the open
// file, not to the process, so two objects of one process exclude each other as well, and
// closing some other descriptor of the file does not drop them. On Windows the lock belongs to
// the handle. Threads that share one object must take turns themselves.
class CFsLock {
public:
    CFsLock() = default;
    ~CFsLock();
    CFsLock(const CFsLock&) = delete;
    CFsLock& operator=(const CFsLock&) = delete;

    // Opens the file, creating it if missing.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_handle != -1; }
    // False once the open file has been deleted (for instance with its folder): a lock on it
    // no longer excludes anyone who opens the path anew.
    bool IsCurrent() const;

    // Waits at most waitMs (kWaitForever: without limit) for the lock.
    ELockResult Lock(uint32_t waitMs);
    void Unlock();
    bool IsLocked() const { return m_locked; }

    // Counters 0..count-1 (at most kMaxLockCounters); bytes that the file does not hold yet
    // count as 0. Reading needs no lock: a counter read while it is written is either value.
    bool ReadCounters(uint64_t* values, size_t count) const;
    bool WriteCounter(size_t index, uint64_t value);

private:
    // One attempt: kLocked, kTimedOut when someone else holds the lock, kFailed on an error.
    ELockResult TryLock();
    // Positioned reads and writes through the open file; got is short at the end of the file.
    bool ReadAt(uint64_t offset, uint8_t* buffer, size_t length, size_t& got) const;
    bool WriteAt(uint64_t offset, const uint8_t* data, size_t length);

    intptr_t m_handle = -1;
    bool m_locked = false;
    // Windows: a view of the file's first bytes, so that the counters are read without a call
    // into Wine's server; null where the file could not be mapped.
    intptr_t m_mapping = 0;
    volatile uint8_t* m_view = nullptr;
};

} // namespace nerasim
