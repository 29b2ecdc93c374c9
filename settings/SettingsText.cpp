#include "settings/SettingsText.h"

#include "common/PrintableText.h"

std::wstring AddressText(uint32_t address) {
    return std::to_wstring(address >> 24) + L"." + std::to_wstring((address >> 16) & 0xFF) + L"." +
           std::to_wstring((address >> 8) & 0xFF) + L"." + std::to_wstring(address & 0xFF);
}

std::vector<SSettingsRow> SettingsRows(const NeraSettings& settings) {
    const SEditorFields fields = EditorFieldsFromRecord(settings);
    const bool password =
        IsPasswordDigestSet(settings.PasswordDigest()) && IsPasswordEnabled(settings.PasswordDigest());
    return {
        {L"MACアドレス", L"mac", fields.macText},
        {L"ポート", L"port", std::to_wstring(fields.port)},
        {L"IPアドレス", L"ipAddress", fields.dhcp ? L"自動取得(DHCP)" : AddressText(fields.ipAddress)},
        {L"サブネットマスク", L"subnetMask", fields.dhcp ? L"" : AddressText(fields.subnetMask)},
        {L"ゲートウェイ", L"gateway", fields.dhcp ? L"" : AddressText(fields.gateway)},
        {L"DNSサーバー", L"dnsServer",
         fields.dnsAuto          ? L"自動取得"
         : fields.dnsServer != 0 ? AddressText(fields.dnsServer)
                                 : L""},
        {L"NTPサーバー", L"ntpServer", fields.ntpServer},
        {L"パスワード", L"passwordDigest", password ? L"あり" : L"なし"},
        {L"クライアントモード", L"flags", fields.clientMode ? L"オン" : L"オフ"},
        {L"サーバー", L"server", fields.server},
        {L"サーバーポート", L"serverPort", std::to_wstring(fields.serverPort)},
    };
}

std::wstring SettingsText(const NeraSettings& settings) {
    std::wstring out;
    for (const SSettingsRow& row : SettingsRows(settings)) {
        out += row.label;
        out += row.value.empty() ? L":\n" : L": " + PrintableText(row.value) + L"\n";
    }
    return out;
}

bool SaveableRecord(const NeraSettings& device, NeraSettings& record, SEditorProblem& problem) {
    SEditorFields fields = EditorFieldsFromRecord(device);
    if (IsPasswordEnabled(device.PasswordDigest())) {
        CarryPasswordDigest(fields, device.PasswordDigest());
    }
    record = device;
    return CheckExchangedFields(fields, problem) && CollectEditorSettings(fields, record, problem);
}
