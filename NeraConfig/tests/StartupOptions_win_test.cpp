// The command line: the framework's file argument and the program's own options, applied to
// a dialog before its window exists, and what they change once the window is there.
#include "NeraConfig/tests/dialog_harness_win.h"

#include "NeraConfig/NeraConfigApp_win.h"
#include "NeraConfig/resource.h"

namespace {

struct SCommandLine {
    const wchar_t* line;
    const wchar_t* startupFile;
    int32_t macEdit;
    const wchar_t* title;
    int32_t serverPort;
};

const SCommandLine kCommandLines[] = {
    {L"", L"", 0, L"", 50176},
    {L"-MACEDIT", L"", 1, L"", 50176},
    {L"-macedit", L"", 1, L"", 50176},
    {L"/MacEdit", L"", 0, L"", 50176}, // only the "-" form is the option
    {L"-TITLE:Plant3", L"", 0, L"Plant3", 50176},
    {L"-title:Plant3", L"", 0, L"Plant3", 50176},
    {L"-TITLE:", L"", 0, L"", 50176},
    {L"-TITLE:   ", L"", 0, L"", 50176},
    // A value after blanks is also a plain argument for the framework.
    {L"-TITLE:  Hall\t-MACEDIT", L"Hall", 1, L"Hall", 50176},
    {L"-SERVERPORT:10001", L"", 0, L"", 10001},
    {L"-SERVERPORT:70000", L"", 0, L"", 70000},
    {L"-SERVERPORT:abc", L"", 0, L"", 0},
    {L"-SERVERPORT:-5", L"", 0, L"", -5},
    {L"-SERVERPORT:  123x", L"123x", 0, L"", 123},
    {L"x.nera -MACEDIT", L"x.nera", 1, L"", 50176},
    {L"C:\\cfg\\old-macedit.nera", L"C:\\cfg\\old-macedit.nera", 1, L"", 50176},
    {L"\"C:\\my files\\a.nera\" -TITLE:Lab", L"C:\\my files\\a.nera", 0, L"Lab", 50176},
    // Quoted, the title and its second word are one switch for the framework: no file.
    {L"\"-TITLE:A B\"", L"", 0, L"A", 50176},
    // Unquoted, the second word is the framework's file argument.
    {L"-TITLE:A B", L"B", 0, L"A", 50176},
    // Only the first occurrence counts.
    {L"-TITLE:one -TITLE:two", L"", 0, L"one", 50176},
    // A framework switch that changes its verdict leaves no start-up file.
    {L"/p x.nera", L"", 0, L"", 50176},
    {L"first.nera second.nera", L"first.nera", 0, L"", 50176},
};

// Runs the command line through the framework's parser, as start-up does, and applies it. The
// test program has no application object of its own, so a short-lived one does the parsing.
void Apply(const std::wstring& line, CNeraConfigDlg& dialog) {
    CCommandLineInfo shellInfo;
    {
        CWinApp app;
        app.m_cmdLine = line;
        app.ParseCommandLine(shellInfo);
    }
    ApplyCommandLine(line, shellInfo, dialog);
}

} // namespace

TEST(NeraConfigCommandLine, SetsTheDialogMembers) {
    for (const SCommandLine& c : kCommandLines) {
        SCOPED_TRACE(testing::Message() << "command line: " << std::string(c.line, c.line + wcslen(c.line)));
        CNeraConfigDlg dialog;
        Apply(c.line, dialog);
        EXPECT_EQ(dialog.m_startupFile, c.startupFile);
        EXPECT_EQ(dialog.m_macEdit, c.macEdit);
        EXPECT_EQ(dialog.m_title, c.title);
        EXPECT_EQ(dialog.m_defaultServerPort, c.serverPort);
    }
}

TEST_F(CNeraConfigDialogTest, TitleOptionIsTheBaseOfEveryTitle) {
    auto dialog = std::make_unique<CNeraConfigDlg>();
    Apply(L"-TITLE:Plant3", *dialog);
    Create(std::move(dialog));
    EXPECT_EQ(Title(), L"Plant3");
    SetText(IDC_NEW_SERVER, L"x");
    EXPECT_EQ(Title(), L"Plant3*");
    m_ui.ChooseFile(m_files.File(L"a.nera"));
    Command(IDC_SAVE_FILE);
    EXPECT_EQ(Title(), L"Plant3 - a.nera");
}

