// The main dialog as the view of its session with a module: the session makes every device
// call; the dialog shows the module's record, switches the device buttons and shows the boxes.
#include "NeraConfig/NeraConfigDlg_win.h"

#include "framework/MessageBox_win.h"
#include "NeraConfig/resource.h"
#include "settings/SettingsEditor.h"

void CNeraConfigDlg::OnWriteToDevice() {
    // A refusal, a declined question or a failure has been shown already; the read-back is not
    // checked here beyond showing what came back.
    m_session.OnWriteToDevice(m_newSettings);
}

bool CNeraConfigDlg::AskYesNo(const std::wstring& question) {
    return AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

bool CNeraConfigDlg::AskMacChange(const uint8_t*, const uint8_t*) {
    return AskYesNo(kMacChangeQuestion);
}

void CNeraConfigDlg::ShowError(const std::wstring& text) {
    AfxMessageBox(text, MB_OK);
}

void CNeraConfigDlg::ShowConnected(bool connected) {
    EnableDlgItem(IDC_CONNECT, !connected);
    EnableDlgItem(IDC_DISCONNECT, connected);
    EnableDlgItem(IDC_PRODUCT_INFO, connected);
}

void CNeraConfigDlg::TakeDeviceMac(const std::wstring& macText) {
    SetDlgItemText(IDC_NEW_MAC, macText);
}

void CNeraConfigDlg::ShowWritten(bool /*readBackSame*/) {
    AfxMessageBox(kWriteDoneMessage, MB_ICONINFORMATION);
}
