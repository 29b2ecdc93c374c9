#include "AboutDlg_win.h"

#include "VersionInfo_win.h"

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (GetDlgItem(IDC_ABOUT_VERSION) == nullptr) {
        return true;
    }
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A path that does not fit gives no version rather than the version of a cut name.
    std::wstring version;
    if (length > 0 && length < MAX_PATH) {
        version = GetVersionInfoString(std::wstring(path, length), false);
    }
    SetDlgItemText(IDC_ABOUT_VERSION, version);
    return true;
}