TEST_F(CNeraConfigDialogTest, ServerPortOptionSetsTheDefaultRecords) {
    struct SPort {
        const wchar_t* line;
        const wchar_t* shown;
        const char* recordBytes; // serverPort bytes after collecting; nullptr: refused
    };
    const SPort ports[] = {
        {L"-SERVERPORT:10001", L"10001", "2711"},
        {L"-SERVERPORT:70000", L"4464", "1170"}, // the record keeps the low 16 bits
        {L"-SERVERPORT:abc", L"0", nullptr},
    };
    for (const SPort& p : ports) {
        SCOPED_TRACE(std::string(p.line, p.line + wcslen(p.line)));
        auto dialog = std::make_unique<CNeraConfigDlg>();
        Apply(p.line, *dialog);
        Create(std::move(dialog));
        EXPECT_EQ(Text(IDC_NEW_SERVERPORT), p.shown);
        EXPECT_EQ(Text(IDC_CUR_SERVERPORT), p.shown);
        m_ui.Clear();
        bool ok = false;
        NeraSettings record = Collect(ok);
        if (p.recordBytes != nullptr) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(ToHex(record.bytes + kServerPortOffset, 2), p.recordBytes);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(m_ui.Texts(),
                      std::vector<std::wstring>{L"1 から 65535 までの整数を入力してください。"});
        }
        // "New" starts from the same default record.
        SetText(IDC_NEW_SERVERPORT, L"1");
        m_ui.AnswerMessageBox(IDYES);
        Command(IDC_NEW_SETTINGS);
        EXPECT_EQ(Text(IDC_NEW_SERVERPORT), p.shown);
    }
}

TEST_F(CNeraConfigDialogTest, StartupFileOpensWithoutQuestions) {
    NeraSettings record = DefaultRecord();
    record.SetPort(1234);
    const uint8_t mac[kMacSize] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::memcpy(record.Mac(), mac, kMacSize);
    std::vector<uint8_t> bytes(record.bytes, record.bytes + kNeraSettingsSize);
    bytes.push_back(0x01); // saved in MAC edit mode: the file's MAC shows
    bytes.push_back(0x00);
    const std::wstring path = m_files.File(L"start.nera");
    ASSERT_TRUE(WriteFileBytes(path, bytes));

    auto dialog = std::make_unique<CNeraConfigDlg>();
    Apply(L"\"" + path + L"\" -MACEDIT", *dialog);
    Create(std::move(dialog));
    EXPECT_EQ(Title(), L"NeraConfig - start.nera");
    EXPECT_EQ(Dlg().m_modified, 0);
    EXPECT_EQ(Text(IDC_NEW_PORT), L"1234");
    EXPECT_EQ(Text(IDC_NEW_MAC), L"001122334455");
    EXPECT_FALSE(ReadOnly(IDC_NEW_MAC));
    EXPECT_EQ(Dlg().m_filePath, path);
    EXPECT_TRUE(m_ui.m_boxes.empty());
}

TEST_F(CNeraConfigDialogTest, MissingStartupFileReportsAndKeepsDefaults) {
    auto dialog = std::make_unique<CNeraConfigDlg>();
    dialog->m_startupFile = m_files.File(L"missing.nera");
    Create(std::move(dialog));
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{L"ファイルが開けませんでした。"});
    EXPECT_EQ(m_ui.m_boxes[0].type, kOkBox);
    EXPECT_EQ(Title(), L"NeraConfig");
    EXPECT_EQ(Text(IDC_NEW_PORT), L"49152");
    EXPECT_TRUE(Dlg().m_filePath.empty());
}

TEST(NeraConfigFileName, KeepsNameAndExtension) {
    struct SPath {
        const wchar_t* path;
        const wchar_t* name;
    };
    const SPath paths[] = {
        {L"C:\\cfg\\a.nera", L"a.nera"},
        {L"C:/cfg/b.NERA", L"b.NERA"},
        {L"c.nera", L"c.nera"},
        {L"D:d.nera", L"d.nera"},
        {L"\\\\server\\share\\dir.x\\noext", L"noext"},
        {L"C:\\cfg\\two.dots.nera", L"two.dots.nera"},
        {L"C:\\cfg\\", L""},
    };
    for (const SPath& p : paths) {
        EXPECT_EQ(CNeraConfigDlg::FileNameFromPath(p.path), p.name);
    }
}
