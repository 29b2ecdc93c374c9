#include "NeraCommand.h"

#include <cstring>

#include "ConfigSession.h"
#include "ModuleInfo.h"
#include "HexText.h"
#include "NeraSettings.h"
#include "SettingsEditor.h"
#include "SettingsFile.h"
#include "SettingsJson.h"
#include "UuidText.h"

namespace {

// Larger inputs are surely not what the command expects; they are refused before reading.
constexpr size_t kMaxSettingsFileRead = 4096;
constexpr size_t kMaxJsonRead = 1024 * 1024;

const wchar_t kCannotConnect[] = L"デバイスとの接続ができません。";
const wchar_t kCannotReadSettings[] = L"デバイスの設定を読み出せませんでした。";
const wchar_t kReadBackDiffers[] = L"読み戻した設定が書き込んだ設定と一致しません。";
const wchar_t kMacChangeDeclined[] =
    L"MAC アドレスが変わるため書込みを中止しました（--yes で確認なしに書き込みます）。";

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring AddressText(uint32_t address) {
    return std::to_wstring(address >> 24) + L"." + std::to_wstring((address >> 16) & 0xFF) + L"." +
           std::to_wstring((address >> 8) & 0xFF) + L"." + std::to_wstring(address & 0xFF);
}

std::wstring HexCode(uint32_t value) {
    return L"0x" + WideHexFromNumber(value, 8);
}

void Line(std::wstring& out, const wchar_t* label, const std::wstring& value) {
    out += label;
    out += value.empty() ? L":\n" : L": " + value + L"\n";
}

// A record as the current-settings column shows it, one row per line, with whether a password
// is set (the column does not show the password itself, and neither does this).
std::wstring SettingsText(const NeraSettings& settings) {
    const SEditorFields fields = EditorFieldsFromRecord(settings);
    std::wstring out;
    Line(out, L"MACアドレス", fields.macText);
    Line(out, L"ポート", std::to_wstring(fields.port));
    Line(out, L"IPアドレス", fields.dhcp ? L"自動取得(DHCP)" : AddressText(fields.ipAddress));
    Line(out, L"サブネットマスク", fields.dhcp ? L"" : AddressText(fields.subnetMask));
    Line(out, L"ゲートウェイ", fields.dhcp ? L"" : AddressText(fields.gateway));
    Line(out, L"DNSサーバー",
         fields.dnsAuto          ? L"自動取得"
         : fields.dnsServer != 0 ? AddressText(fields.dnsServer)
                                 : L"");
    Line(out, L"NTPサーバー", fields.ntpServer);
    const bool password =
        IsPasswordDigestSet(settings.PasswordDigest()) && IsPasswordEnabled(settings.PasswordDigest());
    Line(out, L"パスワード", password ? L"あり" : L"なし");
    Line(out, L"クライアントモード", fields.clientMode ? L"オン" : L"オフ");
    Line(out, L"サーバー", fields.server);
    Line(out, L"サーバーポート", std::to_wstring(fields.serverPort));
    return out;
}

// The 128 bytes, 16 to a line.
std::wstring RecordHex(const NeraSettings& settings) {
    std::wstring out;
    for (size_t line = 0; line < kNeraSettingsSize; line += 16) {
        out += WideHexFromBytes(settings.bytes + line, 16, L' ') + L"\n";
    }
    return out;
}

// The row label of a field, with the option of set that changes it.
std::wstring FieldName(EEditorField field) {
    switch (field) {
        case EEditorField::kMac:
            return L"MACアドレス";
        case EEditorField::kPort:
            return L"ポート (--port)";
        case EEditorField::kIpAddress:
            return L"IPアドレス (--ip)";
        case EEditorField::kSubnetMask:
            return L"サブネットマスク (--mask)";
        case EEditorField::kGateway:
            return L"ゲートウェイ (--gateway)";
        case EEditorField::kDnsServer:
            return L"DNSサーバー (--dns)";
        case EEditorField::kNtpServer:
            return L"NTPサーバー (--ntp)";
        case EEditorField::kPassword:
            return L"パスワード (--password)";
        case EEditorField::kClientMode:
            return L"クライアントモード (--client)";
        case EEditorField::kServer:
            return L"サーバー (--server)";
        case EEditorField::kServerPort:
            return L"サーバーポート (--server-port)";
        case EEditorField::kNone:
            break;
    }
    return std::wstring();
}

int ReportProblem(INeraHost& host, const SEditorProblem& problem) {
    const std::wstring name = FieldName(problem.field);
    ReportError(host, name.empty() ? problem.message : name + L": " + problem.message);
    return kExitUsage;
}

// NeraConfig's session seen from a console: nothing is shown while it runs (the commands print
// the outcome), the editor is the fields that set has made from its file and options, and a
// refusal of those fields is reported as set's usage error.
class CConsoleConfigView : public IConfigView {
public:
    CConsoleConfigView(INeraHost& host, bool yes) : m_host(host), m_yes(yes) {}

