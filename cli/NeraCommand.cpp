#include "cli/NeraCommand.h"

#include <cstring>

#include "common/HexText.h"
#include "common/ModuleInfo.h"
#include "common/PrintableText.h"
#include "common/UuidText.h"
#include "settings/ConfigSession.h"
#include "settings/FieldsConfigView.h"
#include "settings/NeraSettings.h"
#include "settings/SettingsEditor.h"
#include "settings/SettingsChanges.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsJson.h"
#include "settings/SettingsText.h"

namespace {

// A larger input is surely not a settings file or its JSON; it is refused before reading.
constexpr size_t kMaxJsonRead = 1024 * 1024;

const wchar_t kCannotConnect[] = L"デバイスとの接続ができません。";
const wchar_t kCannotReadSettings[] = L"デバイスの設定を読み出せませんでした。";
const wchar_t kReadBackDiffers[] = L"読み戻した設定が書き込んだ設定と一致しません。";
const wchar_t kMacChangeDeclined[] =
    L"MAC アドレスが変わるため書込みを中止しました（--yes で確認なしに書き込みます）。";
const wchar_t kWouldRemovePassword[] =
    L"モジュールにはパスワードが設定されていますが、この書込みはパスワードを消します。書き込んでいません。"
    L"消すには --no-password を、残すには --password で同じパスワードを指定するか、"
    L"nera get -o で保存した設定ファイルを使ってください。";
const wchar_t kIdentityUnreadable[] = L"モジュールの製品識別子を読み出せませんでした。";

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring HexCode(uint32_t value) {
    return L"0x" + WideHexFromNumber(value, 8);
}

// One "label: value" line; a value from a module or a file may hold any character.
void Line(std::wstring& out, const wchar_t* label, const std::wstring& value) {
    out += label;
    out += value.empty() ? L":\n" : L": " + PrintableText(value) + L"\n";
}

// The 128 bytes, 16 to a line.
std::wstring RecordHex(const NeraSettings& settings) {
    std::wstring out;
    for (size_t line = 0; line < kNeraSettingsSize; line += 16) {
        out += WideHexFromBytes(settings.bytes + line, 16, L' ') + L"\n";
    }
    return out;
}

// The row label of a field, and the option of set that changes it.
struct SFieldName {
    const wchar_t* label;
    const wchar_t* option;
};

SFieldName FieldName(EEditorField field) {
    switch (field) {
        case EEditorField::kMac:
            return {L"MACアドレス", nullptr};
        case EEditorField::kPort:
            return {L"ポート", L"--port"};
        case EEditorField::kIpAddress:
            return {L"IPアドレス", L"--ip"};
        case EEditorField::kSubnetMask:
            return {L"サブネットマスク", L"--mask"};
        case EEditorField::kGateway:
            return {L"ゲートウェイ", L"--gateway"};
        case EEditorField::kDnsServer:
            return {L"DNSサーバー", L"--dns"};
        case EEditorField::kNtpServer:
            return {L"NTPサーバー", L"--ntp"};
        case EEditorField::kPassword:
            return {L"パスワード", L"--password"};
        case EEditorField::kClientMode:
            return {L"クライアントモード", L"--client"};
        case EEditorField::kServer:
            return {L"サーバー", L"--server"};
        case EEditorField::kServerPort:
            return {L"サーバーポート", L"--server-port"};
        case EEditorField::kNone:
            break;
    }
    return {nullptr, nullptr};
}

// A refused field, named by the option that set it, or by the JSON member it came from.
int ReportProblem(INeraHost& host, EEditorField field, const std::wstring& message, bool fromJson) {
    const SFieldName name = FieldName(field);
    if (name.label == nullptr) {
        ReportError(host, message);
    } else if (fromJson) {
        ReportError(host,
                    std::wstring(name.label) + L" (JSON の " + JsonMemberOfField(field) + L"): " + message);
    } else {
        ReportError(host,
                    std::wstring(name.label) +
                        (name.option != nullptr ? std::wstring(L" (") + name.option + L")" : std::wstring()) +
                        L": " + message);
    }
    return kExitUsage;
}

int ReportProblem(INeraHost& host, const SEditorProblem& problem) {
    return ReportProblem(host, problem.field, problem.message, false);
}

// NeraConfig's session seen from a console: nothing is shown while it runs (the commands print
// the outcome), questions go to the person at the console, and a refusal of the fields is
// reported as set's usage error.
class CConsoleConfigView : public CFieldsConfigView {
public:
    CConsoleConfigView(INeraHost& host, bool yes) : CFieldsConfigView(yes), m_host(host) {}

