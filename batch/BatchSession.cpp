#include "batch/BatchSession.h"

#include <cstring>

#include "common/HexText.h"
#include "common/ModuleInfo.h"
#include "common/UuidText.h"
#include "firmware/UpdaterSequence.h"
#include "settings/ConfigSession.h"
#include "settings/FieldsConfigView.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsText.h"

namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusFailed = 1;
constexpr int kStatusRefused = 2;
constexpr int kStatusFile = 3;
constexpr int kStatusInterrupted = 130;

const wchar_t kNobodyToAsk[] =
    L"確認が必要ですが、標準入力がコンソールではないため質問しませんでした。書き込んでいません"
    L"（確認なしに書き込むには --yes を指定してください）。";

// A blank field in a plan line.
std::wstring Shown(const std::wstring& value) {
    return value.empty() ? std::wstring(L"（空）") : value;
}

// NeraConfig's session for one module of the batch: the row's fields, questions through the
// batch's view, and the plan shown as status lines before any question.
class CBatchConfigView : public CFieldsConfigView {
public:
    CBatchConfigView(IBatchView& view, bool yes) : CFieldsConfigView(yes), m_view(view) {}

    void ShowError(const std::wstring& text) override { m_error = text; }
    void ShowPlan(const NeraSettings& current, const NeraSettings& next) override {
        const std::vector<SSettingsRow> before = SettingsRows(current);
        const std::vector<SSettingsRow> after = SettingsRows(next);
        for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
            const bool newPassword =
                std::wcscmp(before[i].member, L"passwordDigest") == 0 &&
                std::memcmp(current.PasswordDigest(), next.PasswordDigest(), kPasswordDigestSize) != 0;
            if (before[i].value == after[i].value && !newPassword) {
                continue;
            }
            m_changed.push_back(before[i].member);
            m_view.Status(std::wstring(L"  ") + before[i].label + L": " + Shown(before[i].value) + L" → " +
                          Shown(after[i].value) + (before[i].value == after[i].value ? L"（別の値）" : L""));
        }
        if (m_changed.empty()) {
            m_view.Status(L"  （変わる設定はありません）");
        }
    }

    std::wstring m_error;
    std::vector<std::wstring> m_changed;

protected:
    bool CanAsk() override { return m_view.CanAsk(); }
    bool Ask(const std::wstring& question) override { return m_view.Ask(question); }
    void ShowRefusal() override {}

private:
    IBatchView& m_view;
};

// The updater's sequence without a window: its log is not shown, its error boxes become the
// report's message, and Ctrl+C stops it between steps.
class CBatchUpdaterView : public IUpdaterView {
public:
    explicit CBatchUpdaterView(IBatchView& view) : m_view(view) {}

    void AppendLogText(const std::wstring&) override {}
    void ClearLog() override {}
    void ShowErrorBox(const std::wstring& title, const std::wstring& text) override {
        m_error = title + L": " + text;
    }
    bool AskYesNo(const std::wstring&) override { return false; }
    void SetHardwareInfo(const std::wstring&) override {}
    void SetCurrentVersion(const std::wstring&) override {}
    void SetConnectButtons(bool) override {}
    bool StopRequested() override { return m_view.StopRequested(); }

    std::wstring m_error;

private:
    IBatchView& m_view;
};

void Outcome(SReportLine& line, EBatchResult result, int status, const std::wstring& message) {
    line.result = result;
    line.exitStatus = status;
    line.message = message;
}

// "20261209T010203Z" of "2026-12-09T01:02:03Z", for file names.
std::wstring CompactTime(const std::string& time) {
    std::wstring out;
    for (char c : time) {
        if (c != '-' && c != ':') {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

bool ReadVersion(const std::wstring& text, unsigned parts[3]) {
    size_t i = 0;
    for (int part = 0; part < 3; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != L'.') {
                return false;
            }
            ++i;
        }
        unsigned value = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && digits < 5) {
            value = value * 10 + static_cast<unsigned>(text[i] - L'0');
            ++i;
            ++digits;
        }
        if (digits == 0) {
            return false;
        }
        parts[part] = value;
    }
    return i == text.size();
}

} // namespace

