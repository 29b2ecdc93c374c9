#include "settings/ConfigSession.h"

#include "common/ModuleInfo.h"
#include "settings/SettingsEditor.h"

namespace {

const wchar_t kCommunicationErrorMessage[] = L"通信エラーが発生しました。";

// The open call takes one argument that is always 0; so does the close call's second one.
constexpr uint32_t kReserved = 0;

SWriteOutcome Outcome(EWriteResult result) {
    SWriteOutcome outcome;
    outcome.result = result;
    return outcome;
}

} // namespace

CConfigSession::CConfigSession(IDeviceApi& device, IConfigView& view) : m_api(device), m_view(view) {
    MakeDefaultSettings(m_currentSettings, kDefaultServerPort);
}

EConnectResult CConfigSession::OnConnect() {
    if (m_device != 0) {
        return EConnectResult::kAlreadyConnected;
    }
    m_device = m_api.NeraFlashModeOpen(kReserved);
    if (m_device == 0) {
        return EConnectResult::kOpenFailed;
    }
    m_view.ShowConnected(true);
    return ReadDeviceSettings() ? EConnectResult::kConnected : EConnectResult::kReadFailed;
}

bool CConfigSession::ReadDeviceSettings() {
    const bool read = m_api.ReadRWArea(m_device, kSettingsArea, m_currentSettings.bytes) == 0;
    m_currentErased = read && m_currentSettings.Format() != 0;
    NormalizeDeviceSettings(m_currentSettings, m_defaultServerPort);
    m_view.ShowCurrentSettings(m_currentSettings);
    // In MAC edit mode the new MAC stays as the user typed it.
    std::wstring macText;
    if (TakeDeviceMac(m_currentSettings, m_macEdit, macText)) {
        m_view.TakeDeviceMac(macText);
    }
    return read;
}

void CConfigSession::CloseDevice() {
    if (m_device == 0) {
        return;
    }
    m_api.NeraFlashModeClose(m_device, kReserved);
    m_device = 0;
    m_view.ShowConnected(false);
}

SWriteOutcome CConfigSession::OnWriteToDevice(NeraSettings& newSettings, const SWriteRules& rules) {
    if (m_device == 0) {
        if (!m_view.AskYesNo(kFirstDeviceQuestion)) {
            return Outcome(EWriteResult::kFirstDeviceDeclined);
        }
        OnConnect();
        if (m_device == 0) {
            return Outcome(EWriteResult::kNotConnected);
        }
    }
    if (!m_view.CollectNewSettings(newSettings)) {
        return Outcome(EWriteResult::kRefused);
    }
    // Only the bytes sent carry the module's "no password"; the editor's record keeps its own.
    SWriteOutcome outcome = Outcome(EWriteResult::kDryRun);
    outcome.written = DeviceWriteRecord(newSettings);
    if (rules.refuseUnusableMac && !IsUsableMac(outcome.written.Mac())) {
        outcome.result = EWriteResult::kUnusableMac;
        return outcome;
    }
    if (rules.keepModulePassword && HasModulePassword(m_currentSettings) &&
        !HasModulePassword(outcome.written)) {
        outcome.result = EWriteResult::kWouldRemovePassword;
        return outcome;
    }
    m_view.ShowPlan(m_currentSettings, outcome.written);
    if (WriteChangesMac(newSettings, m_currentSettings) &&
        !m_view.AskMacChange(m_currentSettings.Mac(), newSettings.Mac())) {
        outcome.result = EWriteResult::kMacChangeDeclined;
        return outcome;
    }
    if (rules.dryRun) {
        return outcome;
    }
    if (m_api.WriteRWArea(m_device, kSettingsArea, outcome.written.bytes) != 0) {
        CloseDevice();
        m_view.ShowError(kWriteFailedMessage);
        outcome.result = EWriteResult::kWriteFailed;
        return outcome;
    }
    const bool read = m_api.ReadRWArea(m_device, kSettingsArea, m_currentSettings.bytes) == 0;
    outcome.readBack = m_currentSettings;
    outcome.result = !read                                 ? EWriteResult::kReadBackFailed
                     : outcome.readBack != outcome.written ? EWriteResult::kReadBackDiffers
                                                           : EWriteResult::kWritten;
    m_view.ShowCurrentSettings(m_currentSettings);
    m_view.ShowWritten(outcome.result == EWriteResult::kWritten);
    CloseDevice();
    return outcome;
}

SModuleInfo CConfigSession::ReadModuleInfo() {
    SModuleInfo info;
    info.hasCode = m_api.ReadHwVersion(m_device, &info.code) == 0;
    info.version = ReadDeviceVersion(m_api, m_device);
    info.hasIdentity = ReadIdentity(info.identity);
    return info;
}

bool CConfigSession::ReadIdentity(uint8_t identity[16]) {
    return ReadModuleIdentity(m_api, m_device, identity);
}

void CConfigSession::OnProductInfo() {
    if (m_device != 0 && m_api.ShowProductInfo(m_device) != 0) {
        CloseDevice();
        m_view.ShowError(kCommunicationErrorMessage);
    }
}

void CConfigSession::OnConnectionSettings() {
    m_api.OptionDlg2();
}
