// The program's one application object and its start-up sequence.
#include <winsock2.h>

#include "NeraConfig/NeraConfigApp_win.h"

#include "framework/MessageBox_win.h"
#include "NeraConfig/NeraConfigDlg_win.h"
#include "NeraConfig/resource.h"

namespace {
// Windows Sockets 1.1 is enough: the program only converts byte order and parses addresses.
constexpr WORD kWinsockVersion = MAKEWORD(1, 1);
} // namespace

CNeraConfigApp::CNeraConfigApp() {
    EnableHtmlHelp();
}

bool CNeraConfigApp::InitInstance() {
    WSADATA winsock;
    if (WSAStartup(kWinsockVersion, &winsock) != 0) {
        AfxMessageBox(IDP_SOCKETS_INIT_FAILED, MB_OK);
        return false;
    }
    CNeraConfigDlg dialog;
    CCommandLineInfo shellInfo;
    ParseCommandLine(shellInfo);
    ApplyCommandLine(m_cmdLine, shellInfo, dialog);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    WSACleanup();
    return false;
}

CNeraConfigApp theApp;
