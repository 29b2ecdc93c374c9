#include "framework/DataExchange_win.h"
#include "framework/Dialog_win.h"
#include "framework/File_win.h"
#include "framework/FrameworkResource.h"
#include "framework/testing/ScriptedUi_win.h"
#include "framework/WinApp_win.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// Exchanges a number (1001, range 1-65535), a text (1002, at most 5 characters), a second
// number (1003) and a check box (1004), in that order.
class CExchangeDlg : public CDialog {
public:
    CExchangeDlg() : CDialog(200) {}
    unsigned int m_number = 7;
    std::wstring m_text = L"abc";
    unsigned int m_second = 9;
    int m_check = 1;
    int m_commands = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, 1001, m_number);
        DDV_MinMaxUInt(pDX, m_number, 1, 65535);
        DDX_Text(pDX, 1002, m_text);
        DDV_MaxChars(pDX, m_text, 5);
        DDX_Text(pDX, 1003, m_second);
        DDX_Check(pDX, 1004, m_check);
    }
    bool OnCommand(UINT id, UINT code, HWND control) override {
        if (id == 1005) {
            ++m_commands;
            return true;
        }
        return CDialog::OnCommand(id, code, control);
    }
};

struct ExchangeCase {
    const wchar_t* number;
    const wchar_t* text;
    const wchar_t* second;
    const wchar_t* message; // nullptr: the exchange passes
    int focusId;
};

const ExchangeCase kExchangeCases[] = {
    {L"80", L"hello", L"3", nullptr, 0},
    {L" 65535 ", L"", L"0", nullptr, 0},
    {L"", L"x", L"3", L"正の整数を入力してください。", 1001},
    {L"-1", L"x", L"3", L"正の整数を入力してください。", 1001},
    {L"12a", L"x", L"3", L"正の整数を入力してください。", 1001},
    {L"4294967296", L"x", L"3", L"正の整数を入力してください。", 1001},
    {L"0", L"x", L"3", L"1 から 65535 までの整数を入力してください。", 1001},
    {L"65536", L"x", L"3", L"1 から 65535 までの整数を入力してください。", 1001},
    {L"80", L"toolong", L"3", L"5 文字以内で入力してください。", 1002},
    {L"80", L"x", L"x", L"正の整数を入力してください。", 1003},
};

// The temporary folder, ending in a backslash; as long as it is.
std::wstring TempFolder() {
    std::wstring folder(GetTempPathW(0, nullptr), L'\0');
    folder.resize(GetTempPathW(static_cast<DWORD>(folder.size()), &folder[0]));
    return folder;
}
} // namespace

TEST(DataExchange, LoadsMembersAndLimitsTexts) {
    CExchangeDlg dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetDlgItemText(1001), L"7");
    EXPECT_EQ(dialog.GetDlgItemText(1002), L"abc");
    EXPECT_TRUE(dialog.IsDlgButtonChecked(1004));
    EXPECT_EQ(SendMessageW(dialog.GetDlgItem(1002), EM_GETLIMITTEXT, 0, 0), 5);
}

TEST(DataExchange, FailedCheckShowsItsMessageFocusesAndStops) {
    for (const ExchangeCase& c : kExchangeCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.number)) + " " +
                     testing::PrintToString(std::wstring(c.text)));
        CScriptedUi ui;
        CExchangeDlg dialog;
        ASSERT_TRUE(dialog.Create());
        ShowWindow(dialog.GetSafeHwnd(), SW_SHOW);
        SetForegroundWindow(dialog.GetSafeHwnd());
        dialog.SetDlgItemText(1001, c.number);
        // Bypass the edit's limit to test the check itself.
        SetWindowTextW(dialog.GetDlgItem(1002), c.text);
        dialog.SetDlgItemText(1003, c.second);
        dialog.CheckDlgButton(1004, false);
        bool ok = dialog.UpdateData(true);
        if (c.message == nullptr) {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(ui.m_boxes.empty());
            EXPECT_EQ(dialog.m_check, 0);
            continue;
        }
        EXPECT_FALSE(ok);
        ASSERT_EQ(ui.m_boxes.size(), 1u);
        EXPECT_EQ(ui.m_boxes[0].text, c.message);
        EXPECT_EQ(ui.m_boxes[0].type, static_cast<UINT>(MB_ICONEXCLAMATION));
        EXPECT_EQ(GetFocus(), dialog.GetDlgItem(c.focusId));
        // Abandoned at the failing control: the check box after it kept its member value.
        EXPECT_EQ(dialog.m_check, 1);
        DWORD start = 0, end = 0;
        SendMessageW(dialog.GetDlgItem(c.focusId), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, static_cast<DWORD>(dialog.GetDlgItemText(c.focusId).size()));
    }
}

TEST(Dialog, OkRunsTheExchangeAndCancelCloses) {
    CScriptedUi ui;
    CExchangeDlg dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.SetDlgItemText(1001, L"0");
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(dialog.IsEnded());
    EXPECT_EQ(ui.m_boxes.size(), 1u);
    dialog.SetDlgItemText(1001, L"10");
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResult(), IDOK);
    EXPECT_EQ(dialog.m_number, 10u);

    CExchangeDlg other;
    ASSERT_TRUE(other.Create());
    other.SendMessage(WM_COMMAND, MAKEWPARAM(1005, BN_CLICKED), 0);
    EXPECT_EQ(other.m_commands, 1);
    other.SendMessage(WM_CLOSE);
    EXPECT_TRUE(other.IsEnded());
    EXPECT_EQ(other.GetResult(), IDCANCEL);
}