    void ShowError(const std::wstring& text) override { ReportError(m_host, text); }

protected:
    bool CanAsk() override { return m_host.InIsConsole(); }
    bool Ask(const std::wstring& question) override { return m_host.AskYesNo(question); }
    void ShowRefusal() override { ReportProblem(m_host, m_problem); }

private:
    INeraHost& m_host;
};

// Opens the module and reads its settings as NeraConfig's connect does, and with --uuid checks
// that it is the module named; on a failure reports it and leaves the module closed.
int Connect(CConfigSession& session, const SNeraOptions& options, INeraHost& host) {
    switch (session.OnConnect()) {
        case EConnectResult::kConnected:
        case EConnectResult::kAlreadyConnected:
            break;
        case EConnectResult::kOpenFailed:
            ReportError(host, kCannotConnect);
            return kExitRefused;
        case EConnectResult::kReadFailed:
            // The buffer would hold nothing of the module.
            session.CloseDevice();
            ReportError(host, kCannotReadSettings);
            return kExitRefused;
    }
    if (!options.uuid) {
        return kExitOk;
    }
    uint8_t expected[16] = {};
    uint8_t found[16] = {};
    ParseUuidText(*options.uuid, expected);
    const bool read = session.ReadIdentity(found);
    if (read && std::memcmp(expected, found, sizeof expected) == 0) {
        return kExitOk;
    }
    session.CloseDevice();
    ReportError(host, read ? L"製品識別子が一致しません（指定: " + *options.uuid + L"、モジュール: " +
                                 WideTextFromUuid(found, EHexCase::kUpper) + L"）。書き込んでいません。"
                           : std::wstring(kIdentityUnreadable));
    return kExitRefused;
}

// The one JSON view of a module's settings, for get --json and info --json alike: the file that
// get -o saves (so that it goes back to set and convert), and whether the area was erased. A
// record NeraConfig could not save is shown as read, with "no password" in the file's form.
std::string ModuleSettingsJson(const CConfigSession& session, bool& saveable, SEditorProblem& problem) {
    NeraSettings record;
    saveable = SaveableRecord(session.m_currentSettings, record, problem);
    if (!saveable) {
        record = session.m_currentSettings;
        if (!IsPasswordEnabled(record.PasswordDigest())) {
            std::memset(record.PasswordDigest(), 0xFF, kPasswordDigestSize);
        }
    }
    const uint16_t normalMode = 0;
    const bool erased = session.m_currentErased;
    return SettingsToJson(record, &normalMode, &erased);
}

// The object of info --json: what the module tells about itself, and its settings as get --json
// shows them.
std::string InfoJson(const SModuleInfo& info, const std::string& settingsJson) {
    auto text = [](const std::wstring& value) {
        return "\"" + std::string(value.begin(), value.end()) + "\"";
    };
    std::string out = "{\n";
    out += "  \"product\": " + text(ProductNameFromCode(info.hasCode ? info.code : kNoHwCode)) + ",\n";
    out += "  \"hwCode\": " + (info.hasCode ? text(HexCode(info.code)) : std::string("null")) + ",\n";
    out +=
        "  \"uuid\": " +
        (info.hasIdentity ? text(WideTextFromUuid(info.identity, EHexCase::kUpper)) : std::string("null")) +
        ",\n";
    out += "  \"firmware\": " + text(info.version) + ",\n";
    // The settings object, indented one level further.
    std::string indented;
    for (size_t i = 0; i + 1 < settingsJson.size(); ++i) { // without its last line feed
        indented += settingsJson[i];
        if (settingsJson[i] == '\n') {
            indented += "  ";
        }
    }
    return out + "  \"settings\": " + indented + "\n}\n";
}

// "Nera5120（製品識別子 …）": the module a command works on, as update names it.
std::wstring ModuleName(const SModuleInfo& info) {
    return ProductNameFromCode(info.hasCode ? info.code : kNoHwCode) + L"（製品識別子 " +
           (info.hasIdentity ? WideTextFromUuid(info.identity, EHexCase::kUpper) : std::wstring(L"N/A")) +
           L"）";
}

int OnInfo(const SNeraOptions& options, IDeviceApi& device, INeraHost& host) {
    CConsoleConfigView view(host, false);
    CConfigSession session(device, view);
    const int connected = Connect(session, options, host);
    if (connected != kExitOk) {
        return connected;
    }
    const SModuleInfo info = session.ReadModuleInfo();
    session.CloseDevice();
    if (options.json) {
        bool saveable = false;
        SEditorProblem problem;
        host.Out(Widen(InfoJson(info, ModuleSettingsJson(session, saveable, problem))));
        return kExitOk;
    }
    std::wstring out;
    Line(out, L"製品", ProductNameFromCode(info.hasCode ? info.code : kNoHwCode));
    Line(out, L"ハードウェアコード", info.hasCode ? HexCode(info.code) : L"N/A");
    Line(out, L"製品識別子", info.hasIdentity ? WideTextFromUuid(info.identity, EHexCase::kUpper) : L"N/A");
    Line(out, L"ファームウェアバージョン", info.version);
    if (session.m_currentErased) {
        Line(out, L"設定", L"なし（設定領域は消去されています）");
    }
    host.Out(out + SettingsText(session.m_currentSettings));
    return kExitOk;
}

// -o onto an existing file without --force: refused before anything is read or written.
int RefuseExistingOutput(const SNeraOptions& options, INeraHost& host) {
    if (options.output.empty() || options.force || !host.FileExists(options.output)) {
        return kExitOk;
    }
    return ReportFileError(host, options.output,
                           L"ファイルが既にあります（置き換えるには --force を指定してください）。", L"");
}

// Writes -o: a new file, or with --force an existing one in place; never replaces silently.
int WriteBytes(INeraHost& host, const SNeraOptions& options, const std::vector<uint8_t>& bytes) {
    const std::wstring& path = options.output;
    const bool exists = host.FileExists(path);
    const int refused = RefuseExistingOutput(options, host);
    if (refused != kExitOk) {
        return refused;
    }
    std::wstring reason;
    if (!host.WriteFile(path, bytes, exists, reason)) {
        return ReportFileError(host, path, L"ファイルに書き込めませんでした。", reason);
    }
    return kExitOk;
}

int OnGet(const SNeraOptions& options, IDeviceApi& device, INeraHost& host) {
    const int refused = RefuseExistingOutput(options, host);
    if (refused != kExitOk) {
        return refused;
    }
    CConsoleConfigView view(host, false);
    CConfigSession session(device, view);
    const int connected = Connect(session, options, host);
    if (connected != kExitOk) {
        return connected;
    }
    session.CloseDevice();
    const NeraSettings& settings = session.m_currentSettings;
    // The file and the JSON are the record that NeraConfig saves after reading the module, so
    // that either can go back to set.
    NeraSettings record;
    SEditorProblem problem;
    const bool saveable = SaveableRecord(settings, record, problem);
    if (options.json || !options.output.empty()) {
        if (!saveable) {
            ReportError(host, L"設定ファイルに保存できません。");
            return ReportProblem(host, problem);
        }
    }
    const uint16_t normalMode = 0;
    if (options.json) {
        bool unused = false;
        host.Out(Widen(ModuleSettingsJson(session, unused, problem)));
    } else if (!(options.quiet && !options.output.empty())) {
        if (session.m_currentErased) {
            host.Out(L"設定領域は消去されています（次は NeraConfig が代わりに示す既定の設定です）。\n");
        }
        host.Out(SettingsText(settings));
    }
    if (options.output.empty()) {
        return kExitOk;
    }
    const SettingsFileBytes file = SerializeSettingsFile(record, normalMode);
    return WriteBytes(host, options, std::vector<uint8_t>(file.begin(), file.end()));
}


int Interrupted(INeraHost& host, const std::wstring& state) {
    ReportError(host, L"中断しました。" + state);
    return kExitInterrupted;
}

int OnSet(const SNeraOptions& options, IDeviceApi& device, INeraHost& host) {
    SSettingsSource source;
    const int read = ReadSettingsFile(host, options.input, false, source);
    if (read != kExitOk) {
        return read;
    }
    // Every check before the module is touched; only the MAC changes after reading it.
    SSetPlan plan;
    SSetProblem problem;
    if (!PrepareSettingsWrite(source, options.changes, L"--", plan, problem)) {
        if (problem.field == EEditorField::kNone && !problem.fromChanges) {
            ReportError(host, PrintableText(options.input) + L": " + problem.message);
            return kExitUsage;
        }
        return ReportProblem(host, problem.field, problem.message, source.json && !problem.fromChanges);
    }

    CConsoleConfigView view(host, options.yes);
    view.m_fields = plan.fields;
    CConfigSession session(device, view);
    session.m_macEdit = plan.macEdit;
    const int connected = Connect(session, options, host);
    if (connected != kExitOk) {
        return connected;
    }
    std::wstring message;
    if (!CheckSourceMac(source, options.changes, session.m_currentSettings, L"--", message)) {
        session.CloseDevice();
        ReportError(host, message);
        return kExitUsage;
    }
    const std::wstring module = ModuleName(session.ReadModuleInfo());
    if (host.StopRequested()) {
        session.CloseDevice();
        return Interrupted(host, L"モジュールには書き込んでいません。");
    }
    if (!options.quiet && !options.dryRun) {
        host.Err(L"書込み先: " + module + L"\n");
    }
    // A script says what it changes: the module's password stays unless --no-password says
    // otherwise, and a MAC no network can use is written only when --mac names it.
    SWriteRules rules;
    rules.dryRun = options.dryRun;
    rules.keepModulePassword = !options.changes.noPassword;
    rules.refuseUnusableMac = !options.changes.mac;
    NeraSettings record = plan.base;
    const SWriteOutcome outcome = session.OnWriteToDevice(record, rules);
    session.CloseDevice();
    switch (outcome.result) {
        case EWriteResult::kWritten:
            if (host.StopRequested()) {
                return Interrupted(host, L"設定は書き込み、読み戻して確かめてあります（" + module + L"）。");
            }
            if (!options.quiet) {
                host.Out(std::wstring(kWriteDoneMessage) + L"（" + module + L"）\n" +
                         SettingsText(outcome.readBack));
            }
            return kExitOk;
        case EWriteResult::kWouldRemovePassword:
            ReportError(host, kWouldRemovePassword);
            return kExitUsage;
        case EWriteResult::kUnusableMac:
            ReportError(
                host, L"MAC アドレス " + MacColonText(outcome.written.Mac()) +
                          L" は使えません（すべて FF、すべて 0、またはマルチキャスト）。書き込んでいません。"
                          L"この MAC アドレスを書き込むには --mac で指定してください。");
            return kExitUsage;
        case EWriteResult::kDryRun:
            host.Out(L"書き込むレコード（書き込んでいません）: " + module + L"\n" +
                     SettingsText(outcome.written) + RecordHex(outcome.written));
            return kExitOk;
        case EWriteResult::kMacChangeDeclined:
            ReportError(host, view.m_unanswered ? kNobodyToAskMessage : kMacChangeDeclined);
            return kExitUsage;
        case EWriteResult::kRefused: // the view has reported the field
            return kExitUsage;
        case EWriteResult::kWriteFailed: // the view has reported the failure
            return kExitRefused;
        case EWriteResult::kReadBackFailed:
        case EWriteResult::kReadBackDiffers:
            ReportError(host, kReadBackDiffers);
            return kExitRefused;
        case EWriteResult::kFirstDeviceDeclined:
        case EWriteResult::kNotConnected:
            break; // connected above
    }
    ReportError(host, kCannotConnect);
    return kExitRefused;
}

int OnConvert(const SNeraOptions& options, INeraHost& host) {
    SSettingsSource source;
    // --json turns a settings file into JSON; -o alone turns JSON into a settings file.
    const int read = ReadSettingsFile(host, options.input, !options.json, source);
    if (read != kExitOk) {
        return read;
    }
    if (options.json) {
        const std::string json = SettingsToJson(source.record, &source.macEditFlag);
        if (options.output.empty()) {
            host.Out(Widen(json));
            return kExitOk;
        }
        return WriteBytes(host, options, std::vector<uint8_t>(json.begin(), json.end()));
    }
    const SettingsFileBytes file = SerializeSettingsFile(source.record, source.macEditFlag);
    return WriteBytes(host, options, std::vector<uint8_t>(file.begin(), file.end()));
}

} // namespace

