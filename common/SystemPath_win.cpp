#include "common/SystemPath_win.h"

#include "common/PathText.h"

std::wstring SystemPathOf(const std::wstring& path) {
    const wchar_t kExtended[] = L"\\\\?\\";
    const wchar_t kDevice[] = L"\\\\.\\";
    if (path.compare(0, 4, kExtended) == 0 || path.compare(0, 4, kDevice) == 0) {
        return path;
    }
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) {
        return path;
    }
    full.resize(length);
    // The plain form holds MAX_PATH characters with the terminating zero; a folder to be
    // created must leave room for an 8.3 name (12 characters) in it.
    if (full.size() < MAX_PATH - 12) {
        return path;
    }
    if (full.compare(0, 4, kExtended) == 0 || full.compare(0, 4, kDevice) == 0) {
        return full;
    }
    if (full.compare(0, 2, L"\\\\") == 0) {
        return std::wstring(kExtended) + L"UNC\\" + full.substr(2);
    }
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
        return kExtended + full;
    }
    return path;
}

namespace {
// The full path of the folder that holds path, ending in a separator; "" when it cannot be told.
std::wstring FullFolderOf(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return std::wstring();
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) {
        return std::wstring();
    }
    full.resize(length);
    return FolderOfPath(full);
}

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) {
            return false;
        }
        if (written != chunk) {
            SetLastError(ERROR_WRITE_FAULT); // a short write sets no error of its own
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Writes, flushes and closes; the handle is closed whatever happens, and the first error is kept.
bool WriteFlushAndClose(HANDLE file, const uint8_t* data, size_t size, DWORD& error) {
    bool ok = WriteAll(file, data, size) && FlushFileBuffers(file);
    if (!ok) {
        error = GetLastError();
    }
    if (!CloseHandle(file) && ok) {
        error = GetLastError();
        ok = false;
    }
    return ok;
}

bool WriteWhole(const std::wstring& path, const uint8_t* data, size_t size, bool replace, DWORD& error) {
    error = ERROR_SUCCESS;
    const std::wstring folder = FullFolderOf(path);
    if (folder.empty() || FileNameOfPath(path).empty()) {
        error = ERROR_INVALID_NAME;
        return false;
    }
    // A name of our own rather than the system's temporary-name call, which takes only folders
    // shorter than MAX_PATH.
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folder + L"~" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(GetTickCount() + attempt) + L".tmp";
        file = CreateFileW(SystemPathOf(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    bool ok = WriteFlushAndClose(file, data, size, error);
    if (ok && !MoveFileExW(SystemPathOf(temporary).c_str(), SystemPathOf(path).c_str(),
                           (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        ok = false;
    }
    if (!ok) {
        DeleteFileW(SystemPathOf(temporary).c_str());
    }
    return ok;
}
} // namespace

bool WriteWholeFile(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error) {
    return WriteWhole(path, data, size, true, error);
}

bool WriteNewFile(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error) {
    return WriteWhole(path, data, size, false, error);
}

bool AppendToFile(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error) {
    error = ERROR_SUCCESS;
    HANDLE file = CreateFileW(SystemPathOf(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    return WriteFlushAndClose(file, data, size, error);
}

EReadFileResult ReadWholeFile(const std::wstring& path, size_t maxBytes, unsigned mode,
                              std::vector<uint8_t>& data, DWORD& error) {
    data.clear();
    error = ERROR_SUCCESS;
    const DWORD share = (mode & kReadExclusive) != 0 ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = CreateFileW(SystemPathOf(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return EReadFileResult::kCannotOpen;
    }
    EReadFileResult result = EReadFileResult::kOk;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) {
        error = GetLastError();
        result = EReadFileResult::kCannotRead;
    } else if (static_cast<unsigned long long>(size.QuadPart) > maxBytes && (mode & kReadFirstBytes) == 0) {
        result = EReadFileResult::kTooLarge;
    } else {
        const unsigned long long length = static_cast<unsigned long long>(size.QuadPart);
        data.resize(static_cast<size_t>(length < maxBytes ? length : maxBytes));
        size_t done = 0;
        while (done < data.size()) {
            const size_t rest = data.size() - done;
            const DWORD chunk = rest > (1u << 30) ? (1u << 30) : static_cast<DWORD>(rest);
            DWORD got = 0;
            if (!::ReadFile(file, data.data() + done, chunk, &got, nullptr)) {
                error = GetLastError();
                result = EReadFileResult::kCannotRead;
                break;
            }
            if (got == 0) {
                break; // the file became shorter while it was read: what it holds now
            }
            done += got;
        }
        data.resize(done);
    }
    CloseHandle(file);
    if (result != EReadFileResult::kOk) {
        data.clear();
    }
    return result;
}

namespace {

bool ReadAll(HANDLE file, std::vector<uint8_t>& data) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > (1ll << 30)) {
        return false;
    }
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < data.size()) {
        DWORD got = 0;
        if (!::ReadFile(file, data.data() + done, static_cast<DWORD>(data.size() - done), &got, nullptr)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    data.resize(done);
    return true;
}

bool Rewrite(HANDLE file, const uint8_t* data, size_t size) {
    LARGE_INTEGER start = {};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && WriteAll(file, data, size) &&
           SetEndOfFile(file) && FlushFileBuffers(file);
}

} // namespace

bool WriteFileInPlace(const std::wstring& path, const uint8_t* data, size_t size, DWORD& error) {
    error = ERROR_SUCCESS;
    // The system's own check is not to be relied on everywhere (Wine writes into a read-only
    // file opened for writing by its owner), so the attribute is looked at first.
    const DWORD attributes = GetFileAttributesW(SystemPathOf(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = GetLastError();
        return false;
    }
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        error = ERROR_ACCESS_DENIED;
        return false;
    }
    HANDLE file = CreateFileW(SystemPathOf(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    std::vector<uint8_t> old;
    bool ok = ReadAll(file, old);
    if (!ok) {
        error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_READ_FAULT;
    } else if (!Rewrite(file, data, size)) {
        error = GetLastError();
        ok = false;
        Rewrite(file, old.data(), old.size()); // best effort: the first error is the one reported
    }
    CloseHandle(file);
    return ok;
}
