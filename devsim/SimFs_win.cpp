#include "devsim/SimFs.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include "common/PathText.h"
#include "common/SystemPath_win.h"
#include "common/Utf8Text.h"
#include "common/Utf8Text_win.h"

namespace nerasim {

namespace {

// The path for the wide file functions: the extended form when it is too long for the plain one.
std::wstring Wide(const std::string& text) {
    return SystemPathOf(WideFromUtf8(text));
}

HANDLE OpenForRead(const std::string& path) {
    return CreateFileW(Wide(path).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool SeekTo(HANDLE file, uint64_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != 0;
}

bool WriteFully(HANDLE file, const uint8_t* data, size_t length) {
    while (length > 0) {
        DWORD chunk = length > 0x10000000u ? 0x10000000u : static_cast<DWORD>(length);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        length -= written;
    }
    return true;
}

bool ReadFully(HANDLE file, uint8_t* buffer, size_t length) {
    while (length > 0) {
        DWORD chunk = length > 0x10000000u ? 0x10000000u : static_cast<DWORD>(length);
        DWORD got = 0;
        if (!ReadFile(file, buffer, chunk, &got, nullptr) || got == 0)
            return false;
        buffer += got;
        length -= got;
    }
    return true;
}

// A known folder of the user (FOLDERID_LocalAppData, FOLDERID_RoamingAppData), "" if unknown.
// The shell allocates it, so no length limit applies.
std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr)
        folder = Utf8FromWide(path);
    CoTaskMemFree(path);
    return folder;
}

} // namespace

char FsSeparator() {
    return '\\';
}

bool FsReadAll(const std::string& path, std::string& data) {
    HANDLE file = OpenForRead(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    data.clear();
    bool ok = true;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        data.append(buffer, got);
    }
    CloseHandle(file);
    return ok;
}

bool FsWriteAllAtomic(const std::string& path, const std::string& data) {
    std::wstring temp = Wide(path + ".tmp");
    HANDLE file =
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteFully(file, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    ok = CloseHandle(file) != 0 && ok;
    if (!ok || !MoveFileExW(temp.c_str(), Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool FsReadAt(const std::string& path, uint64_t offset, uint8_t* buffer, size_t length) {
    HANDLE file = OpenForRead(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = SeekTo(file, offset) && ReadFully(file, buffer, length);
    CloseHandle(file);
    return ok;
}

bool FsWriteAt(const std::string& path, uint64_t offset, const uint8_t* data, size_t length) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = SeekTo(file, offset) && WriteFully(file, data, length);
    ok = CloseHandle(file) != 0 && ok;
    return ok;
}

bool FsFileSize(const std::string& path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return true;
}

bool FsAppend(const std::string& path, const std::string& text) {
    // FILE_APPEND_DATA alone makes every write land at the current end of the file.
    HANDLE file = CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // Appends through separate handles are not atomic everywhere (Wine), so writers take
    // turns: an exclusive lock on one byte far beyond any real length of the file.
    OVERLAPPED overlapped = {};
    overlapped.OffsetHigh = 0x40000000u;
    bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped) != 0;
    bool ok = WriteFully(file, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (locked)
        UnlockFileEx(file, 0, 1, 0, &overlapped);
    ok = CloseHandle(file) != 0 && ok;
    return ok;
}

bool FsIsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FsMakeDirectories(const std::string& path) {
    if (path.empty())
        return false;
    if (FsIsDirectory(path))
        return true;
    // The parent of "C:\x" is the drive, which is never made.
    const std::string parent = ParentOfPath(path);
    if (!parent.empty() && parent.back() != ':' && !FsMakeDirectories(parent))
        return false;
    return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0 || FsIsDirectory(path);
}

bool FsListSubfolders(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(FsJoin(path, "*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string name = Utf8FromWide(data.cFileName);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool FsRemoveFolder(const std::string& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(FsJoin(path, "*")).c_str(), &data);
    bool ok = true;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                std::string name = Utf8FromWide(data.cFileName);
                ok = DeleteFileW(Wide(FsJoin(path, name)).c_str()) != 0 && ok;
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return RemoveDirectoryW(Wide(path).c_str()) != 0 && ok;
}

bool FsMakeNewFolder(const std::string& path) {
    return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

bool FsRenameToNewName(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the new name exists.
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), 0) != 0;
}

uint32_t FsProcessId() {
    return GetCurrentProcessId();
}

std::string FsGetEnv(const char* name) {
    // Read through the process environment block, so that SetEnvironmentVariableW is seen.
    std::wstring wideName = WideFromUtf8(name);
    DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return std::string();
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(wideName.c_str(), &value[0], size);
    if (length == 0 || length >= size)
        return std::string();
    value.resize(length);
    return Utf8FromWide(value);
}

bool FsSetEnv(const char* name, const std::string& value) {
    return SetEnvironmentVariableW(WideFromUtf8(name).c_str(),
                                   value.empty() ? nullptr : WideFromUtf8(value).c_str()) != 0;
}

std::string FsDefaultStoreFolder() {
    std::string local = KnownFolder(FOLDERID_LocalAppData);
    return FsJoin(local.empty() ? std::string(".") : local, "NeraSim\\Store");
}

std::string FsDefaultSettingsFile() {
    std::string roaming = KnownFolder(FOLDERID_RoamingAppData);
    return FsJoin(roaming.empty() ? std::string(".") : roaming, "NeraSim\\settings.txt");
}

bool FsFileStamp(const std::string& path, SFileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    stamp.m_size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.m_modified =
        static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                             info.ftLastWriteTime.dwLowDateTime);
    stamp.m_id = 0; // the file index needs an open handle
    return true;
}

bool FsSetModifiedTime(const std::string& path, int64_t modified) {
    HANDLE file = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(modified));
    time.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(modified) >> 32);
    bool ok = SetFileTime(file, nullptr, nullptr, &time) != 0;
    return CloseHandle(file) != 0 && ok;
}

namespace {

HANDLE LockHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// An OVERLAPPED that names a file offset for a synchronous handle.
OVERLAPPED At(uint64_t offset) {
    OVERLAPPED overlapped = {};
    overlapped.Offset = static_cast<DWORD>(offset);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

} // namespace

CFsLock::~CFsLock() {
    Close();
}

bool CFsLock::Open(const std::string& path) {
    Close();
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    m_handle = reinterpret_cast<intptr_t>(file);
    // Under Wine every ReadFile asks the server; a view of the counters is plain memory, and
    // the same pages that native programs read and write. The mapping grows a shorter file
    // (with zeros) to the view's size and never shrinks it.
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, kLockFileViewSize, nullptr);
    if (mapping != nullptr) {
        void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kLockFileViewSize);
        if (view == nullptr) {
            CloseHandle(mapping);
        } else {
            m_mapping = reinterpret_cast<intptr_t>(mapping);
            m_view = static_cast<volatile uint8_t*>(view);
        }
    }
    return true;
}

void CFsLock::Close() {
    Unlock();
    if (m_view != nullptr)
        UnmapViewOfFile(const_cast<uint8_t*>(m_view));
    if (m_mapping != 0)
        CloseHandle(reinterpret_cast<HANDLE>(m_mapping));
    if (m_handle != -1)
        CloseHandle(LockHandle(m_handle));
    m_view = nullptr;
    m_mapping = 0;
    m_handle = -1;
}

bool CFsLock::IsCurrent() const {
    FILE_STANDARD_INFO info;
    return m_handle != -1 &&
           GetFileInformationByHandleEx(LockHandle(m_handle), FileStandardInfo, &info, sizeof info) &&
           info.NumberOfLinks > 0 && !info.DeletePending;
}

ELockResult CFsLock::TryLock() {
    if (m_handle == -1)
        return ELockResult::kFailed;
    // Not waiting inside LockFileEx: a wait there has no time limit.
    OVERLAPPED overlapped = At(0);
    if (LockFileEx(LockHandle(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &overlapped))
        return ELockResult::kLocked;
    DWORD error = GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? ELockResult::kTimedOut
                                                                      : ELockResult::kFailed;
}

void CFsLock::Unlock() {
    if (m_locked) {
        OVERLAPPED overlapped = At(0);
        UnlockFileEx(LockHandle(m_handle), 0, 1, 0, &overlapped);
    }
    m_locked = false;
}

bool CFsLock::ReadAt(uint64_t offset, uint8_t* buffer, size_t length, size_t& got) const {
    got = 0;
    if (m_view != nullptr && offset + length <= kLockFileViewSize) {
        for (; got < length; ++got)
            buffer[got] = m_view[offset + got];
        return true;
    }
    while (got < length) {
        OVERLAPPED overlapped = At(offset + got);
        DWORD chunk = 0;
        if (!ReadFile(LockHandle(m_handle), buffer + got, static_cast<DWORD>(length - got), &chunk,
                      &overlapped))
            return GetLastError() == ERROR_HANDLE_EOF;
        if (chunk == 0)
            break;
        got += chunk;
    }
    return true;
}

bool CFsLock::WriteAt(uint64_t offset, const uint8_t* data, size_t length) {
    if (m_view != nullptr && offset + length <= kLockFileViewSize) {
        for (size_t i = 0; i < length; ++i)
            m_view[offset + i] = data[i];
        return true;
    }
    OVERLAPPED overlapped = At(offset);
    DWORD written = 0;
    return m_handle != -1 &&
           WriteFile(LockHandle(m_handle), data, static_cast<DWORD>(length), &written, &overlapped) &&
           written == length;
}

} // namespace nerasim
