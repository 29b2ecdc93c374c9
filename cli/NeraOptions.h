#pragma once
// The command line of the console tool nera: a command and its options, turned into values
// before anything is opened, so that a mistake ends the run with nothing read or written.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/SettingsChanges.h"

enum class ECommand { kNone, kInfo, kGet, kSet, kUpdate, kConvert, kBatch };

struct SNeraOptions {
    ECommand command = ECommand::kNone;
    bool help = false;
    bool version = false; // --version, -V: the suite's version, nothing else
    bool quiet = false;   // -q, --quiet: errors only (and the data a command is asked for)
    bool force = false;   // --force: -o may replace an existing file, in place
    std::wstring input;   // the file of set and convert
    std::wstring output;  // -o
    bool json = false;
    bool dryRun = false;
    bool yes = false;
    std::optional<std::wstring> uuid; // upper-cased, as the updater keeps it
    std::wstring package;
    SSettingsChanges changes;
    // batch
    std::wstring templatePath;
    std::wstring tablePath;
    std::wstring reportPath;
    std::wstring backupDir;
    bool once = false;
    bool update = false;
    bool allowDowngrade = false;
};

// Parses the arguments after the program name. On failure message says why, naming options and
// argument positions but never repeating a value, so a password cannot leak into the message.
bool ParseNeraOptions(const std::vector<std::wstring>& args, SNeraOptions& options, std::wstring& message);

// The suite's version, "1.4.0.1", as the installer and the launcher carry it.
const wchar_t* NeraSuiteVersion();

// The help text: the overview, or one command's options.
std::wstring NeraHelpText(ECommand command);
