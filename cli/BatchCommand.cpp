// "nera batch": the batch engine with the console as its face. The files are read and the whole
// table is checked before the device libraries are even loaded; the status of the line goes to
// standard error, the report to its file.
#include "batch/BatchRecipe.h"
#include "batch/BatchReport.h"
#include "batch/BatchSession.h"
#include "batch/BatchTable.h"
#include "cli/NeraCommand.h"
#include "common/PathText.h"
#include "common/PrintableText.h"

namespace {

// A report is a few hundred bytes a module; a larger file is surely something else.
constexpr size_t kMaxReportRead = 64u * 1024u * 1024u;

class CConsoleBatchView : public IBatchView {
public:
    CConsoleBatchView(INeraHost& host, const SNeraOptions& options) : m_host(host), m_options(options) {}

    void Status(const std::wstring& line) override {
        if (!m_options.quiet) {
            m_host.Err(PrintableText(line) + L"\n");
        }
    }
    bool StopRequested() override { return m_host.StopRequested(); }
    void Pause(unsigned milliseconds) override { m_host.Pause(milliseconds); }
    bool CanAsk() override { return m_host.InIsConsole(); }
    bool Ask(const std::wstring& question) override { return m_host.AskYesNo(question); }
    std::string UtcNow() override { return m_host.UtcNow(); }
    bool FileExists(const std::wstring& path) override { return m_host.FileExists(path); }
    bool WriteNewFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) override {
        return m_host.WriteNewFile(path, data, reason);
    }
    bool AppendReport(const std::string& text, std::wstring& reason) override {
        return m_host.AppendFile(m_options.reportPath, std::vector<uint8_t>(text.begin(), text.end()), reason);
    }

private:
    INeraHost& m_host;
    const SNeraOptions& m_options;
};

int ReportTableProblems(INeraHost& host, const std::wstring& path, const CTableProblems& problems) {
    for (const std::wstring& line : problems.Lines(FileNameOfPath(path))) {
        ReportError(host, PrintableText(line));
    }
    ReportError(host, L"表に誤りがあるため、どのモジュールにも書き込んでいません。");
    return kExitUsage;
}

// The table, checked whole and made into one recipe a row.
int ReadTable(const SNeraOptions& options, const SSettingsSource& templateFile, INeraHost& host,
              SBatchTable& table, std::vector<SBatchRecipe>& recipes) {
    std::vector<uint8_t> data;
    std::wstring reason;
    CTableProblems problems;
    if (!host.ReadFile(options.tablePath, kMaxTableBytes, data, reason)) {
        return ReportFileError(host, options.tablePath, L"ファイルが開けませんでした。", reason);
    }
    if (!ReadBatchTable(std::string(data.begin(), data.end()), table, problems) ||
        !BuildBatchRecipes(templateFile, table, recipes, problems)) {
        return ReportTableProblems(host, options.tablePath, problems);
    }
    return kExitOk;
}

int ReadReportFile(const SNeraOptions& options, INeraHost& host, SReportMemory& memory) {
    if (!host.FileExists(options.reportPath)) {
        return kExitOk;
    }
    std::vector<uint8_t> data;
    std::wstring reason;
    if (!host.ReadFile(options.reportPath, kMaxReportRead, data, reason)) {
        return ReportFileError(host, options.reportPath, L"レポートを読めませんでした。", reason);
    }
    std::vector<std::wstring> warnings;
    std::wstring error;
    if (!ReadReport(std::string(data.begin(), data.end()), memory, warnings, error)) {
        return ReportFileError(host, options.reportPath, error + L"何も追記しません。", L"");
    }
    for (const std::wstring& warning : warnings) {
        ReportError(host, PrintableText(options.reportPath) + L": " + warning);
    }
    return kExitOk;
}

// The backup folder, made when missing, ending in a separator.
int PrepareBackupFolder(const SNeraOptions& options, INeraHost& host, std::wstring& folder) {
    const wchar_t separator = host.PathSeparator();
    folder = options.backupDir.empty() ? PathWithoutExtension(options.reportPath) + L"-backups" : options.backupDir;
    if (folder.back() != L'\\' && folder.back() != L'/') {
        folder += separator;
    }
    std::wstring reason;
    if (!options.dryRun && !host.CreateFolder(folder, reason)) {
        return ReportFileError(host, folder, L"バックアップのフォルダーを作れませんでした。", reason);
    }
    return kExitOk;
}

void ReportSummary(INeraHost& host, const SNeraOptions& options, const SBatchSummary& summary) {
    if (options.quiet) {
        return;
    }
    std::wstring line = L"結果:";
    for (EBatchResult result : {EBatchResult::kOk, EBatchResult::kSkipped, EBatchResult::kUnknown,
                                EBatchResult::kRefused, EBatchResult::kFailed, EBatchResult::kPlanned}) {
        const char* name = BatchResultName(result);
        line += L" " + std::wstring(name, name + std::char_traits<char>::length(name)) + L" " +
                std::to_wstring(summary.counts[static_cast<size_t>(result)]);
    }
    line += L"、済んでいない行 " + std::to_wstring(summary.rowsLeft);
    if (summary.stopped) {
        line += L"（Ctrl+C で中断しました）";
    }
    host.Err(line + L"\n");
}

} // namespace

int RunBatchCommand(const SNeraOptions& options, IDeviceLibraries& libraries, INeraHost& host) {
    SBatchOptions batch;
    int status = ReadSettingsFile(host, options.templatePath, false, batch.templateFile);
    if (status != kExitOk) {
        return status;
    }
    SBatchTable table;
    std::vector<SBatchRecipe> recipes;
    status = ReadTable(options, batch.templateFile, host, table, recipes);
    if (status != kExitOk) {
        return status;
    }
    SReportMemory memory;
    status = ReadReportFile(options, host, memory);
    if (status != kExitOk) {
        return status;
    }
    if (options.update) {
        status = ReadPackage(options, host, batch.image);
        if (status != kExitOk) {
            return status;
        }
    }
    status = PrepareBackupFolder(options, host, batch.backupFolder);
    if (status != kExitOk) {
        return status;
    }
    IDeviceApi* device = libraries.Load();
    if (device == nullptr) {
        ReportError(host, kNoLibrariesMessage);
        return kExitFile;
    }
    batch.key = table.key;
    batch.once = options.once;
    batch.dryRun = options.dryRun;
    batch.yes = options.yes;
    batch.update = options.update;
    batch.allowDowngrade = options.allowDowngrade;
    CConsoleBatchView view(host, options);
    CBatchSession session(*device, view, batch, recipes, memory);
    const SBatchSummary summary = session.Run();
    ReportSummary(host, options, summary);
    return summary.exitStatus;
}
