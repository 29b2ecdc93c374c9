// Entry point of nera.exe: binds the commands to the device libraries, the console and files.
//
// Output: text to a console goes through WriteConsoleW and shows right whatever the console's
// code page. Redirected output (a file, a pipe) is written in the console's output code page,
// or the ANSI code page when the program has no console, with "\r\n" line ends: on a Japanese
// system that is code page 932, which Notepad, "type" and cmd's "for /f" read as they are. A
// console switched to UTF-8 with "chcp 65001" gets UTF-8. JSON output is plain ASCII in any case.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "cli/NeraCommand.h"
#include "common/ModulePath_win.h"
#include "common/PathText.h"
#include "common/RuntimeDeviceApi_win.h"
#include "common/SystemPath_win.h"

namespace {

constexpr DWORD kChunk = 4096;
constexpr size_t kMaxAnswer = 256;

std::wstring SystemReason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason;
    if (length > 0 && text != nullptr) {
        reason.assign(text, length);
    }
    if (text != nullptr) {
        LocalFree(text);
    }
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' ')) {
        reason.pop_back();
    }
    return reason.empty() ? L"エラー " + std::to_wstring(error) : reason;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
           GetConsoleMode(handle, &mode) != 0;
}

UINT RedirectedCodePage() {
    const UINT console = GetConsoleOutputCP();
    return console != 0 ? console : GetACP();
}

// One standard stream: a console, or bytes in the redirected code page.
class CStream {
public:
    explicit CStream(DWORD which) : m_handle(GetStdHandle(which)), m_console(IsConsole(m_handle)) {}

    bool IsConsoleStream() const { return m_console; }

    void Write(const std::wstring& text) {
        if (m_handle == nullptr || m_handle == INVALID_HANDLE_VALUE || text.empty()) {
            return;
        }
        if (m_console) {
            for (size_t done = 0; done < text.size();) {
                const DWORD length =
                    static_cast<DWORD>(text.size() - done < kChunk ? text.size() - done : kChunk);
                DWORD written = 0;
                if (!WriteConsoleW(m_handle, text.data() + done, length, &written, nullptr) || written == 0) {
                    return;
                }
                done += written;
            }
            return;
        }
        std::wstring lines;
        for (wchar_t c : text) {
            if (c == L'\n') {
                lines += L'\r';
            }
            lines += c;
        }
        const UINT codePage = RedirectedCodePage();
        const int needed = WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()),
                                               nullptr, 0, nullptr, nullptr);
        if (needed <= 0) {
            return;
        }
        std::string bytes(static_cast<size_t>(needed), '\0');
        WideCharToMultiByte(codePage, 0, lines.data(), static_cast<int>(lines.size()), &bytes[0], needed,
                            nullptr, nullptr);
        for (size_t done = 0; done < bytes.size();) {
            DWORD written = 0;
            if (!::WriteFile(m_handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                             nullptr) ||
                written == 0) {
                return;
            }
            done += written;
        }
    }

private:
    HANDLE m_handle;
    bool m_console;
};

// One line typed at the console. Input from a pipe or a file is the script's and is never read
// for an answer.
bool ReadAnswerLine(std::wstring& line) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!IsConsole(input)) {
        return false;
    }
    wchar_t buffer[kMaxAnswer];
    DWORD got = 0;
    if (!ReadConsoleW(input, buffer, static_cast<DWORD>(kMaxAnswer), &got, nullptr) || got == 0) {
        return false;
    }
    line.assign(buffer, got);
    return true;
}

bool IsYes(std::wstring answer) {
    while (!answer.empty() && (answer.back() == L'\r' || answer.back() == L'\n' || answer.back() == L' ')) {
        answer.pop_back();
    }
    while (!answer.empty() && answer.front() == L' ') {
        answer.erase(0, 1);
    }
    for (wchar_t& c : answer) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return answer == L"y" || answer == L"yes" || answer == L"はい";
}