int CompareVersions(const std::wstring& a, const std::wstring& b) {
    unsigned first[3] = {};
    unsigned second[3] = {};
    const bool readA = ReadVersion(a, first);
    const bool readB = ReadVersion(b, second);
    if (!readA || !readB) {
        return readA == readB ? 0 : (readA ? 1 : -1);
    }
    for (int i = 0; i < 3; ++i) {
        if (first[i] != second[i]) {
            return first[i] < second[i] ? -1 : 1;
        }
    }
    return 0;
}

// One module on the line: its session, and what it told about itself.
struct CBatchSession::SModule {
    SModule(IDeviceApi& device, IBatchView& view, bool yes) : config(view, yes), session(device, config) {}

    CBatchConfigView config;
    CConfigSession session;
    bool readFailed = false;
    std::wstring uuid; // upper case; "" when area 7 could not be read
    std::wstring mac;  // 12 digits of the module's record
    std::wstring product;
    std::wstring version;
};

CBatchSession::CBatchSession(IDeviceApi& device, IBatchView& view, const SBatchOptions& options,
                             const std::vector<SBatchRecipe>& recipes, SReportMemory& memory)
    : m_device(device), m_view(view), m_options(options), m_recipes(recipes), m_memory(memory) {}

SBatchSummary CBatchSession::Run() {
    m_summary = SBatchSummary();
    for (;;) {
        SModule module(m_device, m_view, m_options.yes);
        if (!WaitForModule(module)) {
            break;
        }
        SReportLine line;
        Handle(module, line);
        module.session.CloseDevice();
        Report(line);
        if (m_reportFailed) {
            break;
        }
        if (m_view.StopRequested()) {
            m_summary.stopped = true;
            break;
        }
        if (m_options.once || RowsLeft() == 0) {
            break;
        }
        WaitUntilGone(module.uuid);
    }
    m_summary.rowsLeft = RowsLeft();
    m_summary.exitStatus = m_reportFailed            ? kStatusFile
                           : m_summary.stopped       ? kStatusInterrupted
                           : m_summary.noModule      ? kStatusFailed
                           : m_summary.rowsLeft == 0 ? kStatusOk
                                                     : kExitBatchIncomplete;
    return m_summary;
}

bool CBatchSession::WaitForModule(SModule& module) {
    bool announced = false;
    for (;;) {
        if (m_view.StopRequested()) {
            m_summary.stopped = true;
            return false;
        }
        const EConnectResult connected = module.session.OnConnect();
        if (connected == EConnectResult::kConnected || connected == EConnectResult::kReadFailed) {
            module.readFailed = connected == EConnectResult::kReadFailed;
            break;
        }
        if (m_options.once) {
            m_view.Status(L"モジュールが見つかりません。");
            m_summary.noModule = true;
            return false;
        }
        if (!announced) {
            m_view.Status(L"モジュールを待っています（Ctrl+C で終了します）…");
            announced = true;
        }
        m_view.Pause(m_options.pollMilliseconds);
    }
    const SModuleInfo info = module.session.ReadModuleInfo();
    module.uuid = info.hasIdentity ? WideTextFromUuid(info.identity, EHexCase::kUpper) : std::wstring();
    module.mac = WideHexFromBytes(module.session.m_currentSettings.Mac(), kMacSize);
    module.product = ProductNameFromCode(info.hasCode ? info.code : kNoHwCode);
    module.version = info.version;
    return true;
}

