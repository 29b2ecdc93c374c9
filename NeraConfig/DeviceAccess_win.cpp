// The main dialog's connection to a module: every call into the device libraries is made here,
// on the user-interface thread, with the module in flash-rewrite mode.
#include "NeraConfigDlg_win.h"

#include "Kivo5120.h"
#include "MessageBox_win.h"
#include "Q5120Common.h"
#include "SettingsEditor.h"
#include "resource.h"

namespace {

const wchar_t kCommunicationErrorMessage[] = L"通信エラーが発生しました。";

// The open call takes one argument that is always 0; so does the close call's second one.
constexpr uint32_t kReserved = 0;

} // namespace

void CNeraConfigDlg::OnConnect() {
    if (m_device != 0) {
        return;
    }
    m_device = Q5120_NeraFlashModeOpen(kReserved);
    if (m_device == 0) {
        return; // the library has shown its own message
    }
    EnableDlgItem(IDC_CONNECT, false);
    EnableDlgItem(IDC_DISCONNECT, true);
    EnableDlgItem(IDC_PRODUCT_INFO, true);
    ReadDeviceSettings();
}

void CNeraConfigDlg::ReadDeviceSettings() {
    Kivo_FlshReadRWArea(m_device, kSettingsArea, m_currentSettings.bytes);
    NormalizeDeviceSettings(m_currentSettings, DefaultServerPort());
    ShowCurrentSettings(m_currentSettings);
    // In MAC edit mode the new MAC stays as the user typed it.
    std::wstring macText;
    if (TakeDeviceMac(m_currentSettings, m_macEdit != 0, macText)) {
        SetDlgItemText(IDC_NEW_MAC, macText);
    }
}

void CNeraConfigDlg::CloseDevice() {
    if (m_device == 0) {
        return;
    }
    Q5120_NeraFlashModeClose(m_device, kReserved);
    m_device = 0;
    EnableDlgItem(IDC_CONNECT, true);
    EnableDlgItem(IDC_DISCONNECT, false);
    EnableDlgItem(IDC_PRODUCT_INFO, false);
}

void CNeraConfigDlg::OnWriteToDevice() {
    if (m_device == 0) {
        if (AfxMessageBox(kFirstDeviceQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
            return;
        }
        OnConnect();
        if (m_device == 0) {
            return;
        }
    }
    if (!CollectNewSettings(m_newSettings)) {
        return;
    }
    if (WriteChangesMac(m_newSettings, m_currentSettings) &&
        AfxMessageBox(kMacChangeQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    // Only the bytes sent carry the module's "no password"; the editor's record keeps its own.
    NeraSettings buffer = DeviceWriteRecord(m_newSettings);
    if (Kivo_FlshWriteRWArea(m_device, kSettingsArea, buffer.bytes) != 0) {
        CloseDevice();
        AfxMessageBox(kWriteFailedMessage, MB_OK);
        return;
    }
    Kivo_FlshReadRWArea(m_device, kSettingsArea, m_currentSettings.bytes);
    ShowCurrentSettings(m_currentSettings);
    AfxMessageBox(kWriteDoneMessage, MB_ICONINFORMATION);
    CloseDevice();
}

void CNeraConfigDlg::OnProductInfo() {
    if (m_device != 0 && Q5120_ShowProductInfo(m_device) != 0) {
        CloseDevice();
        AfxMessageBox(kCommunicationErrorMessage, MB_OK);
    }
}

void CNeraConfigDlg::OnConnectionSettings() {
    Q5120_OptionDlg2();
}
