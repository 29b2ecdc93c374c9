#include "SimFs.h"

#include <windows.h>
#include <shlobj.h>

#include "SimText_win.h"

namespace nerasim {

namespace {

std::wstring Wide(const std::string& text) {
    return WideFromUtf8(text);
}

std::string Utf8(const wchar_t* text, size_t length) {
    return Utf8FromWide(text, length);
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

// A folder from the shell (CSIDL_APPDATA, CSIDL_LOCAL_APPDATA), "" if unknown.
std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    return Utf8(path, wcslen(path));
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
    size_t slash = path.find_last_of("/\\");
    if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':' &&
        !FsMakeDirectories(path.substr(0, slash)))
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
        std::string name = Utf8(data.cFileName, wcslen(data.cFileName));
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
                std::string name = Utf8(data.cFileName, wcslen(data.cFileName));
                ok = DeleteFileW(Wide(FsJoin(path, name)).c_str()) != 0 && ok;
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return RemoveDirectoryW(Wide(path).c_str()) != 0 && ok;
}

std::string FsGetEnv(const char* name) {
    // Read through the process environment block, so that SetEnvironmentVariableW is seen.
    std::wstring wideName = Wide(name);
    DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return std::string();
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(wideName.c_str(), &value[0], size);
    if (length == 0 || length >= size)
        return std::string();
    return Utf8(value.data(), length);
}

bool FsSetEnv(const char* name, const std::string& value) {
    return SetEnvironmentVariableW(Wide(name).c_str(), value.empty() ? nullptr : Wide(value).c_str()) != 0;
}

std::string FsDefaultStoreFolder() {
    std::string local = ShellFolder(CSIDL_LOCAL_APPDATA);
    return FsJoin(local.empty() ? std::string(".") : local, "NeraSim\\Store");
}

std::string FsDefaultSettingsFile() {
    std::string roaming = ShellFolder(CSIDL_APPDATA);
    return FsJoin(roaming.empty() ? std::string(".") : roaming, "NeraSim\\settings.txt");
}

CFsLock::~CFsLock() {
    Unlock();
}

bool CFsLock::Lock(const std::string& path) {
    Unlock();
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    OVERLAPPED overlapped = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped)) {
        CloseHandle(file);
        return false;
    }
    m_handle = reinterpret_cast<intptr_t>(file);
    m_locked = true;
    return true;
}

void CFsLock::Unlock() {
    if (m_locked) {
        HANDLE file = reinterpret_cast<HANDLE>(m_handle);
        OVERLAPPED overlapped = {};
        UnlockFileEx(file, 0, 1, 0, &overlapped);
        CloseHandle(file);
    }
    m_handle = -1;
    m_locked = false;
}

} // namespace nerasim
