#include "Tesk4861Tools/Tesk4861ToolsDlg_win.h"

#include "common/CommandLine.h"
#include "framework/AboutDlg_win.h"
#include "framework/MessageBox_win.h"
#include "framework/WinApp_win.h"
#include "Tesk4861Tools/LaunchTable.h"
#include "Tesk4861Tools/resource.h"

#include <vector>

namespace {
// Which icon each tool button shows.
struct ButtonIcon {
    int buttonId;
    int iconId;
};

const ButtonIcon kButtonIcons[] = {
    {IDC_NERACONFIG, IDI_NERACONFIG},
    {IDC_NUMBER_TOOL, IDI_NUMBER_TOOL},
    {IDC_FLASH_WRITER, IDI_FLASH_WRITER},
    {IDC_INI_WRITER, IDI_INI_WRITER},
    {IDC_CLOCK_TOOL, IDI_CLOCK_TOOL},
    {IDC_CALIBRATION_TOOL, IDI_CALIBRATION_TOOL},
    {IDC_FIRMWARE_UPDATER, IDI_FIRMWARE_UPDATER},
};

// A tool icon at the system's icon size (32 pixels at 96 DPI), so that it grows with the
// buttons when the display is scaled. Shared: the system keeps one copy per icon.
HICON LoadToolIcon(int id) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0,
                                         LR_DEFAULTSIZE | LR_SHARED));
}
} // namespace

CTesk4861ToolsDlg::CTesk4861ToolsDlg(HWND parent)
    : CDialog(IDD_TESK4861TOOLS_DIALOG, parent),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

bool CTesk4861ToolsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendAboutMenuItem(IDS_ABOUTBOX);
    SetDialogIcon(m_hIcon);

    if (!m_strTitle.empty()) {
        SetWindowText(m_strTitle);
    } else {
        m_strTitle = GetWindowText();
    }
    m_strModulePath = UpperAscii(AfxGetModulePath());

    for (const ButtonIcon& entry : kButtonIcons) {
        SendDlgItemMessageW(m_hWnd, entry.buttonId, BM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(LoadToolIcon(entry.iconId)));
    }
    if (!IsClockToolEnabled(m_strTitle)) {
        EnableDlgItem(IDC_CLOCK_TOOL, false);
    }
    if (!IsCalibrationToolEnabled(m_strTitle)) {
        EnableDlgItem(IDC_CALIBRATION_TOOL, false);
    }
    return true;
}

bool CTesk4861ToolsDlg::OnCommand(UINT id, UINT code, HWND control) {
    switch (id) {
        case IDC_NERACONFIG:
        case IDC_NUMBER_TOOL:
        case IDC_FIRMWARE_UPDATER:
        case IDC_CALIBRATION_TOOL:
        case IDC_FLASH_WRITER:
        case IDC_INI_WRITER:
        case IDC_CLOCK_TOOL: {
            const wchar_t* command = LaunchCommandFor(static_cast<int>(id), m_strTitle);
            if (command != nullptr) {
                LaunchTool(command);
            }
            return true;
        }
        default:
            return CDialog::OnCommand(id, code, control);
    }
}

bool CTesk4861ToolsDlg::OnSysCommand(UINT command, LPARAM) {
    if (!IsAboutCommand(command)) {
        return false;
    }
    CAboutDlg about(IDD_ABOUTBOX, IDC_VERSION);
    about.DoModal();
    return true;
}

void CTesk4861ToolsDlg::LaunchTool(const std::wstring& commandText) {
    std::wstring line = BuildLaunchCommandLine(m_strModulePath, commandText);
    // CreateProcessW may write into the command line, so it gets a writable copy with room.
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.resize(line.size() < 520 ? 521 : line.size() + 1, L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &process)) {
        AfxMessageBox(commandText + L" が起動できませんでした。");
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
