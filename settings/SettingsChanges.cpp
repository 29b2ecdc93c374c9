#include "settings/SettingsChanges.h"

#include <cstring>

#include "common/FieldChecks.h"
#include "common/HexText.h"
#include "common/TextCodec.h"
#include "common/Utf8Text.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsJson.h"

namespace {

// The changes by name, in the order of set's help.
const SSettingOptionName kSettingOptions[] = {
    {L"ip", ESettingOption::kIp, true},
    {L"dhcp", ESettingOption::kDhcp, false},
    {L"mask", ESettingOption::kMask, true},
    {L"gateway", ESettingOption::kGateway, true},
    {L"dns", ESettingOption::kDns, true},
    {L"dns-auto", ESettingOption::kDnsAuto, false},
    {L"ntp", ESettingOption::kNtp, true},
    {L"port", ESettingOption::kPort, true},
    {L"server", ESettingOption::kServer, true},
    {L"server-port", ESettingOption::kServerPort, true},
    {L"client", ESettingOption::kClient, true},
    {L"password", ESettingOption::kPassword, true},
    {L"no-password", ESettingOption::kNoPassword, false},
    {L"mac", ESettingOption::kMac, true},
};

// The JSON members of the new column's fields.
const struct {
    EEditorField field;
    const wchar_t* member;
} kJsonMembers[] = {
    {EEditorField::kMac, L"mac"},
    {EEditorField::kPort, L"port"},
    {EEditorField::kIpAddress, L"ipAddress"},
    {EEditorField::kSubnetMask, L"subnetMask"},
    {EEditorField::kGateway, L"gateway"},
    {EEditorField::kDnsServer, L"dnsServer"},
    {EEditorField::kNtpServer, L"ntpServer"},
    {EEditorField::kPassword, L"passwordDigest"},
    {EEditorField::kClientMode, L"flags"},
    {EEditorField::kServer, L"server"},
    {EEditorField::kServerPort, L"serverPort"},
};

bool Fail(std::wstring& message, const std::wstring& text) {
    message = text;
    return false;
}

bool IsNoAddress(uint32_t address) {
    return address == 0 || address == 0xFFFFFFFFu;
}

// A text that reaches the module must survive the code page it is stored in; the message is
// the one the JSON reader gives for the same fault.
bool FitsCodePage(const std::wstring& value, std::wstring& message) {
    std::string ansi;
    std::wstring back;
    if (WideToAnsi(value, ansi) && AnsiToWide(ansi, back) && back == value) {
        return true;
    }
    return Fail(message, L"設定に保存できない文字があります。");
}

std::wstring Named(const wchar_t* prefix, ESettingOption option) {
    return std::wstring(prefix) + SettingOptionName(option);
}

// UTF-16 text with its byte-order mark as UTF-8, so that the JSON reader sees one encoding.
bool Utf8FromUtf16(const std::vector<uint8_t>& data, std::string& text) {
    const bool bigEndian = data[0] == 0xFE;
    if (data.size() % 2 != 0) {
        return false;
    }
    std::wstring wide;
    for (size_t i = 2; i < data.size(); i += 2) {
        uint32_t unit = bigEndian ? (data[i] << 8) | data[i + 1] : data[i] | (data[i + 1] << 8);
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 3 >= data.size()) {
                return false;
            }
            const uint32_t low =
                bigEndian ? (data[i + 2] << 8) | data[i + 3] : data[i + 2] | (data[i + 3] << 8);
            if (low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        AppendCodePoint(wide, unit);
    }
    text = Utf8FromWide(wide);
    return true;
}

// The options of set applied to the editor as the dialog's controls would change them: an
// address unticks DHCP (and with it DNS automatic), DHCP ticks both, a DNS server unticks DNS
// automatic.
bool ApplyToEditor(const SSettingsChanges& changes, const wchar_t* prefix, SEditorState& editor,
                   std::wstring& message) {
    SEditorFields& fields = editor.fields;
    if (changes.ipAddress) {
        if (fields.dhcp && !changes.subnetMask) {
            return Fail(message, L"DHCP の設定を " + Named(prefix, ESettingOption::kIp) +
                                     L" で固定アドレスにするときは " + Named(prefix, ESettingOption::kMask) +
                                     L" も指定してください。");
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
        return Fail(message, L"DHCP の設定には " + Named(prefix, ESettingOption::kMask) + L" と " +
                                 Named(prefix, ESettingOption::kGateway) +
                                 L" を指定できません（固定アドレスは " + Named(prefix, ESettingOption::kIp) +
                                 L" で指定します）。");
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

// Whether the changes set the field a problem concerns.
bool ChangesSet(const SSettingsChanges& changes, EEditorField field) {
    switch (field) {
        case EEditorField::kMac:
            return changes.mac.has_value();
        case EEditorField::kPort:
            return changes.port.has_value();
        case EEditorField::kIpAddress:
            return changes.ipAddress.has_value() || changes.dhcp;
        case EEditorField::kSubnetMask:
            return changes.subnetMask.has_value();
        case EEditorField::kGateway:
            return changes.gateway.has_value();
        case EEditorField::kDnsServer:
            return changes.dnsServer.has_value() || changes.dnsAuto;
        case EEditorField::kNtpServer:
            return changes.ntpServer.has_value();
        case EEditorField::kPassword:
            return changes.password.has_value() || changes.noPassword;
        case EEditorField::kClientMode:
            return changes.clientMode.has_value();
        case EEditorField::kServer:
            return changes.server.has_value();
        case EEditorField::kServerPort:
            return changes.serverPort.has_value();
        case EEditorField::kNone:
            break;
    }
    return false;
}

bool Refuse(SSetProblem& problem, EEditorField field, const std::wstring& message, bool fromChanges) {
    problem.field = field;
    problem.message = message;
    problem.fromChanges = fromChanges;
    return false;
}

} // namespace

const SSettingOptionName* FindSettingOption(const std::wstring& name) {
    for (const SSettingOptionName& entry : kSettingOptions) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

const wchar_t* SettingOptionName(ESettingOption option) {
    for (const SSettingOptionName& entry : kSettingOptions) {
        if (entry.option == option) {
            return entry.name;
        }
    }
    return L"";
}

bool ApplySettingValue(ESettingOption option, const std::wstring& value, SSettingsChanges& changes,
                       std::wstring& message) {
    uint32_t address = 0;
    unsigned int number = 0;
    switch (option) {
        case ESettingOption::kIp:
        case ESettingOption::kMask:
        case ESettingOption::kGateway:
        case ESettingOption::kDns:
            if (!ParseDottedAddress(value, address)) {
                return Fail(message, L"アドレスは A.B.C.D（0～255 の数 4 つ）の形で指定してください。");
            }
            if (option == ESettingOption::kIp) {
                // 0.0.0.0 and 255.255.255.255 in the address field mean DHCP to the module.
                if (IsNoAddress(address)) {
                    return Fail(message, L"0.0.0.0 と 255.255.255.255 は固定アドレスにできません"
                                         L"（DHCP は --dhcp で指定します）。");
                }
                changes.ipAddress = address;
            } else if (option == ESettingOption::kMask) {
                changes.subnetMask = address;
            } else if (option == ESettingOption::kGateway) {
                changes.gateway = address;
            } else {
                if (IsNoAddress(address)) {
                    return Fail(message, L"0.0.0.0 と 255.255.255.255 は DNS サーバーにできません"
                                         L"（自動取得は --dns-auto で指定します）。");
                }
                changes.dnsServer = address;
            }
            return true;
        case ESettingOption::kDhcp:
            changes.dhcp = true;
            return true;
        case ESettingOption::kDnsAuto:
            changes.dnsAuto = true;
            return true;
        case ESettingOption::kNtp:
        case ESettingOption::kServer:
            if (!FitsCodePage(value, message)) {
                return false;
            }
            (option == ESettingOption::kNtp ? changes.ntpServer : changes.server) = value;
            return true;
        case ESettingOption::kPort:
        case ESettingOption::kServerPort:
            if (!CheckUnsignedField(value, kMinPortValue, kMaxPortValue, number, message)) {
                return false;
            }
            (option == ESettingOption::kPort ? changes.port : changes.serverPort) = number;
            return true;
        case ESettingOption::kClient:
            if (value == L"on" || value == L"off") {
                changes.clientMode = value == L"on";
                return true;
            }
            return Fail(message, L"on または off を指定してください。");
        case ESettingOption::kPassword:
            if (value.empty()) {
                return Fail(
                    message,
                    L"空のパスワードは指定できません（パスワードなしは --no-password で指定します）。");
            }
            if (!FitsCodePage(value, message)) {
                return false;
            }
            changes.password = value;
            return true;
        case ESettingOption::kNoPassword:
            changes.noPassword = true;
            return true;
        case ESettingOption::kMac: {
            std::wstring digits;
            if (!ParseMacOption(value, digits)) {
                return Fail(message, L"MAC アドレスは XX:XX:XX:XX:XX:XX（16進数）の形で指定してください。");
            }
            changes.mac = digits;
            return true;
        }
    }
    return Fail(message, L"この設定は変えられません。");
}

bool CheckSettingsChanges(const SSettingsChanges& changes, const wchar_t* prefix, std::wstring& message) {
    auto both = [&](ESettingOption a, ESettingOption b) {
        return Fail(message, Named(prefix, a) + L" と " + Named(prefix, b) + L" は同時に指定できません。");
    };
    if (changes.ipAddress && changes.dhcp) {
        return both(ESettingOption::kIp, ESettingOption::kDhcp);
    }
    if (changes.dnsServer && changes.dnsAuto) {
        return both(ESettingOption::kDns, ESettingOption::kDnsAuto);
    }
    if (changes.password && changes.noPassword) {
        return both(ESettingOption::kPassword, ESettingOption::kNoPassword);
    }
    if (changes.dhcp && (changes.subnetMask || changes.gateway)) {
        return Fail(message, Named(prefix, ESettingOption::kDhcp) + L" のときは " +
                                 Named(prefix, ESettingOption::kMask) + L" と " +
                                 Named(prefix, ESettingOption::kGateway) + L" を指定できません。");
    }
    return true;
}

bool ReadSettingsSource(const std::vector<uint8_t>& data, bool jsonOnly, SSettingsSource& source,
                        std::wstring& message) {
    std::string text(data.begin(), data.end());
    const bool utf16 =
        data.size() >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
    if (utf16 && !Utf8FromUtf16(data, text)) {
        return Fail(message, L"UTF-16 として正しくない文字があります（UTF-8 で保存してください）。");
    }
    size_t first = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (first < text.size() &&
           (text[first] == ' ' || text[first] == '\t' || text[first] == '\r' || text[first] == '\n')) {
        ++first;
    }
    SSettingsSource read;
    if (utf16 || jsonOnly || (first < text.size() && text[first] == '{')) {
        SSettingsJsonExtras extras;
        if (!SettingsFromJson(text, read.record, read.macEditFlag, message, &extras)) {
            return false;
        }
        read.json = true;
        read.macFromModule = extras.macFromModule;
    } else if (data.size() != kSettingsFileSize) {
        return Fail(message, L"設定ファイルではありません（" + std::to_wstring(kSettingsFileSize) +
                                 L" バイトではなく " + std::to_wstring(data.size()) + L" バイトです）。");
    } else {
        MakeDefaultSettings(read.record, kDefaultServerPort);
        read.macEditFlag = LoadSettingsFileBytes(data.data(), data.size(), read.record);
    }
    source = read;
    return true;
}

bool PrepareSettingsWrite(const SSettingsSource& source, const SSettingsChanges& changes,
                          const wchar_t* prefix, SSetPlan& plan, SSetProblem& problem) {
    // NeraConfig would show such a file as the default record; written to a module that would
    // replace every setting.
    if (source.record.Format() != 0) {
        return Refuse(problem, EEditorField::kNone,
                      L"設定ファイルの形式が正しくありません（先頭の 2 バイトが 0 ではありません）。", false);
    }
    NeraSettings record = source.record;
    NormalizeDeviceSettings(record, kDefaultServerPort);

    // The editor as opening the file leaves it: a file saved in normal mode keeps the editor's
    // MAC text, empty at start; a digest in the file is carried over.
    SEditorState editor;
    LoadEditorRecord(editor, record);
    SEditorFields& fields = editor.fields;
    if (!SettingsFileCarriesMac(source.macEditFlag)) {
        fields.macText.clear();
    }
    // The MAC to write, as typed into the field in MAC edit mode.
    if (changes.mac) {
        fields.macText = *changes.mac;
    }
    if (IsPasswordDigestSet(record.PasswordDigest())) {
        CarryPasswordDigest(fields, record.PasswordDigest());
    }
    std::wstring message;
    if (!ApplyToEditor(changes, prefix, editor, message)) {
        return Refuse(problem, EEditorField::kNone, message, true);
    }
    // The module would take a static address without a mask as 0.0.0.0 or as a network of one.
    if (!fields.dhcp && IsNoAddress(fields.subnetMask)) {
        return Refuse(problem, EEditorField::kSubnetMask,
                      L"固定 IP アドレスにはサブネットマスクが必要です（" +
                          Named(prefix, ESettingOption::kMask) + L" で指定できます）。",
                      false);
    }
    // Every check before the module is touched; only the MAC changes after reading it.
    SEditorProblem editorProblem;
    SEditorFields trialFields = fields;
    NeraSettings trial = record;
    if (!CheckExchangedFields(trialFields, editorProblem) ||
        !CollectEditorSettings(trialFields, trial, editorProblem)) {
        return Refuse(problem, editorProblem.field, editorProblem.message,
                      ChangesSet(changes, editorProblem.field));
    }
    plan.fields = fields;
    plan.base = record;
    plan.macEdit = changes.mac.has_value();
    return true;
}

bool CheckSourceMac(const SSettingsSource& source, const SSettingsChanges& changes,
                    const NeraSettings& module, const wchar_t* prefix, std::wstring& message) {
    const uint8_t* named = source.record.Mac();
    const bool namesMac = source.json ? !source.macFromModule : SettingsFileCarriesMac(source.macEditFlag);
    if (changes.mac || !namesMac || !IsValidMac(named) || std::memcmp(named, module.Mac(), kMacSize) == 0) {
        return true;
    }
    const std::wstring file = L"（" + WideHexFromBytes(named, kMacSize, L':') + L"）";
    const std::wstring own = L"（" + WideHexFromBytes(module.Mac(), kMacSize, L':') + L"）";
    const std::wstring option = Named(prefix, ESettingOption::kMac);
    if (source.json) {
        return Fail(message,
                    L"JSON の mac" + file + L"がモジュールの MAC アドレス" + own +
                        L"と違います。書き込んでいません。MAC アドレスを書き換えるには " + option +
                        L" で指定し、モジュールの MAC アドレスのままにするには mac を null にしてください。");
    }
    return Fail(message, L"MAC アドレス編集モードの設定ファイルの MAC アドレス" + file +
                             L"がモジュールの MAC アドレス" + own +
                             L"と違います。書き込んでいません。MAC アドレスを書き換えるには " + option +
                             L" で指定してください。");
}

const wchar_t* JsonMemberOfField(EEditorField field) {
    for (const auto& entry : kJsonMembers) {
        if (entry.field == field) {
            return entry.member;
        }
    }
    return L"";
}
