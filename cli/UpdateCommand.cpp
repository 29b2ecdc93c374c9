// "nera update": the updater's package reader and write sequence, with standard output as its
// log, standard error for its error boxes and fields, and a progress bar on a console.
#include "cli/NeraCommand.h"
#include "common/HexText.h"
#include "common/PrintableText.h"
#include "common/UuidText.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/UpdaterSequence.h"

namespace {

// The package is read whole; an updater is a few megabytes.
constexpr size_t kMaxPackageRead = 64u * 1024u * 1024u;
constexpr size_t kBarWidth = 40;

// A bar on standard error that redraws its one line; drawn only on a console. Anything else
// written to the console first takes the bar away, then the bar comes back below it.
class CProgressLine {
public:
    CProgressLine(INeraHost& host, bool wanted) : m_host(host), m_enabled(wanted && host.ErrIsConsole()) {}

    void Set(size_t done, size_t total) {
        m_total = total;
        m_done = done < total ? done : total;
        Draw();
    }
    void Hide() {
        if (m_shown) {
            m_host.Err(L"\r" + std::wstring(kBarWidth + 8, L' ') + L"\r");
            m_shown = false;
        }
    }
    void Show() {
        if (m_total != 0 && m_done < m_total) {
            Draw();
        }
    }
    void Finish() {
        Hide();
        m_total = 0;
    }

private:
    void Draw() {
        if (!m_enabled || m_total == 0) {
            return;
        }
        const size_t filled = m_done * kBarWidth / m_total;
        const size_t percent = m_done * 100 / m_total;
        m_host.Err(L"\r[" + std::wstring(filled, L'#') + std::wstring(kBarWidth - filled, L'-') + L"] " +
                   std::to_wstring(percent) + L"%");
        m_shown = true;
    }

    INeraHost& m_host;
    bool m_enabled;
    bool m_shown = false;
    size_t m_total = 0;
    size_t m_done = 0;
};

// The updater window for a console: the log on standard output (line breaks as "\n"), error
// boxes and the information fields on standard error, the question through the host.
class CConsoleUpdaterView : public IUpdaterView {
public:
    CConsoleUpdaterView(INeraHost& host, CProgressLine& progress, bool yes, bool quiet)
        : m_host(host), m_progress(progress), m_yes(yes), m_quiet(quiet) {}

    void AppendLogText(const std::wstring& text) override {
        if (m_quiet) {
            return;
        }
        std::wstring lines;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                continue;
            }
            lines += text[i];
        }
        if (lines.empty()) {
            return;
        }
        m_progress.Hide();
        m_host.Out(lines);
        m_lineOpen = lines.back() != L'\n';
        m_progress.Show();
    }
    void ClearLog() override {}
    // The log carries the text at once; the box itself is reported when the run has ended, so
    // that it never splits a log line on a shared console.
    void ShowErrorBox(const std::wstring& title, const std::wstring& text) override {
        m_boxes.push_back(title + L": " + text);
    }
    bool AskYesNo(const std::wstring& text) override {
        if (m_yes) {
            return true;
        }
        m_progress.Hide();
        return m_host.AskYesNo(text);
    }
    void SetHardwareInfo(const std::wstring& text) override {
        m_product = text;
        Field(L"ハードウェア情報", text);
    }
    void SetCurrentVersion(const std::wstring& text) override {
        m_version = text;
        Field(L"現在のバージョン", text);
    }
    void SetConnectButtons(bool) override {}
    void ShowProgress(size_t verified, size_t total) override { m_progress.Set(verified, total); }
    bool StopRequested() override { return m_host.StopRequested(); }

    // A log that stopped inside a line (a failed connect) gets its line feed at the end.
    void EndLine() {
        if (m_lineOpen) {
            m_host.Out(L"\n");
            m_lineOpen = false;
        }
    }

    std::vector<std::wstring> m_boxes;
    std::wstring m_product; // the module's, as the connect reported them
    std::wstring m_version;

private:
    void Field(const wchar_t* label, const std::wstring& text) {
        if (m_quiet) {
            return;
        }
        m_progress.Hide();
        m_host.Err(std::wstring(label) + L": " + text + L"\n");
        m_progress.Show();
    }

    INeraHost& m_host;
    CProgressLine& m_progress;
    bool m_yes;
    bool m_quiet;
    bool m_lineOpen = false;
};

