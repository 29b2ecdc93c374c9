#pragma once
#include "framework/Dialog_win.h"

#include <string>

// The launcher window: seven tool buttons whose availability and arguments follow the title.
class CTesk4861ToolsDlg : public CDialog {
public:
    explicit CTesk4861ToolsDlg(HWND parent = nullptr);

    // Starts one tool of the launch table; shows a message when it cannot be started.
    void LaunchTool(const std::wstring& commandText);

    HICON m_hIcon;
    std::wstring m_strModulePath;
    std::wstring m_strTitle;

protected:
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnSysCommand(UINT command, LPARAM lParam) override;
};
