// Application object of NeraUpdater: reads "-UUID:" and "-PRODUCT:" and runs the updater window.
#include <windows.h>

#include <commctrl.h>

#include "CommandLine.h"
#include "KivoWriterDlg_win.h"
#include "WinApp_win.h"

class CKivoWriterApp : public CWinApp {
public:
    bool InitInstance() override;
};

bool CKivoWriterApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    CKivoWriterDlg dialog;
    m_pMainWnd = &dialog;
    std::wstring value;
    if (FindOptionValue(m_cmdLine, L"-UUID:", value)) {
        dialog.m_strUuid = UpperAscii(value);
    }
    if (FindOptionValue(m_cmdLine, L"-PRODUCT:", value)) {
        dialog.m_strProduct = value;
    }
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

CKivoWriterApp theApp;