    bool AskYesNo(const std::wstring& question) override { return m_yes || m_host.AskYesNo(question); }
    void ShowError(const std::wstring& text) override { ReportError(m_host, text); }
    void ShowCurrentSettings(const NeraSettings&) override {}
    void ShowConnected(bool) override {}
    void TakeDeviceMac(const std::wstring& macText) override { m_fields.macText = macText; }
    bool CollectNewSettings(NeraSettings& settings) override {
        SEditorProblem problem;
        if (CheckExchangedFields(m_fields, problem) && CollectEditorSettings(m_fields, settings, problem)) {
            return true;
        }
        ReportProblem(m_host, problem);
        return false;
    }
    void ShowWritten(bool) override {}

    SEditorFields m_fields;

private:
    INeraHost& m_host;
    bool m_yes;
};

// Opens the module and reads its settings as NeraConfig's connect does; on a failure reports it
// and leaves the module closed.
int Connect(CConfigSession& session, INeraHost& host) {
    switch (session.OnConnect()) {
        case EConnectResult::kConnected:
        case EConnectResult::kAlreadyConnected:
            return kExitOk;
        case EConnectResult::kOpenFailed:
            ReportError(host, kCannotConnect);
            return kExitRefused;
        case EConnectResult::kReadFailed:
            break;
    }
    // The buffer would hold nothing of the module.
    session.CloseDevice();
    ReportError(host, kCannotReadSettings);
    return kExitRefused;
}

int OnInfo(IDeviceApi& device, INeraHost& host) {
    CConsoleConfigView view(host, false);
    CConfigSession session(device, view);
    const int connected = Connect(session, host);
    if (connected != kExitOk) {
        return connected;
    }
    const SModuleInfo info = session.ReadModuleInfo();
    session.CloseDevice();

    std::wstring out;
    Line(out, L"製品", ProductNameFromCode(info.hasCode ? info.code : kNoHwCode));
    Line(out, L"ハードウェアコード", info.hasCode ? HexCode(info.code) : L"N/A");
    Line(out, L"製品識別子", info.hasIdentity ? WideTextFromUuid(info.identity, EHexCase::kUpper) : L"N/A");
    Line(out, L"ファームウェアバージョン", info.version);
    host.Out(out + SettingsText(session.m_currentSettings));
    return kExitOk;
}

// The file that NeraConfig saves after "read into editor" with the password carried over.
bool EditorFileRecord(const NeraSettings& device, NeraSettings& record, SEditorProblem& problem) {
    SEditorFields fields = EditorFieldsFromRecord(device);
    if (IsPasswordEnabled(device.PasswordDigest())) {
        CarryPasswordDigest(fields, device.PasswordDigest());
    }
    record = device;
    return CheckExchangedFields(fields, problem) && CollectEditorSettings(fields, record, problem);
}

int WriteBytes(INeraHost& host, const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::wstring reason;
    if (!host.WriteFile(path, bytes, reason)) {
        return ReportFileError(host, path, L"ファイルに書き込めませんでした。", reason);
    }
    return kExitOk;
}

int OnGet(const SNeraOptions& options, IDeviceApi& device, INeraHost& host) {
    CConsoleConfigView view(host, false);
    CConfigSession session(device, view);
    const int connected = Connect(session, host);
    if (connected != kExitOk) {
        return connected;
    }
    session.CloseDevice();
    const NeraSettings& settings = session.m_currentSettings;
    host.Out(options.json ? Widen(SettingsToJson(settings, nullptr)) : SettingsText(settings));
    if (options.output.empty()) {
        return kExitOk;
    }
    NeraSettings record;
    SEditorProblem problem;
    if (!EditorFileRecord(settings, record, problem)) {
        ReportError(host, L"設定ファイルに保存できません。");
        return ReportProblem(host, problem);
    }
    const SettingsFileBytes file = SerializeSettingsFile(record, 0);
    return WriteBytes(host, options.output, std::vector<uint8_t>(file.begin(), file.end()));
}

// Reads a settings file as set and convert take it: exactly the 130 bytes NeraConfig saves.
int ReadSettingsFile(INeraHost& host, const std::wstring& path, NeraSettings& settings, uint16_t& flag) {
    std::vector<uint8_t> data;
    std::wstring reason;
    if (!host.ReadFile(path, kMaxSettingsFileRead, data, reason)) {
        return ReportFileError(host, path, L"ファイルが開けませんでした。", reason);
    }
    if (data.size() != kSettingsFileSize) {
        ReportError(host, path + L": 設定ファイルではありません（" + std::to_wstring(kSettingsFileSize) +
                              L" バイトではなく " + std::to_wstring(data.size()) + L" バイトです）。");
        return kExitUsage;
    }
    MakeDefaultSettings(settings, kDefaultServerPort);
    flag = LoadSettingsFileBytes(data.data(), data.size(), settings);
    return kExitOk;
}

// The options of set applied to the editor as the dialog's controls would change them: --ip
// unticks DHCP (and with it DNS automatic), --dhcp ticks both, --dns unticks DNS automatic.
bool ApplyChanges(const SSettingsChanges& changes, SEditorState& editor, std::wstring& message) {
    SEditorFields& fields = editor.fields;
    if (changes.ipAddress) {
        if (fields.dhcp && !changes.subnetMask) {
            message = L"DHCP の設定を --ip で固定アドレスにするときは --mask も指定してください。";
            return false;
        }
        if (fields.dhcp) {
            SwitchDhcp(editor, false);
        }
        fields.ipAddress = *changes.ipAddress;
    }
    if (changes.dhcp) {
        SwitchDhcp(editor, true);
    }
    if (fields.dhcp && (changes.subnetMask || changes.gateway)) {
        message =
            L"DHCP の設定には --mask と --gateway を指定できません（固定アドレスは --ip で指定します）。";
        return false;
    }
    if (changes.subnetMask) {
        fields.subnetMask = *changes.subnetMask;
    }
    if (changes.gateway) {
        fields.gateway = *changes.gateway;
    }
    if (changes.dnsServer) {
        SwitchDnsAuto(editor, false);
        fields.dnsServer = *changes.dnsServer;
    }
    if (changes.dnsAuto) {
        SwitchDnsAuto(editor, true);
    }
    if (changes.ntpServer) {
        fields.ntpServer = *changes.ntpServer;
    }
    if (changes.port) {
        fields.port = *changes.port;
    }
    if (changes.server) {
        fields.server = *changes.server;
    }
    if (changes.serverPort) {
        fields.serverPort = *changes.serverPort;
    }
    if (changes.clientMode) {
        fields.clientMode = *changes.clientMode;
    }
    if (changes.password) {
        fields.password = *changes.password;
        fields.passwordIsDigest = false;
    }
    if (changes.noPassword) {
        fields.password.clear();
        fields.passwordIsDigest = false;
    }
    return true;
}

int OnSet(const SNeraOptions& options, IDeviceApi& device, INeraHost& host) {
    NeraSettings record;
    uint16_t flag = 0;
    const int read = ReadSettingsFile(host, options.input, record, flag);
    if (read != kExitOk) {
        return read;
    }
    // NeraConfig would show such a file as the default record; written to a module that would
    // replace every setting, so it is refused.
    if (record.Format() != 0) {
        ReportError(host,
                    options.input +
                        L": 設定ファイルの形式が正しくありません（先頭の 2 バイトが 0 ではありません）。");
        return kExitUsage;
    }
    NormalizeDeviceSettings(record, kDefaultServerPort);

    // The editor as opening the file leaves it: a file saved in normal mode keeps the editor's
    // MAC text, empty at start; a digest in the file is carried over.
    SEditorState editor;
    LoadEditorRecord(editor, record);
    SEditorFields& fields = editor.fields;
    if (!SettingsFileCarriesMac(flag)) {
        fields.macText.clear();
    }
    if (IsPasswordDigestSet(record.PasswordDigest())) {
        CarryPasswordDigest(fields, record.PasswordDigest());
    }
    std::wstring message;
    if (!ApplyChanges(options.changes, editor, message)) {
        ReportError(host, message);
        return kExitUsage;
    }
    // Every check before the module is touched; only the MAC changes after reading it.
    SEditorProblem problem;
    {
        SEditorFields trialFields = fields;
        NeraSettings trial = record;
        if (!CheckExchangedFields(trialFields, problem) ||
            !CollectEditorSettings(trialFields, trial, problem)) {
            return ReportProblem(host, problem);
        }
    }

    CConsoleConfigView view(host, options.yes);
    view.m_fields = fields;
    CConfigSession session(device, view);
    const int connected = Connect(session, host);
    if (connected != kExitOk) {
        return connected;
    }
    const SWriteOutcome outcome = session.OnWriteToDevice(record, options.dryRun);
    session.CloseDevice();
    switch (outcome.result) {
        case EWriteResult::kWritten:
            host.Out(std::wstring(kWriteDoneMessage) + L"\n" + SettingsText(outcome.readBack));
            return kExitOk;
        case EWriteResult::kDryRun:
            host.Out(L"書き込むレコード（書き込んでいません）:\n" + SettingsText(outcome.written) +
                     RecordHex(outcome.written));
            return kExitOk;
        case EWriteResult::kMacChangeDeclined:
            ReportError(host, kMacChangeDeclined);
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
    if (options.json) {
        NeraSettings settings;
        uint16_t flag = 0;
        const int read = ReadSettingsFile(host, options.input, settings, flag);
        if (read != kExitOk) {
            return read;
        }
        const std::string json = SettingsToJson(settings, &flag);
        if (options.output.empty()) {
            host.Out(Widen(json));
            return kExitOk;
        }
        return WriteBytes(host, options.output, std::vector<uint8_t>(json.begin(), json.end()));
    }
    std::vector<uint8_t> data;
    std::wstring reason;
    if (!host.ReadFile(options.input, kMaxJsonRead, data, reason)) {
        return ReportFileError(host, options.input, L"ファイルが開けませんでした。", reason);
    }
    NeraSettings settings;
    uint16_t flag = 0;
    std::wstring message;
    if (!SettingsFromJson(std::string(data.begin(), data.end()), true, settings, flag, message)) {
        ReportError(host, options.input + L": " + message);
        return kExitUsage;
    }
    const SettingsFileBytes file = SerializeSettingsFile(settings, flag);
    return WriteBytes(host, options.output, std::vector<uint8_t>(file.begin(), file.end()));
}

} // namespace

void ReportError(INeraHost& host, const std::wstring& text) {
    host.Err(L"nera: " + text + L"\n");
}

int ReportFileError(INeraHost& host, const std::wstring& path, const std::wstring& what,
                    const std::wstring& reason) {
    ReportError(host, path + L": " + what + (reason.empty() ? L"" : L"（" + reason + L"）"));
    return kExitFile;
}

int RunNera(const std::vector<std::wstring>& args, IDeviceApi& device, INeraHost& host) {
    SNeraOptions options;
    std::wstring message;
    if (!ParseNeraOptions(args, options, message)) {
        ReportError(host, message);
        return kExitUsage;
    }
    if (options.help) {
        host.Out(NeraHelpText(options.command));
        return kExitOk;
    }
    switch (options.command) {
        case ECommand::kInfo:
            return OnInfo(device, host);
        case ECommand::kGet:
            return OnGet(options, device, host);
        case ECommand::kSet:
            return OnSet(options, device, host);
        case ECommand::kUpdate:
            return RunUpdateCommand(options, device, host);
        case ECommand::kConvert:
            return OnConvert(options, host);
        case ECommand::kNone:
            break;
    }
    host.Out(NeraHelpText(ECommand::kNone));
    return kExitUsage;
}
