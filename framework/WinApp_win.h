#pragma once
#include <windows.h>

#include <string>

class CDialog;

// Result of the framework's command-line parser: what the shell asked the program to do.
class CCommandLineInfo {
public:
    enum ShellCommand {
        FileNew,
        FileOpen,
        FilePrint,
        FilePrintTo,
        FileDDE,
        AppAutomation,
        AppRegister,
        AppUnregister
    };

    ShellCommand m_nShellCommand = FileNew;
    std::wstring m_strFileName;

    // Takes one argument after the program name; flags start with '-' or '/'.
    void ParseParam(const std::wstring& param, bool isFlag);
};

// Base of each program's application object. One global instance per program; wWinMain runs it.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The whole run of a dialog program; returns false so that the process ends afterwards.
    virtual bool InitInstance() { return false; }
    virtual int ExitInstance() { return 0; }

    // Commands that the main dialog does not handle come here; the framework handles help.
    virtual bool OnCommand(UINT id);

    // Help command: opens the HTML help file named like the executable with ".CHM" at the
    // context of the main dialog's template.
    virtual void OnHelp();
    void EnableHtmlHelp() { m_htmlHelp = true; }

    // Splits m_cmdLine into arguments the way the shell does and feeds them to info.
    void ParseCommandLine(CCommandLineInfo& info) const;

    int Run(HINSTANCE instance, const wchar_t* cmdLine);

    HINSTANCE m_hInstance = nullptr;
    std::wstring m_cmdLine;  // raw command line after the program name
    std::wstring m_appTitle; // executable name without extension
    CDialog* m_pMainWnd = nullptr;

private:
    bool m_htmlHelp = false;
};

CWinApp* AfxGetApp();

// Caption of every message box: the application title, or the executable's name without
// extension when no application object runs (tests).
std::wstring AfxGetAppTitle();

// Full path of the running executable.
std::wstring AfxGetModulePath();

// Application title rule: the file name of a path without folder and extension.
std::wstring TitleFromModulePath(const std::wstring& path);
