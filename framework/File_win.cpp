#include "framework/File_win.h"

#include "framework/FrameworkResource.h"
#include "framework/MessageBox_win.h"
#include "framework/Strings_win.h"

namespace {
CFile::WriteFaultHook g_writeFault = nullptr;
void* g_writeFaultContext = nullptr;
} // namespace

CFileError::Cause CFileError::CauseFromOsError(DWORD osError) {
    switch (osError) {
        case NO_ERROR:
            return none;
        case ERROR_FILE_NOT_FOUND:
            return fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return badPath;
        case ERROR_TOO_MANY_OPEN_FILES:
            return tooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return accessDenied;
        case ERROR_INVALID_HANDLE:
            return invalidFile;
        case ERROR_CURRENT_DIRECTORY:
            return removeCurrentDir;
        case ERROR_CANNOT_MAKE:
            return directoryFull;
        case ERROR_SEEK:
        case ERROR_NEGATIVE_SEEK:
            return badSeek;
        case ERROR_SHARING_VIOLATION:
            return sharingViolation;
        case ERROR_LOCK_VIOLATION:
            return lockViolation;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return diskFull;
        case ERROR_HANDLE_EOF:
            return endOfFile;
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_CRC:
        case ERROR_NETNAME_DELETED:
        case ERROR_UNEXP_NET_ERR:
            return hardIO;
        default:
            return generic;
    }
}

std::wstring CFileError::Message() const {
    return AfxFormatString1(IDS_FILE_ERROR_NONE + static_cast<UINT>(m_cause), m_fileName);
}

void ReportFileError(const CFileError& error) {
    AfxMessageBox(error.Message(), MB_ICONSTOP);
}

void CFile::SetWriteFaultHook(WriteFaultHook hook, void* context) {
    g_writeFault = hook;
    g_writeFaultContext = context;
}

CFile::~CFile() {
    if (IsOpen()) {
        CloseHandle(m_handle);
    }
}

CFileError CFileError::FromOsError(DWORD osError, const std::wstring& fileName) {
    CFileError error;
    error.m_osError = osError;
    error.m_cause = CauseFromOsError(osError);
    if (error.m_cause == none) {
        error.m_cause = generic;
    }
    error.m_fileName = fileName;
    return error;
}

bool CFile::SetError(DWORD osError) {
    m_error = CFileError::FromOsError(osError, m_path);
    return false;
}

bool CFile::Open(const std::wstring& path, UINT flags) {
    if (IsOpen()) {
        Close();
    }
    m_path = path;
    m_error = CFileError();
    m_created = false;
    DWORD access = GENERIC_READ;
    if (flags & modeWrite) {
        access = GENERIC_WRITE;
    } else if (flags & modeReadWrite) {
        access = GENERIC_READ | GENERIC_WRITE;
    }
    DWORD share = 0;
    if (flags & shareDenyWrite) {
        share = FILE_SHARE_READ;
    } else if (flags & shareDenyNone) {
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
    DWORD creation = OPEN_EXISTING;
    if (flags & modeCreate) {
        creation = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    }
    m_handle = CreateFileW(SystemPathOf(path).c_str(), access, share, nullptr, creation,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        return SetError(GetLastError());
    }
    // Both creating dispositions report an existing file this way.
    m_created = (flags & modeCreate) != 0 && GetLastError() != ERROR_ALREADY_EXISTS;
    return true;
}

bool CFile::Read(void* buffer, UINT count, UINT& bytesRead) {
    bytesRead = 0;
    DWORD got = 0;
    if (!ReadFile(m_handle, buffer, count, &got, nullptr)) {
        return SetError(GetLastError());
    }
    bytesRead = got;
    return true;
}

bool CFile::Write(const void* buffer, UINT count) {
    UINT beforeFault = 0;
    if (g_writeFault != nullptr && g_writeFault(m_path, count, beforeFault, g_writeFaultContext)) {
        DWORD partial = 0;
        if (beforeFault > 0) {
            WriteFile(m_handle, buffer, beforeFault < count ? beforeFault : count, &partial, nullptr);
        }
        return SetError(ERROR_DISK_FULL);
    }
    DWORD written = 0;
    if (!WriteFile(m_handle, buffer, count, &written, nullptr)) {
        return SetError(GetLastError());
    }
    if (written != count) {
        return SetError(ERROR_DISK_FULL);
    }
    return true;
}

bool CFile::GetLength(ULONGLONG& length) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(m_handle, &size)) {
        return SetError(GetLastError());
    }
    length = static_cast<ULONGLONG>(size.QuadPart);
    return true;
}

bool CFile::SeekToBegin() {
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(m_handle, start, nullptr, FILE_BEGIN)) {
        return SetError(GetLastError());
    }
    return true;
}

bool CFile::SetLength(ULONGLONG length) {
    LARGE_INTEGER end = {};
    end.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(m_handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(m_handle)) {
        return SetError(GetLastError());
    }
    return true;
}

bool CFile::Remove(const std::wstring& path) {
    return DeleteFileW(SystemPathOf(path).c_str()) != FALSE;
}

bool CFile::Flush() {
    if (!FlushFileBuffers(m_handle)) {
        return SetError(GetLastError());
    }
    return true;
}

bool CFile::Close() {
    if (!IsOpen()) {
        return true;
    }
    BOOL ok = CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    if (!ok) {
        return SetError(GetLastError());
    }
    return true;
}