int ReadSettingsFile(INeraHost& host, const std::wstring& path, bool jsonOnly, SSettingsSource& source) {
    std::vector<uint8_t> data;
    std::wstring reason;
    if (!host.ReadFile(path, kMaxJsonRead, data, reason)) {
        return ReportFileError(host, path, L"ファイルが開けませんでした。", reason);
    }
    std::wstring message;
    if (!ReadSettingsSource(data, jsonOnly, source, message)) {
        ReportError(host, PrintableText(path) + L": " + message);
        return kExitUsage;
    }
    return kExitOk;
}

const wchar_t kNoLibrariesMessage[] = L"デバイスライブラリ Kivo5120.dll と Q5120Common.dll が見つかりません"
                               L"（nera.exe と同じフォルダーに置いてください）。";

const wchar_t kNobodyToAskMessage[] =
    L"確認が必要ですが、標準入力がコンソールではないため質問しませんでした。書き込んでいません"
    L"（確認なしに書き込むには --yes を指定してください）。";

void ReportError(INeraHost& host, const std::wstring& text) {
    host.Err(L"nera: " + text + L"\n");
}

int ReportFileError(INeraHost& host, const std::wstring& path, const std::wstring& what,
                    const std::wstring& reason) {
    ReportError(host, PrintableText(path) + L": " + what + (reason.empty() ? L"" : L"（" + reason + L"）"));
    return kExitFile;
}

