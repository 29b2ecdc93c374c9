#pragma once
#include <windows.h>

#include <string>

#include "common/SystemPath_win.h"

// Why a file operation failed, in the order of the framework's file-error strings.
struct CFileError {
    enum Cause {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    Cause m_cause = none;
    DWORD m_osError = 0;
    std::wstring m_fileName;

    static Cause CauseFromOsError(DWORD osError);
    // The error of a failed system call on fileName; an unknown code is a generic error.
    static CFileError FromOsError(DWORD osError, const std::wstring& fileName);
    // The framework's file-error message for this error, with the file name for %1.
    std::wstring Message() const;
};

// Shows the file-error message box (stop icon).
void ReportFileError(const CFileError& error);

// A file opened, used and closed within one command. Failures are reported by result with the
// cause in m_error, never by exception.
class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        // With modeCreate: an existing file is opened as it is, not emptied (see WasCreated).
        modeNoTruncate = 0x2000,
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool Open(const std::wstring& path, UINT flags);
    // Reads up to count bytes; bytesRead tells how many came (fewer at the end of the file).
    bool Read(void* buffer, UINT count, UINT& bytesRead);
    bool Write(const void* buffer, UINT count);
    bool Flush();
    bool Close();
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool GetLength(ULONGLONG& length);
    bool SeekToBegin();
    // Cuts or extends the file at the given length.
    bool SetLength(ULONGLONG length);
    // Whether the last Open made a new file rather than opening an existing one.
    bool WasCreated() const { return m_created; }

    // Deletes a file; no error message.
    static bool Remove(const std::wstring& path);

    const CFileError& GetError() const { return m_error; }

    // Test seam: when set, the hook sees every Write before it happens. When it returns true the
    // Write fails as if the disk had become full, after writing only the first `written` bytes
    // (0 unless the hook sets it; never more than count), so a test can fail a write at its start
    // or part way through.
    using WriteFaultHook = bool (*)(const std::wstring& path, UINT count, UINT& written, void* context);
    static void SetWriteFaultHook(WriteFaultHook hook, void* context);

private:
    bool SetError(DWORD osError);

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    bool m_created = false;
    std::wstring m_path;
    CFileError m_error;
};