// Reports the error boxes of a run after its log, and turns the outcome into the exit status.
int Finish(const SUpdateOutcome& outcome, CProgressLine& progress, CConsoleUpdaterView& view,
           INeraHost& host) {
    progress.Finish();
    view.EndLine();
    for (const std::wstring& box : view.m_boxes) {
        ReportError(host, box);
    }
    switch (outcome.result) {
        case EUpdateResult::kWritten:
            if (host.StopRequested()) {
                ReportError(host, L"中断しました。ファームウェアの書込みとベリファイは終わっています。");
                return kExitInterrupted;
            }
            return kExitOk;
        case EUpdateResult::kDeclined:
            ReportError(host, L"書込みを中止しました。");
            return kExitUsage;
        case EUpdateResult::kStopped:
            ReportError(host,
                        outcome.stoppedAfter == EUpdateStep::kErased
                            ? L"中断しました。ファームウェアは消去したところで、不完全です（モジュールは"
                              L"このままでは動きません）。もう一度 nera update を実行すると書き込み直します。"
                            : L"中断しました。ファームウェアは書き込みましたがベリファイしていないため、"
                              L"不完全かもしれません。もう一度 nera update を実行すると書き込み直します。");
            return kExitInterrupted;
        default:
            return kExitRefused;
    }
}

} // namespace

int ReadPackage(const SNeraOptions& options, INeraHost& host, SFirmwareImage& image) {
    const std::wstring path = options.package.empty() ? host.DefaultPackagePath() : options.package;
    std::vector<uint8_t> package;
    std::wstring reason;
    if (!host.ReadFile(path, kMaxPackageRead, package, reason)) {
        return ReportFileError(host, path, L"ファイルが開けませんでした。", reason);
    }
    CBytePackageSource source(package);
    const EPackageError error = ReadFirmwarePackage(source, image);
    if (error != EPackageError::kNone) {
        ReportError(host, PrintableText(path) +
                              L": ファームウェアパッケージを持つ NeraUpdater の実行ファイルではありません（" +
                              PackageErrorText(error) + L"）。");
        return kExitFile;
    }
    return kExitOk;
}

int RunUpdateCommand(const SNeraOptions& options, IDeviceApi& device, INeraHost& host) {
    SFirmwareImage image;
    const int read = ReadPackage(options, host, image);
    if (read != kExitOk) {
        return read;
    }
    if (!options.quiet) {
        host.Err(L"書き込まれるバージョン: " + image.m_version + L"\n");
    }

    CProgressLine progress(host, !options.quiet);
    CConsoleUpdaterView view(host, progress, options.yes, options.quiet);
    CUpdaterSession session(device, view, ParseUuidText);
    if (options.uuid) {
        session.m_strUuid = *options.uuid;
    }
    session.m_image = std::move(image.m_data);
    // Connected first, so that the question can name the module it is about.
    session.StartLog();
    SUpdateOutcome outcome = session.OnConnect();
    if (outcome.result != EUpdateResult::kConnected) {
        return Finish(outcome, progress, view, host);
    }
    if (!options.yes && !host.InIsConsole()) {
        session.OnDisconnect();
        view.EndLine();
        ReportError(host, kNobodyToAskMessage);
        return kExitUsage;
    }
    if (host.StopRequested()) {
        session.OnDisconnect();
        view.EndLine();
        ReportError(host, L"中断しました。モジュールには書き込んでいません。");
        return kExitInterrupted;
    }
    if (!options.yes) {
        uint8_t identity[16] = {};
        const std::wstring identifier =
            session.ReadIdentity(identity) ? WideTextFromUuid(identity, EHexCase::kUpper) : L"N/A";
        view.EndLine();
        if (!host.AskYesNo(view.m_product + L"（製品識別子 " + identifier + L"）のファームウェアを " +
                           view.m_version + L" から " + image.m_version + L" に書き換えます。続けますか？")) {
            session.OnDisconnect();
            outcome.result = EUpdateResult::kDeclined;
            return Finish(outcome, progress, view, host);
        }
    }
    return Finish(session.WriteImage(), progress, view, host);
}
