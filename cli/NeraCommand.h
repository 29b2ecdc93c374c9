#pragma once
// The commands of the console tool nera, over the same device calls and the same settings and
// updater code as the dialogs. Everything outside (streams, the user's answer, files) goes
// through INeraHost, so the commands run natively in tests and under Windows in the program.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DeviceApi.h"
#include "NeraOptions.h"

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1; // the module refused or failed: open, identity, echo, write, verify
constexpr int kExitUsage = 2;   // bad usage or bad input, or a question answered No; nothing written
constexpr int kExitFile = 3;    // a file could not be read or written

// What the commands need from the program around them.
class INeraHost {
public:
    virtual ~INeraHost() = default;
    // Standard output and standard error; lines end in "\n" alone.
    virtual void Out(const std::wstring& text) = 0;
    virtual void Err(const std::wstring& text) = 0;
    // True when standard error is a console, where a progress bar may redraw its line.
    virtual bool ErrIsConsole() = 0;
    // Shows a Yes/No question and reads the answer; false for No or when nobody answers.
    virtual bool AskYesNo(const std::wstring& question) = 0;
    // The whole file, at most maxBytes (a larger file fails); reason is the system's why.
    virtual bool ReadFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& data,
                          std::wstring& reason) = 0;
    // Replaces the file as a whole; on failure an existing file keeps its old content.
    virtual bool WriteFile(const std::wstring& path, const std::vector<uint8_t>& data,
                           std::wstring& reason) = 0;
    // NeraUpdater.exe beside the running program.
    virtual std::wstring DefaultPackagePath() = 0;
};

// Runs the command line (the arguments after the program name); returns the exit status.
int RunNera(const std::vector<std::wstring>& args, IDeviceApi& device, INeraHost& host);

// The firmware update ("nera update"), in its own unit with the package reader.
int RunUpdateCommand(const SNeraOptions& options, IDeviceApi& device, INeraHost& host);

// "nera: " and the text on standard error, as one line.
void ReportError(INeraHost& host, const std::wstring& text);
// A file that could not be read or written: its path, the tool's message and the system's reason.
int ReportFileError(INeraHost& host, const std::wstring& path, const std::wstring& what,
                    const std::wstring& reason);
