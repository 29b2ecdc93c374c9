#pragma once
// A batch of modules set up one at a time as a production line delivers them: wait for a
// module, find its row, back up its settings, show the plan, write as nera set writes (same
// session, same rules), optionally update its firmware as nera update does, report one line,
// and wait until it is gone before the next. Portable, over the device interface and a view; the
// console is one face, the tests another.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/BatchRecipe.h"
#include "batch/BatchReport.h"
#include "common/DeviceApi.h"
#include "firmware/FirmwarePackage.h"

// What the batch needs from around it.
class IBatchView {
public:
    virtual ~IBatchView() = default;
    // A line for the person at the line (standard error): waiting, the plan, each result.
    virtual void Status(const std::wstring& line) = 0;
    // Ctrl+C: true once the user has asked to stop.
    virtual bool StopRequested() = 0;
    // Waits before the batch looks for a module again.
    virtual void Pause(unsigned milliseconds) = 0;
    // Whether a person can answer a question now, and the question put to that person.
    virtual bool CanAsk() = 0;
    virtual bool Ask(const std::wstring& question) = 0;
    // The time now, UTC: "2026-12-09T01:02:03Z".
    virtual std::string UtcNow() = 0;
    virtual bool FileExists(const std::wstring& path) = 0;
    // Writes a new file whole and flushed, never replacing one; reason says why not.
    virtual bool WriteNewFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) = 0;
    // Appends to the report and flushes it.
    virtual bool AppendReport(const std::string& text, std::wstring& reason) = 0;
};

struct SBatchOptions {
    EBatchKey key = EBatchKey::kUuid;
    SSettingsSource templateFile; // for the rules that need the file itself (its MAC)
    std::wstring backupFolder;    // ends in a separator
    bool once = false;            // the module present now, then end
    bool dryRun = false;
    bool yes = false;
    bool update = false;
    bool allowDowngrade = false;
    SFirmwareImage image; // with update
    unsigned pollMilliseconds = 500;
};

// What a run did.
struct SBatchSummary {
    size_t counts[6] = {}; // by EBatchResult
    size_t rowsLeft = 0;   // rows not done (by this run or an earlier one)
    bool stopped = false;  // Ctrl+C
    bool noModule = false; // --once found none
    int exitStatus = 0;
};

// Exit statuses of a batch beyond nera's own: some rows are not done.
constexpr int kExitBatchIncomplete = 4;

class CBatchSession {
public:
    CBatchSession(IDeviceApi& device, IBatchView& view, const SBatchOptions& options,
                  const std::vector<SBatchRecipe>& recipes, SReportMemory& memory);

    // Runs until every row is done, --once has handled the module present, or Ctrl+C.
    SBatchSummary Run();

private:
    struct SModule;
    bool WaitForModule(SModule& module);
    void Handle(SModule& module, SReportLine& line);
    void WriteSettings(SModule& module, const SBatchRecipe& recipe, SReportLine& line);
    void UpdateFirmware(SModule& module, SReportLine& line);
    void WaitUntilGone(const std::wstring& uuid);
    bool BackUp(const SModule& module, SReportLine& line);
    void Report(const SReportLine& line);
    size_t RowsLeft() const;

    IDeviceApi& m_device;
    IBatchView& m_view;
    const SBatchOptions& m_options;
    const std::vector<SBatchRecipe>& m_recipes;
    SReportMemory& m_memory;
    SBatchSummary m_summary;
    bool m_reportFailed = false;
};

// "5.7.1" against "5.6.0": -1, 0 or 1; a version that is not three numbers counts as older
// than any (a module without valid firmware is always updated).
int CompareVersions(const std::wstring& a, const std::wstring& b);
