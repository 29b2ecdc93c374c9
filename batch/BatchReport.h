#pragma once
// The report of a batch: one JSON object per module and line (JSON Lines), appended and flushed
// after each module, so that a power cut loses at most the module in progress. It is also the
// batch's memory: a run with the same report skips the modules whose last line says "ok".

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The version of the line's members; a reader refuses a line of another schema.
constexpr int kReportSchema = 1;

enum class EBatchResult { kOk, kSkipped, kUnknown, kRefused, kFailed, kPlanned };

// "ok", "skipped", "unknown", "refused", "failed", "planned".
const char* BatchResultName(EBatchResult result);

struct SFirmwareNote {
    std::wstring from;   // the module's version before
    std::wstring to;     // the carried one
    std::wstring action; // "updated", "same", "refused", "failed", "stopped", "planned"
};

struct SReportLine {
    std::string time;  // UTC, "2026-12-09T01:02:03Z"
    size_t row = 0;    // the table line; 0: the module has no row
    std::wstring uuid; // upper case; "" when it could not be read
    std::wstring mac;  // 12 upper-case digits, as the module had it before the write
    EBatchResult result = EBatchResult::kFailed;
    std::optional<int> exitStatus;     // what nera set would have returned; none for unknown
    std::vector<std::wstring> changed; // JSON members of the fields written with a new value
    std::wstring backup;               // path of the backup file; "" for none
    std::optional<SFirmwareNote> firmware;
    std::wstring message;
};

// The line's JSON text, ASCII, ending in "\n".
std::string FormatReportLine(const SReportLine& line);

// What earlier runs did, by module: the result of each key's last line.
struct SReportMemory {
    std::map<std::wstring, EBatchResult> byUuid;
    std::map<std::wstring, EBatchResult> byMac;
    bool endsTorn = false; // the file's last line has no line feed: the next line starts a new one

    // True when the module's last line says ok (or skipped, which follows an ok): its row is done.
    bool Done(const std::wstring& uuid, const std::wstring& mac, bool byMacKey) const;
};

// Reads an earlier report. A last line cut short (a crash while writing it) is ignored with a
// warning and never trusted, and so is a line in the middle that cannot be read. A file whose
// first line is not a report line is not a report: false with error, so that nothing is
// appended to it.
bool ReadReport(const std::string& bytes, SReportMemory& memory, std::vector<std::wstring>& warnings,
                std::wstring& error);
