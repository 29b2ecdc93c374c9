#include "settings/SettingsEditor.h"

#include <cstring>

#include "common/FieldChecks.h"
#include "settings/MacText.h"

const wchar_t kInvalidMacMessage[] = L"MACアドレスの値が不正です。";
const wchar_t kNoServerMessage[] = L"サーバーが指定されていません。";
const wchar_t kHostTooLongMessage[] = L"名前が長すぎます。半角32文字（全角16文字）以内で入力してください。";
const wchar_t kFirstDeviceQuestion[] = L"最初に見つかったデバイスに対して書込みを行います。続けますか？";
const wchar_t kMacChangeQuestion[] = L"書込みにより製品のMACアドレスが変更されます。処理を続けますか?";
const wchar_t kWriteFailedMessage[] = L"書込みに失敗しました。";
const wchar_t kWriteDoneMessage[] = L"正常に書き込みました。";

namespace {

// An address value that stands for "no address" in a record.
bool IsNoAddress(uint32_t address) {
    return address == 0 || address == 0xFFFFFFFFu;
}

bool Refuse(SEditorProblem& problem, const std::wstring& message, EEditorField field, bool focus) {
    problem.message = message;
    problem.field = field;
    problem.focus = focus;
    return false;
}

} // namespace

SEditorFields EditorFieldsFromRecord(const NeraSettings& settings) {
    SEditorFields fields;
    fields.macText = IsValidMac(settings.Mac()) ? FormatMacText(settings.Mac()) : std::wstring();
    fields.port = settings.Port();
    const uint32_t dns = settings.DnsServer();
    if (!IsNoAddress(settings.IpAddress())) {
        fields.dhcp = false;
        fields.ipAddress = settings.IpAddress();
        fields.subnetMask = settings.SubnetMask();
        fields.gateway = settings.Gateway();
        fields.dnsAuto = false;
    } else {
        fields.dhcp = true;
        fields.dnsAuto = IsNoAddress(dns);
    }
    fields.dnsServer = IsNoAddress(dns) ? 0 : dns;
    fields.ntpServer = DecodeHostField(settings.NtpServer());
    fields.clientMode = settings.IsClientMode();
    fields.server = DecodeHostField(settings.Server());
    fields.serverPort = settings.ServerPort();
    return fields;
}

void LoadEditorRecord(SEditorState& editor, const NeraSettings& settings) {
    const SEditorFields fields = EditorFieldsFromRecord(settings);
    SEditorFields& target = editor.fields;
    const std::wstring password = target.password;
    const bool passwordIsDigest = target.passwordIsDigest;
    target = fields;
    target.password = password;
    target.passwordIsDigest = passwordIsDigest;
    if (fields.dhcp) {
        editor.remembered.ipAddress = 0;
        editor.remembered.subnetMask = 0;
        editor.remembered.gateway = 0;
    }
    if (fields.dnsAuto) {
        editor.remembered.dnsServer = 0;
    }
}

void SwitchDhcp(SEditorState& editor, bool dhcpOn) {
    SEditorFields& fields = editor.fields;
    SRememberedAddresses& remembered = editor.remembered;
    uint32_t* values[] = {&fields.ipAddress, &fields.subnetMask, &fields.gateway};
    uint32_t* kept[] = {&remembered.ipAddress, &remembered.subnetMask, &remembered.gateway};
    for (size_t i = 0; i < 3; ++i) {
        if (dhcpOn) {
            *kept[i] = *values[i];
            *values[i] = 0;
        } else if (*kept[i] != 0) {
            *values[i] = *kept[i];
        }
    }
    fields.dhcp = dhcpOn;
    SwitchDnsAuto(editor, dhcpOn);
}

void SwitchDnsAuto(SEditorState& editor, bool dnsAuto) {
    SEditorFields& fields = editor.fields;
    if (dnsAuto) {
        editor.remembered.dnsServer = fields.dnsServer;
        fields.dnsServer = 0;
    } else if (editor.remembered.dnsServer != 0) {
        fields.dnsServer = editor.remembered.dnsServer;
    }
    fields.dnsAuto = dnsAuto;
}

void CarryPasswordDigest(SEditorFields& fields, const uint8_t digest[kPasswordDigestSize]) {
    fields.password = FormatDigestHex(digest);
    fields.passwordIsDigest = true;
}

