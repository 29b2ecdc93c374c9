#pragma once
#include <string>

#include "framework/WinApp_win.h"

class CNeraConfigDlg;

// The application object: prepares the process (sockets, help), reads the command line into
// the main dialog and runs that dialog modally; the process ends when the dialog closes.
class CNeraConfigApp : public CWinApp {
public:
    CNeraConfigApp();
    bool InitInstance() override;
};

// Puts what the command line asks for into the dialog before its window exists: the file that
// the framework's parser (shellInfo) found as start-up file, and from the raw text after the
// program name the options "-MACEDIT", "-TITLE:" and "-SERVERPORT:", matched in any letter
// case anywhere in the line.
void ApplyCommandLine(const std::wstring& cmdLine, const CCommandLineInfo& shellInfo, CNeraConfigDlg& dialog);
