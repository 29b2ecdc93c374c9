// The command line of NeraConfig: the framework's verdict on the plain file argument and the
// program's own options, found by the shared option rule of CommandLine.h.
#include "NeraConfig/NeraConfigApp_win.h"

#include "common/CommandLine.h"
#include "NeraConfig/NeraConfigDlg_win.h"

void ApplyCommandLine(const std::wstring& cmdLine, const CCommandLineInfo& shellInfo,
                      CNeraConfigDlg& dialog) {
    if (shellInfo.m_nShellCommand == CCommandLineInfo::FileOpen) {
        dialog.m_startupFile = shellInfo.m_strFileName;
    }
    if (HasOption(cmdLine, L"-MACEDIT")) {
        dialog.m_macEdit = 1;
    }
    std::wstring value;
    if (FindOptionValue(cmdLine, L"-TITLE:", value)) {
        dialog.m_title = value;
    }
    if (FindOptionValue(cmdLine, L"-SERVERPORT:", value)) {
        dialog.m_defaultServerPort = ParseDecimalInt(value);
    }
}