bool CheckExchangedFields(const SEditorFields& fields, SEditorProblem& problem) {
    std::wstring message;
    if (!CheckUnsignedRange(fields.port, kMinPortValue, kMaxPortValue, message)) {
        return Refuse(problem, message, EEditorField::kPort, true);
    }
    if (!CheckTextLength(fields.ntpServer, kMaxHostChars, message)) {
        return Refuse(problem, message, EEditorField::kNtpServer, true);
    }
    if (!CheckTextLength(fields.macText, kMaxMacChars, message)) {
        return Refuse(problem, message, EEditorField::kMac, true);
    }
    if (!CheckTextLength(fields.server, kMaxHostChars, message)) {
        return Refuse(problem, message, EEditorField::kServer, true);
    }
    if (!CheckUnsignedRange(fields.serverPort, kMinPortValue, kMaxPortValue, message)) {
        return Refuse(problem, message, EEditorField::kServerPort, true);
    }
    return true;
}

bool CollectEditorSettings(SEditorFields& fields, NeraSettings& settings, SEditorProblem& problem) {
    uint8_t mac[kMacSize];
    if (!ParseMacText(fields.macText, mac)) {
        return Refuse(problem, kInvalidMacMessage, EEditorField::kMac, false);
    }
    // A name longer than its 32-byte field would reach the module cut, possibly in the middle
    // of a double-byte character; it is refused before anything of the record changes.
    if (!HostTextFitsField(fields.ntpServer)) {
        return Refuse(problem, kHostTooLongMessage, EEditorField::kNtpServer, true);
    }
    if (!HostTextFitsField(fields.server)) {
        return Refuse(problem, kHostTooLongMessage, EEditorField::kServer, true);
    }
    std::memcpy(settings.Mac(), mac, kMacSize);
    settings.SetPort(static_cast<uint16_t>(fields.port & 0xFFFFu));

    if (fields.dhcp) {
        settings.SetIpAddress(0);
        settings.SetSubnetMask(0xFFFFFFFFu);
        settings.SetGateway(0xFFFFFFFFu);
    } else {
        settings.SetIpAddress(fields.ipAddress);
        settings.SetSubnetMask(fields.subnetMask);
        settings.SetGateway(fields.gateway);
    }
    if (fields.dnsAuto) {
        settings.SetDnsServer(0xFFFFFFFFu);
    } else {
        settings.SetDnsServer(fields.dnsServer != 0 ? fields.dnsServer : 0xFFFFFFFFu);
    }

    if (fields.passwordIsDigest) {
        ParseDigestHex(fields.password, settings.PasswordDigest());
    } else if (!fields.password.empty()) {
        const Sha256Digest digest = ComputePasswordDigest(fields.password);
        std::memcpy(settings.PasswordDigest(), digest.data(), kPasswordDigestSize);
    } else {
        std::memset(settings.PasswordDigest(), 0xFF, kPasswordDigestSize);
    }

    EncodeHostField(fields.ntpServer, settings.NtpServer());
    if (fields.clientMode && fields.server.empty()) {
        return Refuse(problem, kNoServerMessage, EEditorField::kServer, false);
    }
    settings.SetFlags(fields.clientMode ? kClientModeFlag : 0);
    EncodeHostField(fields.server, settings.Server());
    settings.SetServerPort(static_cast<uint16_t>(fields.serverPort & 0xFFFFu));
    settings.SetFormat(0);
    return true;
}

bool TakeDeviceMac(const NeraSettings& device, bool macEdit, std::wstring& macText) {
    if (macEdit || !IsValidMac(device.Mac())) {
        return false;
    }
    macText = FormatMacText(device.Mac());
    return true;
}

bool WriteChangesMac(const NeraSettings& next, const NeraSettings& current) {
    return std::memcmp(next.Mac(), current.Mac(), kMacSize) != 0;
}

bool IsUsableMac(const uint8_t mac[kMacSize]) {
    return IsValidMac(mac) && (mac[0] & 0x01) == 0;
}

bool HasModulePassword(const NeraSettings& settings) {
    return IsPasswordDigestSet(settings.PasswordDigest()) && IsPasswordEnabled(settings.PasswordDigest());
}

NeraSettings DeviceWriteRecord(const NeraSettings& collected) {
    NeraSettings buffer = collected;
    if (!IsPasswordDigestSet(buffer.PasswordDigest())) {
        std::memcpy(buffer.PasswordDigest(), NoPasswordDigest, kPasswordDigestSize);
    }
    return buffer;
}
