#include "framework/WinApp_win.h"

#include "common/ModulePath_win.h"
#include "common/PathText.h"
#include "framework/Dialog_win.h"
#include "framework/FrameworkResource.h"

#include <shellapi.h>

namespace {
CWinApp* g_app = nullptr;

// HTML Help is loaded on demand so that a program without a help viewer still starts.
using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
constexpr UINT kHelpDisplayTopic = 0x0000;     // HH_DISPLAY_TOPIC
constexpr UINT kHelpContext = 0x000F;          // HH_HELP_CONTEXT
constexpr DWORD kHelpIdBaseResource = 0x20000; // help contexts of dialog resources
} // namespace

void CCommandLineInfo::ParseParam(const std::wstring& param, bool isFlag) {
    if (isFlag) {
        std::wstring flag;
        for (wchar_t c : param) {
            flag += (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        }
        if (flag == L"p") {
            m_nShellCommand = FilePrint;
        } else if (flag == L"pt") {
            m_nShellCommand = FilePrintTo;
        } else if (flag == L"dde") {
            m_nShellCommand = FileDDE;
        } else if (flag == L"embedding" || flag == L"automation") {
            m_nShellCommand = AppAutomation;
        } else if (flag == L"regserver" || flag == L"register") {
            m_nShellCommand = AppRegister;
        } else if (flag == L"unregserver" || flag == L"unregister") {
            m_nShellCommand = AppUnregister;
        }
        return;
    }
    if (m_strFileName.empty()) {
        m_strFileName = param;
        if (m_nShellCommand == FileNew) {
            m_nShellCommand = FileOpen;
        }
    }
}

CWinApp::CWinApp() {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
    }
}

bool CWinApp::OnCommand(UINT id) {
    if (id == ID_HELP) {
        OnHelp();
        return true;
    }
    return false;
}

void CWinApp::OnHelp() {
    if (!m_htmlHelp) {
        return;
    }
    const std::wstring path = PathWithoutExtension(AfxGetModulePath()) + L".CHM";
    HWND owner = m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : nullptr;
    DWORD context = kHelpIdBaseResource + (m_pMainWnd != nullptr ? m_pMainWnd->GetTemplateId() : 0);
    HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
    if (viewer == nullptr) {
        return;
    }
    auto htmlHelp =
        reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")));
    // A help file without a map for the context gives no window: it then opens at its first
    // page, so that F1 always shows the help.
    if (htmlHelp != nullptr && htmlHelp(owner, path.c_str(), kHelpContext, context) == nullptr) {
        htmlHelp(owner, path.c_str(), kHelpDisplayTopic, 0);
    }
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const {
    // CommandLineToArgvW treats the first word as the program name; give it a stand-in.
    std::wstring full = L"program " + m_cmdLine;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(full.c_str(), &argc);
    if (argv == nullptr) {
        return;
    }
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        bool isFlag = arg[0] == L'-' || arg[0] == L'/';
        info.ParseParam(isFlag ? std::wstring(arg + 1) : std::wstring(arg), isFlag);
    }
    LocalFree(argv);
}

int CWinApp::Run(HINSTANCE instance, const wchar_t* cmdLine) {
    m_hInstance = instance;
    m_cmdLine = cmdLine != nullptr ? cmdLine : L"";
    m_appTitle = TitleFromModulePath(AfxGetModulePath());
    InitInstance();
    return ExitInstance();
}

CWinApp* AfxGetApp() {
    return g_app;
}

std::wstring AfxGetModulePath() {
    return ModuleFilePath();
}

std::wstring TitleFromModulePath(const std::wstring& path) {
    return NameWithoutExtension(path);
}

std::wstring AfxGetAppTitle() {
    if (g_app != nullptr && !g_app->m_appTitle.empty()) {
        return g_app->m_appTitle;
    }
    return TitleFromModulePath(AfxGetModulePath());
}
