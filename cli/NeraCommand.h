#pragma once
// The commands of the console tool nera, over the same device calls and the same settings and
// updater code as the dialogs. Everything outside (streams, the user's answer, files) goes
// through INeraHost, so the commands run natively in tests and under Windows in the program.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/NeraOptions.h"
#include "common/DeviceApi.h"
#include "firmware/FirmwarePackage.h"
#include "settings/SettingsChanges.h"

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1; // the module refused or failed: open, identity, echo, write, verify
constexpr int kExitUsage = 2;   // bad usage or bad input, or a question answered No; nothing written
constexpr int kExitFile = 3;    // a file could not be read or written, or the device libraries are missing
constexpr int kExitInterrupted = 130; // stopped by Ctrl+C, after the step in progress

// What the commands need from the program around them.
class INeraHost {
public:
    virtual ~INeraHost() = default;
    // Standard output and standard error; lines end in "\n" alone.
    virtual void Out(const std::wstring& text) = 0;
    virtual void Err(const std::wstring& text) = 0;
    // True when standard error is a console, where a progress bar may redraw its line.
    virtual bool ErrIsConsole() = 0;
    // True when standard input is a console, where a person can answer a question. Input from
    // a pipe or a file belongs to the script and is never read for an answer.
    virtual bool InIsConsole() = 0;
    // Shows a Yes/No question and reads the answer; false for No or when nobody answers. Asked
    // only when InIsConsole().
    virtual bool AskYesNo(const std::wstring& question) = 0;
    // True once the user has asked to stop (Ctrl+C); a command ends the step in progress first.
    virtual bool StopRequested() = 0;
    // The whole file, at most maxBytes (a larger file fails); reason is the system's why.
    virtual bool ReadFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& data,
                          std::wstring& reason) = 0;
    // True when something (a file, a folder, a link) stands at path.
    virtual bool FileExists(const std::wstring& path) = 0;
    // Writes the file. A new file is written whole or not at all. inPlace replaces an existing
    // file's contents in the file itself, as NeraConfig saves: its links, owner and permissions
    // stay, a read-only file is refused unchanged, and a failed write puts the old bytes back.
    virtual bool WriteFile(const std::wstring& path, const std::vector<uint8_t>& data, bool inPlace,
                           std::wstring& reason) = 0;
    // NeraUpdater.exe beside the running program.
    virtual std::wstring DefaultPackagePath() = 0;

    // For a batch. A new file written whole and flushed, never replacing one.
    virtual bool WriteNewFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) = 0;
    // Appends to a file (made when missing) and flushes it.
    virtual bool AppendFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) = 0;
    // Makes a folder; true when it exists already.
    virtual bool CreateFolder(const std::wstring& path, std::wstring& reason) = 0;
    // The separator that ends a folder name in a path ("\\" on Windows).
    virtual wchar_t PathSeparator() = 0;
    // Waits, then returns (early after Ctrl+C).
    virtual void Pause(unsigned milliseconds) = 0;
    // The time now, UTC, as "2026-12-09T01:02:03Z".
    virtual std::string UtcNow() = 0;
};

// The device libraries, loaded when a command first needs them, so that a copy of nera without
// them still shows its help, converts files and says its version.
class IDeviceLibraries {
public:
    virtual ~IDeviceLibraries() = default;
    // The device calls, or nullptr when the libraries cannot be loaded.
    virtual IDeviceApi* Load() = 0;
};

// Libraries that are there from the start: the simulated module in tests.
class CLoadedDeviceLibraries : public IDeviceLibraries {
public:
    explicit CLoadedDeviceLibraries(IDeviceApi& device) : m_device(device) {}
    IDeviceApi* Load() override { return &m_device; }

private:
    IDeviceApi& m_device;
};

// Runs the command line (the arguments after the program name); returns the exit status.
int RunNera(const std::vector<std::wstring>& args, IDeviceLibraries& libraries, INeraHost& host);
int RunNera(const std::vector<std::wstring>& args, IDeviceApi& device, INeraHost& host);

// The firmware update ("nera update"), in its own unit with the package reader.
int RunUpdateCommand(const SNeraOptions& options, IDeviceApi& device, INeraHost& host);

// "nera batch", in its own unit over the batch engine; it loads the libraries once its files
// have been read and checked.
int RunBatchCommand(const SNeraOptions& options, IDeviceLibraries& libraries, INeraHost& host);

// The updater package a command names (or the one beside nera.exe), read and deciphered; a
// file that is not one is reported.
int ReadPackage(const SNeraOptions& options, INeraHost& host, SFirmwareImage& image);

// A settings file as set, convert and batch take it (jsonOnly: as JSON whatever it starts with).
int ReadSettingsFile(INeraHost& host, const std::wstring& path, bool jsonOnly, SSettingsSource& source);

// A question was needed, but standard input is not a console: nothing was written.
extern const wchar_t kNobodyToAskMessage[];
// The device libraries could not be loaded.
extern const wchar_t kNoLibrariesMessage[];

// "nera: " and the text on standard error, as one line.
void ReportError(INeraHost& host, const std::wstring& text);
// A file that could not be read or written: its path, the tool's message and the system's reason.
int ReportFileError(INeraHost& host, const std::wstring& path, const std::wstring& what,
                    const std::wstring& reason);