TEST(MessageBoxes, DefaultIconsFollowTheButtons) {
    struct {
        UINT type;
        UINT expected;
    } const cases[] = {
        {MB_OK, MB_OK | MB_ICONEXCLAMATION},
        {MB_OKCANCEL, MB_OKCANCEL | MB_ICONEXCLAMATION},
        {MB_YESNO, MB_YESNO | MB_ICONQUESTION},
        {MB_YESNO | MB_DEFBUTTON2, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION},
        {MB_ICONINFORMATION, MB_ICONINFORMATION},
        {MB_YESNO | MB_ICONSTOP, MB_YESNO | MB_ICONSTOP},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AfxMessageBoxType(c.type), c.expected) << c.type;
    }
    CScriptedUi ui;
    ui.AnswerMessageBox(IDYES);
    EXPECT_EQ(AfxMessageBox(L"question?", MB_YESNO), IDYES);
    ASSERT_EQ(ui.m_boxes.size(), 1u);
    EXPECT_EQ(ui.m_boxes[0].caption, L"framework_tests");
}

TEST(FileError, MessageNamesTheFileAndCause) {
    CFileError error;
    error.m_cause = CFileError::diskFull;
    error.m_fileName = L"C:\\a.nera";
    EXPECT_EQ(error.Message(), L"C:\\a.nera へのアクセス中にディスクがいっぱいになりました。");
    // Every cause has a message of its own that names the file.
    for (int cause = CFileError::none; cause <= CFileError::endOfFile; ++cause) {
        error.m_cause = static_cast<CFileError::Cause>(cause);
        EXPECT_NE(error.Message().find(L"C:\\a.nera"), std::wstring::npos) << cause;
    }
    EXPECT_EQ(CFileError::CauseFromOsError(ERROR_SHARING_VIOLATION), CFileError::sharingViolation);
    EXPECT_EQ(CFileError::CauseFromOsError(ERROR_FILE_NOT_FOUND), CFileError::fileNotFound);
}

TEST(File, ExclusiveOpenKeepsOthersOutAndWriteFaultsAreReported) {
    std::wstring path = TempFolder() + L"framework-file-test.bin";
    CFile writer;
    ASSERT_TRUE(writer.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive));
    CFile reader;
    EXPECT_FALSE(reader.Open(path, CFile::modeRead | CFile::shareExclusive));
    EXPECT_EQ(reader.GetError().m_cause, CFileError::sharingViolation);
    ASSERT_TRUE(writer.Write("abc", 3));
    // The hook lets one byte of the next write through, then the disk is full.
    CFile::SetWriteFaultHook(
        [](const std::wstring&, UINT, UINT& written, void*) {
            written = 1;
            return true;
        },
        nullptr);
    EXPECT_FALSE(writer.Write("def", 3));
    CFile::SetWriteFaultHook(nullptr, nullptr);
    EXPECT_EQ(writer.GetError().m_cause, CFileError::diskFull);
    EXPECT_TRUE(writer.Close());

    ASSERT_TRUE(reader.Open(path, CFile::modeRead | CFile::shareExclusive));
    char buffer[8] = {};
    UINT got = 0;
    ASSERT_TRUE(reader.Read(buffer, sizeof(buffer), got));
    EXPECT_EQ(std::string(buffer, got), "abcd");
    reader.Close();
    DeleteFileW(path.c_str());
}

// Names too long for the plain form reach the system in the extended form, normalised first.
TEST(File, LongPathsUseTheExtendedForm) {
    const std::wstring deep(300, L'd');
    const struct {
        std::wstring path;
        std::wstring system;
    } cases[] = {
        {L"C:\\a\\b.nera", L"C:\\a\\b.nera"},
        {L"C:\\" + deep + L"\\b.nera", L"\\\\?\\C:\\" + deep + L"\\b.nera"},
        {L"C:/x/../" + deep + L"/b.nera", L"\\\\?\\C:\\" + deep + L"\\b.nera"},
        {L"\\\\server\\share\\" + deep, L"\\\\?\\UNC\\server\\share\\" + deep},
        {L"\\\\?\\C:\\" + deep, L"\\\\?\\C:\\" + deep},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemPathOf(c.path), c.system) << testing::PrintToString(c.path);
    }
}

TEST(CommandLineInfo, FirstPlainArgumentOpensAFile) {
    struct {
        const wchar_t* cmdLine;
        CCommandLineInfo::ShellCommand command;
        const wchar_t* file;
    } const cases[] = {
        {L"", CCommandLineInfo::FileNew, L""},
        {L"x.nera -MACEDIT", CCommandLineInfo::FileOpen, L"x.nera"},
        {L"-MACEDIT \"C:\\my files\\a.nera\" b.nera", CCommandLineInfo::FileOpen, L"C:\\my files\\a.nera"},
        {L"\"-TITLE:A B\"", CCommandLineInfo::FileNew, L""},
        {L"-TITLE:A B", CCommandLineInfo::FileOpen, L"B"},
        {L"/p x.nera", CCommandLineInfo::FilePrint, L"x.nera"},
    };
    for (const auto& c : cases) {
        CWinApp app;
        app.m_cmdLine = c.cmdLine;
        CCommandLineInfo info;
        app.ParseCommandLine(info);
        EXPECT_EQ(info.m_nShellCommand, c.command) << testing::PrintToString(std::wstring(c.cmdLine));
        EXPECT_EQ(info.m_strFileName, c.file);
    }
    EXPECT_EQ(TitleFromModulePath(L"C:\\a b\\NeraConfig.exe"), L"NeraConfig");
    EXPECT_EQ(TitleFromModulePath(L"plain"), L"plain");
}
