#include "NeraCommand.h"

#include <cstring>

#include "HexText.h"
#include "NeraSettings.h"
#include "SettingsEditor.h"
#include "SettingsFile.h"
#include "SettingsJson.h"
#include "UpdaterSequence.h"
#include "UuidText.h"

namespace {

constexpr uint32_t kIdentityArea = 7;
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

// A module opened in flash-rewrite mode as NeraConfig opens it, closed when the object ends.
class CNeraConnection {
public:
    explicit CNeraConnection(IDeviceApi& device) : m_device(device) {
        m_handle = device.NeraFlashModeOpen(0);
    }
    ~CNeraConnection() { Close(); }
    CNeraConnection(const CNeraConnection&) = delete;
    CNeraConnection& operator=(const CNeraConnection&) = delete;

    uint32_t Handle() const { return m_handle; }
    void Close() {
        if (m_handle != 0) {
            m_device.NeraFlashModeClose(m_handle, 0);
            m_handle = 0;
        }
    }

private:
    IDeviceApi& m_device;
    uint32_t m_handle = 0;
};

// Reads area 6 and cleans it up as NeraConfig does before showing it. A failed read is a
// failure here: the buffer would hold nothing of the module.
bool ReadDeviceSettings(IDeviceApi& device, uint32_t handle, NeraSettings& settings) {
    if (device.ReadRWArea(handle, kSettingsArea, settings.bytes) != 0) {
        return false;
    }
    NormalizeDeviceSettings(settings, kDefaultServerPort);
    return true;
}

// The updater's reading of the module's firmware version, on a handle opened here.
class CSilentView : public IUpdaterView {
public:
    void AppendLogText(const std::wstring&) override {}
    void ClearLog() override {}
    void ShowErrorBox(const std::wstring&, const std::wstring&) override {}
    bool AskYesNo(const std::wstring&) override { return false; }
    void SetHardwareInfo(const std::wstring&) override {}
    void SetCurrentVersion(const std::wstring&) override {}
    void SetConnectButtons(bool) override {}
};

std::wstring DeviceVersion(IDeviceApi& device, uint32_t handle) {
    CSilentView view;
    CUpdaterSession session(device, view, ParseUuidText);
    session.m_hDevice = handle;
    const std::wstring version = session.ReadDeviceVersion();
    session.m_hDevice = 0;
    return version;
}

int OnInfo(IDeviceApi& device, INeraHost& host) {
    CNeraConnection connection(device);
    const uint32_t handle = connection.Handle();
    if (handle == 0) {
        ReportError(host, kCannotConnect);
        return kExitRefused;
    }
    uint32_t code = 0xFFFFFFFFu;
    const bool hasCode = device.ReadHwVersion(handle, &code) == 0;
    const std::wstring version = DeviceVersion(device, handle);
    uint8_t identity[kNeraSettingsSize];
    const bool hasIdentity = device.ReadRWArea(handle, kIdentityArea, identity) == 0;
    NeraSettings settings;
    if (!ReadDeviceSettings(device, handle, settings)) {
        connection.Close();
        ReportError(host, kCannotReadSettings);
        return kExitRefused;
    }
    connection.Close();

    std::wstring out;
    Line(out, L"製品", ProductNameFromCode(hasCode ? code : 0xFFFFFFFFu));
    Line(out, L"ハードウェアコード", hasCode ? HexCode(code) : L"N/A");
    Line(out, L"製品識別子", hasIdentity ? WideTextFromUuid(identity, EHexCase::kUpper) : L"N/A");
    Line(out, L"ファームウェアバージョン", version);
    host.Out(out + SettingsText(settings));
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
    NeraSettings settings;
    {
        CNeraConnection connection(device);
        if (connection.Handle() == 0) {
            ReportError(host, kCannotConnect);
            return kExitRefused;
        }
        if (!ReadDeviceSettings(device, connection.Handle(), settings)) {
            connection.Close();
            ReportError(host, kCannotReadSettings);
            return kExitRefused;
        }
    }
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

// The options of set applied to the editor's fields as the dialog's controls would change them.
bool ApplyChanges(const SSettingsChanges& changes, SEditorFields& fields, std::wstring& message) {
    if (changes.ipAddress) {
        if (fields.dhcp && !changes.subnetMask) {
            message = L"DHCP の設定を --ip で固定アドレスにするときは --mask も指定してください。";
            return false;
        }
        if (fields.dhcp) {
            fields.dnsAuto = false; // unticking DHCP unticks DNS automatic
        }
        fields.dhcp = false;
        fields.ipAddress = *changes.ipAddress;
    }
    if (changes.dhcp) {
        fields.dhcp = true;
        fields.dnsAuto = true; // ticking DHCP ticks DNS automatic
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
        fields.dnsAuto = false;
        fields.dnsServer = *changes.dnsServer;
    }
    if (changes.dnsAuto) {
        fields.dnsAuto = true;
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
    SEditorFields fields = EditorFieldsFromRecord(record);
    if (!SettingsFileCarriesMac(flag)) {
        fields.macText.clear();
    }
    if (IsPasswordDigestSet(record.PasswordDigest())) {
        CarryPasswordDigest(fields, record.PasswordDigest());
    }
    std::wstring message;
    if (!ApplyChanges(options.changes, fields, message)) {
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

    CNeraConnection connection(device);
    const uint32_t handle = connection.Handle();
    if (handle == 0) {
        ReportError(host, kCannotConnect);
        return kExitRefused;
    }
    NeraSettings current;
    if (!ReadDeviceSettings(device, handle, current)) {
        connection.Close();
        ReportError(host, kCannotReadSettings);
        return kExitRefused;
    }
    TakeDeviceMac(current, false, fields.macText);
    if (!CollectEditorSettings(fields, record, problem)) {
        connection.Close();
        return ReportProblem(host, problem);
    }
    if (WriteChangesMac(record, current) && !options.yes && !host.AskYesNo(kMacChangeQuestion)) {
        connection.Close();
        ReportError(host, kMacChangeDeclined);
        return kExitUsage;
    }
    const NeraSettings buffer = DeviceWriteRecord(record);
    if (options.dryRun) {
        connection.Close();
        host.Out(L"書き込むレコード（書き込んでいません）:\n" + SettingsText(buffer) + RecordHex(buffer));
        return kExitOk;
    }
    if (device.WriteRWArea(handle, kSettingsArea, buffer.bytes) != 0) {
        connection.Close();
        ReportError(host, kWriteFailedMessage);
        return kExitRefused;
    }
    NeraSettings back;
    const bool readBack = device.ReadRWArea(handle, kSettingsArea, back.bytes) == 0;
    connection.Close();
    if (!readBack || back != buffer) {
        ReportError(host, kReadBackDiffers);
        return kExitRefused;
    }
    host.Out(std::wstring(kWriteDoneMessage) + L"\n" + SettingsText(back));
    return kExitOk;
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
