#include "framework/AboutDlg_win.h"
#include "framework/testing/ScriptedUi_win.h"
#include "Tesk4861Tools/resource.h"
#include "Tesk4861Tools/Tesk4861ToolsDlg_win.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {
const int kToolButtons[] = {IDC_NERACONFIG, IDC_NUMBER_TOOL,      IDC_FLASH_WRITER,    IDC_INI_WRITER,
                            IDC_CLOCK_TOOL, IDC_CALIBRATION_TOOL, IDC_FIRMWARE_UPDATER};

bool Enabled(const CDialog& dialog, int id) {
    return IsWindowEnabled(dialog.GetDlgItem(id)) != FALSE;
}

struct StartCase {
    const wchar_t* title; // as the application object hands it over
    const wchar_t* windowTitle;
    bool clock;
    bool calibration;
};

const StartCase kStartCases[] = {
    {L"", L"Tesk4861Tools", true, false},
    {L"Tesk-I0x0xTools", L"Tesk-I0x0xTools", false, false},
    {L"Tesk-A0x0xTools", L"Tesk-A0x0xTools", false, true},
    {L"tesk-a0x0xtools", L"tesk-a0x0xtools", false, false},
    {L"My", L"My", false, false},
};
} // namespace

TEST(LauncherDialog, TitleDecidesTheEnabledButtons) {
    for (const StartCase& c : kStartCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.title)));
        CTesk4861ToolsDlg dialog;
        dialog.m_strTitle = c.title;
        ASSERT_TRUE(dialog.Create());
        EXPECT_EQ(dialog.GetWindowText(), c.windowTitle);
        EXPECT_EQ(dialog.m_strTitle, c.windowTitle);
        for (int id : kToolButtons) {
            bool expected = id == IDC_CLOCK_TOOL         ? c.clock
                            : id == IDC_CALIBRATION_TOOL ? c.calibration
                                                         : true;
            EXPECT_EQ(Enabled(dialog, id), expected) << "button " << id;
            // Disabled rows stay visible, and every button carries its picture.
            EXPECT_TRUE(IsWindowVisible(dialog.GetDlgItem(id)));
            EXPECT_NE(SendMessageW(dialog.GetDlgItem(id), BM_GETIMAGE, IMAGE_ICON, 0), 0) << "button " << id;
        }
    }
}

TEST(LauncherDialog, SystemMenuCarriesTheAboutEntry) {
    CTesk4861ToolsDlg dialog;
    ASSERT_TRUE(dialog.Create());
    HMENU menu = GetSystemMenu(dialog.GetSafeHwnd(), FALSE);
    ASSERT_NE(menu, nullptr);
    wchar_t text[64] = {};
    ASSERT_GT(GetMenuStringW(menu, 0x0010, text, 64, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, L"バージョン情報(&A)...");
    EXPECT_EQ(dialog.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(dialog.m_hIcon));
}

TEST(LauncherDialog, ToolThatCannotStartIsReportedWithItsTableText) {
    CScriptedUi ui;
    CTesk4861ToolsDlg dialog;
    ASSERT_TRUE(dialog.Create());
    // A folder that holds none of the tools.
    dialog.m_strModulePath = L"C:\\NERA-NO-SUCH-FOLDER\\TESK4861TOOLS.EXE";
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_NUMBER_TOOL, BN_CLICKED), 0);
    ASSERT_EQ(ui.m_boxes.size(), 1u);
    EXPECT_EQ(ui.m_boxes[0].text,
              L"Q5120Number.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861 が起動できませんでした。");
    EXPECT_EQ(ui.m_boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(ui.m_boxes[0].caption, L"launcher_dialog_tests");
    EXPECT_FALSE(dialog.IsEnded());
}

TEST(LauncherDialog, ClockButtonStartsNothingForTheNamedSeries) {
    CScriptedUi ui;
    CTesk4861ToolsDlg dialog;
    dialog.m_strTitle = L"Tesk-I0x0xTools";
    ASSERT_TRUE(dialog.Create());
    dialog.m_strModulePath = L"C:\\NERA-NO-SUCH-FOLDER\\TESK4861TOOLS.EXE";
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CLOCK_TOOL, BN_CLICKED), 0);
    EXPECT_TRUE(ui.m_boxes.empty());
}

TEST(LauncherDialog, ExitAndEscapeCloseTheDialog) {
    for (UINT message : {WM_COMMAND, WM_CLOSE}) {
        CTesk4861ToolsDlg dialog;
        ASSERT_TRUE(dialog.Create());
        dialog.SendMessage(message, message == WM_COMMAND ? MAKEWPARAM(IDCANCEL, BN_CLICKED) : 0, 0);
        EXPECT_TRUE(dialog.IsEnded());
        EXPECT_EQ(dialog.GetResult(), IDCANCEL);
    }
}

TEST(LauncherAbout, ShowsTheFileVersion) {
    CAboutDlg about(IDD_ABOUTBOX, IDC_VERSION);
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(about.GetDlgItemText(IDC_VERSION), L"1, 4, 0, 1");
}

// The launcher's manifest, which this test program carries too, takes effect at start-up: the
// common controls come from the side-by-side assembly (version 6; under Wine, too, its version
// resource says 5.81, so the folder tells), and the process is DPI aware, per monitor where the
// system knows awareness contexts.
TEST(LauncherManifest, GivesCommonControls6AndDpiAwareness) {
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
    CharLowerW(path);
    EXPECT_NE(wcsstr(path, L"\\winsxs\\"), nullptr) << path;

    EXPECT_TRUE(IsProcessDPIAware());
    using GetContextFn = HANDLE(WINAPI*)();
    using AwarenessFn = int(WINAPI*)(HANDLE);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    auto getContext = reinterpret_cast<GetContextFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetThreadDpiAwarenessContext")));
    auto awarenessOf = reinterpret_cast<AwarenessFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
    if (getContext != nullptr && awarenessOf != nullptr) {
        const int kPerMonitorAware = 2; // DPI_AWARENESS_PER_MONITOR_AWARE
        EXPECT_EQ(awarenessOf(getContext()), kPerMonitorAware);
    }
}