void CBatchSession::Handle(SModule& module, SReportLine& line) {
    line.time = m_view.UtcNow();
    line.uuid = module.uuid;
    line.mac = module.mac;
    const std::wstring name = module.product + L"（製品識別子 " +
                              (module.uuid.empty() ? L"N/A" : module.uuid) + L"、MAC " +
                              MacColonText(module.session.m_currentSettings.Mac()) + L"）";
    if (module.readFailed) {
        Outcome(line, EBatchResult::kFailed, kStatusFailed, L"デバイスの設定を読み出せませんでした。");
        m_view.Status(name + L": " + line.message);
        return;
    }
    const bool byMac = m_options.key == EBatchKey::kMac;
    const std::wstring key = byMac ? module.mac : module.uuid;
    const SBatchRecipe* recipe = key.empty() ? nullptr : FindRecipe(m_recipes, key);
    if (recipe == nullptr) {
        line.result = EBatchResult::kUnknown;
        line.message = L"表にないモジュールです。何も書き込んでいません。";
        m_view.Status(name + L": " + line.message);
        return;
    }
    line.row = recipe->line;
    m_view.Status(name + L": 表の " + std::to_wstring(recipe->line) + L" 行目");
    if (m_memory.Done(module.uuid, module.mac, byMac)) {
        Outcome(line, EBatchResult::kSkipped, kStatusOk, L"前の実行で設定済みです。何も書き込んでいません。");
        m_view.Status(L"  " + line.message);
        return;
    }
    WriteSettings(module, *recipe, line);
    module.session.CloseDevice();
    if (m_options.update && (line.result == EBatchResult::kOk || line.result == EBatchResult::kPlanned)) {
        UpdateFirmware(module, line);
    }
    m_view.Status(std::wstring(L"  ") +
                  (line.result == EBatchResult::kOk        ? L"完了: "
                   : line.result == EBatchResult::kPlanned ? L"計画: "
                                                           : L"失敗: ") +
                  line.message);
}

bool CBatchSession::BackUp(const SModule& module, SReportLine& line) {
    const NeraSettings& current = module.session.m_currentSettings;
    NeraSettings record;
    SEditorProblem problem;
    // The file get -o would save, so that nera set restores it; a record NeraConfig could not
    // save is kept as read.
    if (!SaveableRecord(current, record, problem)) {
        record = current;
        if (!IsPasswordEnabled(record.PasswordDigest())) {
            std::memset(record.PasswordDigest(), 0xFF, kPasswordDigestSize);
        }
    }
    const SettingsFileBytes file = SerializeSettingsFile(record, 0);
    const std::wstring stem = m_options.backupFolder + (module.uuid.empty() ? module.mac : module.uuid) +
                              L"-" + CompactTime(line.time);
    std::wstring path = stem + L".nera";
    for (int n = 2; m_view.FileExists(path) && n < 1000; ++n) {
        path = stem + L"-" + std::to_wstring(n) + L".nera";
    }
    std::wstring reason;
    if (!m_view.WriteNewFile(path, std::vector<uint8_t>(file.begin(), file.end()), reason)) {
        Outcome(line, EBatchResult::kFailed, kStatusFile,
                L"設定のバックアップを書けないため、モジュールには書き込んでいません（" + path +
                    (reason.empty() ? L"" : L": " + reason) + L"）。");
        return false;
    }
    line.backup = path;
    return true;
}

