#include "framework/AboutDlg_win.h"

#include "common/VersionInfo_win.h"
#include "framework/WinApp_win.h"

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (GetDlgItem(m_versionControlId) != nullptr) {
        // An empty path (the name could not be read) gives no version, never a stale one.
        std::wstring path = AfxGetModulePath();
        SetDlgItemText(m_versionControlId, path.empty() ? std::wstring() : GetVersionInfoString(path, false));
    }
    return true;
}