// Ctrl+C and Ctrl+Break: the first is held, so that a step that must not be cut (an erase, a
// write and its read-back) ends first and the command then stops at the next safe point; the
// second ends the program at once, as a console program usually ends.
std::atomic<int> g_stopRequests{0};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    if (g_stopRequests.fetch_add(1) > 0) {
        return FALSE;
    }
    static const wchar_t kHeld[] = L"\nnera: 中断します。いまの手順が終わるまでお待ちください"
                                   L"（もう一度 Ctrl+C を押すとすぐに終了します）。\n";
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (IsConsole(err)) {
        WriteConsoleW(err, kHeld, static_cast<DWORD>(wcslen(kHeld)), &written, nullptr);
    }
    return TRUE;
}

class CConsoleHost : public INeraHost {
public:
    CConsoleHost() : m_out(STD_OUTPUT_HANDLE), m_err(STD_ERROR_HANDLE) {}

    bool InIsConsole() override { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }
    bool StopRequested() override { return g_stopRequests.load() > 0; }

    void Out(const std::wstring& text) override { m_out.Write(text); }
    void Err(const std::wstring& text) override { m_err.Write(text); }
    bool ErrIsConsole() override { return m_err.IsConsoleStream(); }

    bool AskYesNo(const std::wstring& question) override {
        m_err.Write(question + L" [y/N] ");
        std::wstring answer;
        const bool answered = ReadAnswerLine(answer);
        if (!answered) {
            m_err.Write(L"\n"); // Ctrl+C or the end of input: the console echoed no line
        }
        return answered && IsYes(answer);
    }

    bool ReadFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& data,
                  std::wstring& reason) override {
        DWORD error = ERROR_SUCCESS;
        switch (ReadWholeFile(path, maxBytes, kReadShared, data, error)) {
            case EReadFileResult::kOk:
                return true;
            case EReadFileResult::kTooLarge:
                reason = L"ファイルが大きすぎます";
                return false;
            default:
                reason = SystemReason(error);
                return false;
        }
    }

    bool FileExists(const std::wstring& path) override {
        return GetFileAttributesW(SystemPathOf(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    // A new file is written whole or not at all; an existing one keeps its old bytes on failure.
    bool WriteFile(const std::wstring& path, const std::vector<uint8_t>& data, bool inPlace,
                   std::wstring& reason) override {
        DWORD error = ERROR_SUCCESS;
        const bool written = inPlace ? WriteFileInPlace(path, data.data(), data.size(), error)
                                     : WriteWholeFile(path, data.data(), data.size(), error);
        if (!written) {
            reason = SystemReason(error);
        }
        return written;
    }

    std::wstring DefaultPackagePath() override { return FolderOfPath(ModuleFilePath()) + L"NeraUpdater.exe"; }

    bool WriteNewFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) override {
        DWORD error = ERROR_SUCCESS;
        if (!::WriteNewFile(path, data.data(), data.size(), error)) {
            reason = SystemReason(error);
            return false;
        }
        return true;
    }

    bool AppendFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) override {
        DWORD error = ERROR_SUCCESS;
        if (!AppendToFile(path, data.data(), data.size(), error)) {
            reason = SystemReason(error);
            return false;
        }
        return true;
    }

    bool CreateFolder(const std::wstring& path, std::wstring& reason) override {
        if (CreateDirectoryW(SystemPathOf(path).c_str(), nullptr)) {
            return true;
        }
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(SystemPathOf(path).c_str());
        if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return true;
        }
        reason = SystemReason(error);
        return false;
    }

    wchar_t PathSeparator() override { return L'\\'; }

    // In short steps, so that Ctrl+C ends a wait at once.
    void Pause(unsigned milliseconds) override {
        for (unsigned waited = 0; waited < milliseconds && !StopRequested(); waited += 50) {
            Sleep(50);
        }
    }

    std::string UtcNow() override {
        SYSTEMTIME now;
        GetSystemTime(&now);
        char text[24];
        snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                 now.wMinute, now.wSecond);
        return text;
    }

private:
    CStream m_out;
    CStream m_err;
};

// The device libraries beside nera.exe, loaded by the first command that needs them.
class CDeviceLibraries : public IDeviceLibraries {
public:
    IDeviceApi* Load() override { return m_api.Load() ? &m_api : nullptr; }

private:
    CRuntimeDeviceApi m_api;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i] != nullptr ? argv[i] : L"");
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    CConsoleHost host;
    CDeviceLibraries libraries;
    return RunNera(args, libraries, host);
}