void CBatchSession::WriteSettings(SModule& module, const SBatchRecipe& recipe, SReportLine& line) {
    CConfigSession& session = module.session;
    CBatchConfigView& view = module.config;
    view.m_fields = recipe.plan.fields;
    session.m_macEdit = recipe.plan.macEdit;
    std::wstring macText;
    if (!recipe.plan.macEdit && TakeDeviceMac(session.m_currentSettings, false, macText)) {
        view.m_fields.macText = macText;
    }
    std::wstring message;
    if (!CheckSourceMac(m_options.templateFile, recipe.changes, session.m_currentSettings, L"", message)) {
        Outcome(line, EBatchResult::kRefused, kStatusRefused, message);
        return;
    }
    if (!m_options.dryRun && !BackUp(module, line)) {
        return;
    }
    SWriteRules rules;
    rules.dryRun = m_options.dryRun;
    rules.keepModulePassword = !recipe.changes.noPassword;
    rules.refuseUnusableMac = !recipe.changes.mac;
    NeraSettings record = recipe.plan.base;
    const SWriteOutcome outcome = session.OnWriteToDevice(record, rules);
    line.changed = view.m_changed;
    switch (outcome.result) {
        case EWriteResult::kWritten:
            Outcome(line, EBatchResult::kOk, kStatusOk, L"正常に書き込みました。");
            return;
        case EWriteResult::kDryRun:
            Outcome(line, EBatchResult::kPlanned, kStatusOk, L"書き込んでいません（--dry-run）。");
            return;
        case EWriteResult::kWouldRemovePassword:
            Outcome(line, EBatchResult::kRefused, kStatusRefused,
                    L"モジュールにはパスワードが設定されていますが、この書込みはパスワードを消します。"
                    L"書き込んでいません。消すには no-password 列に on を、残すには password 列に同じ"
                    L"パスワードを書いてください。");
            return;
        case EWriteResult::kUnusableMac:
            Outcome(line, EBatchResult::kRefused, kStatusRefused,
                    L"MAC アドレス " + MacColonText(outcome.written.Mac()) +
                        L" は使えません（すべて FF、すべて 0、またはマルチキャスト）。書き込んでいません。"
                        L"この MAC アドレスを書き込むには mac 列で指定してください。");
            return;
        case EWriteResult::kMacChangeDeclined:
            Outcome(
                line, EBatchResult::kRefused, kStatusRefused,
                view.m_unanswered
                    ? std::wstring(kNobodyToAsk)
                    : L"MAC アドレスが変わるため書込みを中止しました（--yes で確認なしに書き込みます）。");
            return;
        case EWriteResult::kRefused: {
            const std::wstring column = ColumnOfField(view.m_problem.field);
            Outcome(line, EBatchResult::kRefused, kStatusRefused,
                    (column.empty() ? L"" : column + L": ") + view.m_problem.message);
            return;
        }
        case EWriteResult::kReadBackFailed:
        case EWriteResult::kReadBackDiffers:
            Outcome(line, EBatchResult::kFailed, kStatusFailed,
                    L"読み戻した設定が書き込んだ設定と一致しません。");
            return;
        case EWriteResult::kWriteFailed:
        case EWriteResult::kFirstDeviceDeclined:
        case EWriteResult::kNotConnected:
            break;
    }
    Outcome(line, EBatchResult::kFailed, kStatusFailed,
            view.m_error.empty() ? std::wstring(L"書込みに失敗しました。") : view.m_error);
}

