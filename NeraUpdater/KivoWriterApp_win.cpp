// Application object of NeraUpdater: reads "-UUID:" and "-PRODUCT:" and runs the updater window.
#include <windows.h>

#include <commctrl.h>

#include "framework/WinApp_win.h"
#include "NeraUpdater/KivoWriterDlg_win.h"

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
    SUpdaterOptions options = ParseUpdaterOptions(m_cmdLine);
    dialog.m_strUuid = options.m_strUuid;
    dialog.m_strProduct = options.m_strProduct;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

CKivoWriterApp theApp;
