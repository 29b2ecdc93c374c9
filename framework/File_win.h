#pragma once
#include <windows.h>

#include <string>

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

    const CFileError& GetError() const { return m_error; }

    // Test seam: when set, every Write to a file whose path the hook accepts fails as if the disk
    // were full, after writing nothing.
    using WriteFaultHook = bool (*)(const std::wstring& path, void* context);
    static void SetWriteFaultHook(WriteFaultHook hook, void* context);

private:
    bool SetError(DWORD osError);

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::wstring m_path;
    CFileError m_error;
};