int RunNera(const std::vector<std::wstring>& args, IDeviceLibraries& libraries, INeraHost& host) {
    SNeraOptions options;
    std::wstring message;
    if (!ParseNeraOptions(args, options, message)) {
        ReportError(host, message);
        return kExitUsage;
    }
    if (options.version) {
        host.Out(std::wstring(L"nera ") + NeraSuiteVersion() + L"\n");
        return kExitOk;
    }
    if (options.help) {
        host.Out(NeraHelpText(options.command));
        return kExitOk;
    }
    if (options.command == ECommand::kNone) {
        host.Out(NeraHelpText(ECommand::kNone));
        return kExitUsage;
    }
    if (options.command == ECommand::kConvert) {
        return OnConvert(options, host);
    }
    if (options.command == ECommand::kBatch) {
        // Every file is read and the table checked before the libraries are needed.
        return RunBatchCommand(options, libraries, host);
    }
    IDeviceApi* device = libraries.Load();
    if (device == nullptr) {
        ReportError(host, kNoLibrariesMessage);
        return kExitFile;
    }
    int status = kExitUsage;
    switch (options.command) {
        case ECommand::kInfo:
            status = OnInfo(options, *device, host);
            break;
        case ECommand::kGet:
            status = OnGet(options, *device, host);
            break;
        case ECommand::kSet:
            return OnSet(options, *device, host);
        case ECommand::kUpdate:
            return RunUpdateCommand(options, *device, host);
        default:
            break;
    }
    // Reading ends as it began; Ctrl+C during it still ends the script that ran it.
    if (status == kExitOk && host.StopRequested()) {
        ReportError(host, L"中断しました。");
        return kExitInterrupted;
    }
    return status;
}

int RunNera(const std::vector<std::wstring>& args, IDeviceApi& device, INeraHost& host) {
    CLoadedDeviceLibraries libraries(device);
    return RunNera(args, libraries, host);
}