void CBatchSession::UpdateFirmware(SModule& module, SReportLine& line) {
    SFirmwareNote note{module.version, m_options.image.m_version, L""};
    const int newer = CompareVersions(m_options.image.m_version, module.version);
    auto done = [&](const wchar_t* action, EBatchResult result, int status, const std::wstring& message) {
        note.action = action;
        line.firmware = note;
        if (result != line.result || status != kStatusOk) {
            Outcome(line, result, status, line.message + message);
        } else {
            line.message += message;
        }
    };
    if (newer == 0) {
        return done(L"same", line.result, kStatusOk,
                    L" ファームウェアは同じバージョンです（" + note.from + L"）。");
    }
    if (newer < 0 && !m_options.allowDowngrade) {
        return done(L"refused", EBatchResult::kRefused, kStatusRefused,
                    L" モジュールのファームウェア " + note.from + L" は " + note.to +
                        L" より新しいため書き換えていません（--allow-downgrade で書き換えます）。");
    }
    if (m_options.dryRun) {
        return done(L"planned", line.result, kStatusOk,
                    L" ファームウェアを " + note.from + L" から " + note.to + L" に書き換える予定です。");
    }
    if (m_view.StopRequested()) {
        return done(L"stopped", EBatchResult::kFailed, kStatusInterrupted,
                    L" 中断したため、ファームウェアは書き換えていません。");
    }
    if (!m_options.yes) {
        const std::wstring question = module.product + L"（製品識別子 " + module.uuid +
                                      L"）のファームウェアを " + note.from + L" から " + note.to +
                                      L" に書き換えます。続けますか？";
        if (!m_view.CanAsk()) {
            return done(L"refused", EBatchResult::kRefused, kStatusRefused,
                        L" " + std::wstring(kNobodyToAsk));
        }
        if (!m_view.Ask(question)) {
            return done(L"refused", EBatchResult::kRefused, kStatusRefused,
                        L" ファームウェアの書込みを中止しました。");
        }
    }
    CBatchUpdaterView view(m_view);
    CUpdaterSession updater(m_device, view, ParseUuidText);
    updater.m_strUuid = module.uuid; // the same module, or nothing is written
    updater.m_image = m_options.image.m_data;
    updater.StartLog();
    SUpdateOutcome outcome = updater.OnConnect();
    if (outcome.result == EUpdateResult::kConnected) {
        outcome = updater.WriteImage();
    }
    switch (outcome.result) {
        case EUpdateResult::kWritten:
            return done(L"updated", line.result, kStatusOk,
                        L" ファームウェアを " + note.from + L" から " + note.to + L" に書き換えました。");
        case EUpdateResult::kStopped:
            return done(L"stopped", EBatchResult::kFailed, kStatusInterrupted,
                        L" 中断したため、ファームウェアは不完全です。nera update で書き込み直してください。");
        default:
            return done(L"failed", EBatchResult::kFailed, kStatusFailed,
                        L" ファームウェアを書き換えられませんでした（" +
                            (outcome.reason.empty() ? view.m_error : outcome.reason) + L"）。");
    }
}

void CBatchSession::WaitUntilGone(const std::wstring& uuid) {
    bool announced = false;
    for (;;) {
        if (m_view.StopRequested()) {
            m_summary.stopped = true;
            return;
        }
        const uint32_t handle = m_device.NeraFlashModeOpen(0);
        if (handle == 0) {
            return;
        }
        uint8_t identity[16] = {};
        const bool same = ReadModuleIdentity(m_device, handle, identity) && !uuid.empty() &&
                          WideTextFromUuid(identity, EHexCase::kUpper) == uuid;
        m_device.NeraFlashModeClose(handle, 0);
        if (!same) {
            return;
        }
        if (!announced) {
            m_view.Status(L"モジュールを外してください…");
            announced = true;
        }
        m_view.Pause(m_options.pollMilliseconds);
    }
}

void CBatchSession::Report(const SReportLine& line) {
    ++m_summary.counts[static_cast<size_t>(line.result)];
    if (line.result != EBatchResult::kUnknown) {
        if (!line.uuid.empty()) {
            m_memory.byUuid[line.uuid] = line.result;
        }
        if (!line.mac.empty()) {
            m_memory.byMac[line.mac] = line.result;
        }
    }
    std::string text = FormatReportLine(line);
    // A line cut short by a crash stays as it was, on a line of its own.
    if (m_memory.endsTorn) {
        text.insert(text.begin(), '\n');
    }
    std::wstring reason;
    if (!m_view.AppendReport(text, reason)) {
        m_view.Status(L"レポートに書き込めないため終了します（" + reason + L"）。");
        m_reportFailed = true;
        return;
    }
    m_memory.endsTorn = false;
}

size_t CBatchSession::RowsLeft() const {
    const bool byMac = m_options.key == EBatchKey::kMac;
    size_t left = 0;
    for (const SBatchRecipe& recipe : m_recipes) {
        if (!m_memory.Done(recipe.key, recipe.key, byMac)) {
            ++left;
        }
    }
    return left;
}
