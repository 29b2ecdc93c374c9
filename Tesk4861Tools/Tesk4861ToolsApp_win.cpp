// Application object of Tesk4861Tools: reads "-TITLE:" and runs the launcher window.
#include "common/CommandLine.h"
#include "framework/MessageBox_win.h"
#include "framework/WinApp_win.h"
#include "Tesk4861Tools/resource.h"
#include "Tesk4861Tools/Tesk4861ToolsDlg_win.h"

#include <commctrl.h>
#include <winsock2.h>

class CTesk4861ToolsApp : public CWinApp {
public:
    bool InitInstance() override;
};

bool CTesk4861ToolsApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    InitCommonControlsEx(&controls);

    WSADATA wsaData;
    if (WSAStartup(MAKEWORD(1, 1), &wsaData) != 0) {
        AfxMessageBox(IDS_SOCKET_INIT_FAILED);
        return false;
    }

    CTesk4861ToolsDlg dialog;
    m_pMainWnd = &dialog;
    std::wstring title;
    if (FindOptionValue(m_cmdLine, L"-TITLE:", title)) {
        dialog.m_strTitle = title;
    }
    dialog.DoModal();
    m_pMainWnd = nullptr;
    WSACleanup();
    return false;
}

CTesk4861ToolsApp theApp;
