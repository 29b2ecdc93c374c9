// Stands in for a tool that the launcher starts: appends one line "name|command line|current
// folder" (UTF-8) to the file named by NERA_STANDIN_LOG, then ends.
#include <windows.h>

#include <string>

#include "common/ModulePath_win.h"
#include "common/PathText.h"
#include "common/Utf8Text.h"

namespace {
// A text that a system call copies into a buffer, however long it is. The call returns the
// length copied, or the size it needs (or the buffer size) when the text does not fit.
template <typename Call> std::wstring Fetched(Call call) {
    std::wstring text(256, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(text.size());
        const DWORD length = call(&text[0], size);
        if (length < size) {
            text.resize(length);
            return text;
        }
        text.resize(length > size ? length : 2 * size);
    }
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const std::wstring logPath = Fetched([](wchar_t* buffer, DWORD size) {
        return GetEnvironmentVariableW(L"NERA_STANDIN_LOG", buffer, size);
    });
    if (logPath.empty()) {
        return 2;
    }
    const std::wstring name = FileNameOfPath(ModuleFilePath());
    const std::wstring folder =
        Fetched([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
    std::string line =
        Utf8FromWide(name) + "|" + Utf8FromWide(GetCommandLineW()) + "|" + Utf8FromWide(folder) + "\n";

    // Several stand-ins may start at once: append under an exclusive open, retried briefly.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}
