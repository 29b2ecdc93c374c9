// The updater window created in-process: start-up, the package load, the reporting
// facilities, the platform's identifier parser against the portable one, and one write
// through the real device libraries against a private simulated store.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/PathText.h"
#include "framework/testing/ScriptedUi_win.h"
#include "framework/WinApp_win.h"
#include "NeraUpdater/KivoWriterDlg_win.h"
#include "NeraUpdater/resource.h"

namespace {
constexpr UINT kStopBox = MB_OK | MB_ICONSTOP;

// The packaged program beside this test: it carries the demonstration package.
std::wstring PackagedUpdater() {
    return FolderOfPath(AfxGetModulePath()) + L"NeraUpdater.exe";
}

// A fresh folder for a simulated store; the libraries of this process use it while the
// object lives. Removing the store is left to the temporary folder's own clean-up.
class CPrivateStore {
public:
    CPrivateStore() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        m_folder = std::wstring(temp) + L"updater-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(GetTickCount());
        SetEnvironmentVariableW(L"NERA_SIM_STORE", (m_folder + L"\\store").c_str());
        SetEnvironmentVariableW(L"NERA_SIM_SETTINGS", (m_folder + L"-settings.txt").c_str());
    }
    ~CPrivateStore() {
        SetEnvironmentVariableW(L"NERA_SIM_STORE", nullptr);
        SetEnvironmentVariableW(L"NERA_SIM_SETTINGS", nullptr);
    }

private:
    std::wstring m_folder;
};

class CKivoWriterDlgTest : public ::testing::Test {
protected:
    CKivoWriterDlg& Create(const std::wstring& product, const std::wstring& package) {
        m_dlg.m_strProduct = product;
        m_dlg.m_strPackagePath = package;
        EXPECT_TRUE(m_dlg.Create());
        return m_dlg;
    }
    std::wstring Text(int id) const { return m_dlg.GetDlgItemText(id); }
    bool Enabled(int id) const { return IsWindowEnabled(m_dlg.GetDlgItem(id)) != FALSE; }
    void Click(int id) {
        m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(m_dlg.GetDlgItem(id)));
    }

    CScriptedUi m_ui;
    CKivoWriterDlg m_dlg;
};
} // namespace

TEST_F(CKivoWriterDlgTest, StartUpShowsProductAndCarriedVersion) {
    struct SRow {
        const wchar_t* product;
        const wchar_t* title;
        const wchar_t* caption;
    };
    const SRow rows[] = {
        {L"", L"Nera5120 Firmware Updater", L"Nera5120 ファームウェア更新プログラム"},
        {L"Tesk-I4861", L"Tesk-I4861 Firmware Updater", L"Tesk-I4861 ファームウェア更新プログラム"},
    };
    for (const SRow& row : rows) {
        CScriptedUi ui;
        CKivoWriterDlg dlg;
        dlg.m_strProduct = row.product;
        dlg.m_strPackagePath = PackagedUpdater();
        ASSERT_TRUE(dlg.Create());
        SCOPED_TRACE(row.title);
        EXPECT_EQ(row.title, dlg.GetWindowText());
        EXPECT_EQ(row.caption, dlg.GetDlgItemText(IDC_PRODUCT_GROUP));
        EXPECT_EQ(L"5.7.1", dlg.GetDlgItemText(IDC_NEW_VERSION));
        EXPECT_EQ(L"", dlg.GetDlgItemText(IDC_CURRENT_VERSION));
        EXPECT_EQ(L"", dlg.GetDlgItemText(IDC_HARDWARE_INFO));
        EXPECT_EQ(L"", dlg.GetDlgItemText(IDC_LOG));
        EXPECT_TRUE(IsWindowEnabled(dlg.GetDlgItem(IDOK)));
        EXPECT_TRUE(IsWindowEnabled(dlg.GetDlgItem(IDC_CONNECT)));
        EXPECT_FALSE(IsWindowEnabled(dlg.GetDlgItem(IDC_DISCONNECT)));
        EXPECT_TRUE(IsWindowVisible(dlg.GetDlgItem(IDC_CONNECTION_SETTINGS)));
        EXPECT_EQ(87936u, dlg.m_session.m_image.size());
        EXPECT_FALSE(dlg.IsEnded());
        EXPECT_TRUE(ui.m_boxes.empty());
        DestroyWindow(dlg.GetSafeHwnd());
        EXPECT_TRUE(dlg.m_session.m_image.empty());
    }
}

TEST_F(CKivoWriterDlgTest, PackageThatCannotBeOpenedEndsTheDialog) {
    Create(L"", L"Z:\\no-such-folder\\NeraUpdater.exe");
    ASSERT_EQ(1u, m_ui.m_boxes.size());
    EXPECT_EQ(L"実行エラー", m_ui.m_boxes[0].caption);
    EXPECT_EQ(L"実行時にエラーが発生しました。 #1", m_ui.m_boxes[0].text);
    EXPECT_EQ(kStopBox, m_ui.m_boxes[0].type);
    EXPECT_EQ(L"\r\n### 実行時にエラーが発生しました。 #1", Text(IDC_LOG));
    EXPECT_TRUE(m_dlg.IsEnded());
    EXPECT_EQ(IDCANCEL, m_dlg.GetResult());
}

// Outside text is never a format: a version text with % signs shows as it is.
TEST_F(CKivoWriterDlgTest, LogAndErrorBoxTakeTextLiterally) {
    Create(L"", PackagedUpdater());
    m_dlg.AppendLog(L"%ls", L"5.%d.%s");
    m_dlg.AppendLog(L"\r\n%d", 7);
    m_dlg.ShowError(L"タイトル", L"%ls", L"100% %n");
    EXPECT_EQ(L"5.%d.%s\r\n7\r\n### 100% %n", Text(IDC_LOG));
    ASSERT_EQ(1u, m_ui.m_boxes.size());
    EXPECT_EQ(L"タイトル", m_ui.m_boxes[0].caption);
    EXPECT_EQ(L"100% %n", m_ui.m_boxes[0].text);
    m_dlg.ShowError(nullptr, L"x");
    m_dlg.AppendLog();
    EXPECT_EQ(L"", Text(IDC_LOG));
    EXPECT_EQ(1u, m_ui.m_boxes.size());
}

TEST(UuidParsers, PlatformAndPortableAgree) {
    const wchar_t* texts[] = {
        L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38", L"a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38",
        L"00000000-0000-0000-0000-000000000000", L"{A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38}",
        L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A3",  L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A388",
        L"A4D29E6B0F17-4C3A-8E5B-72C6D1F09A38-", L"G4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38",
        L"A4D29E6B-0F17-4C3A-8E5B 72C6D1F09A38", L"",
    };
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(testing::Message() << "text " << ::testing::PrintToString(std::wstring(text)));
        uint8_t platform[16] = {};
        uint8_t portable[16] = {};
        bool platformOk = std::wstring(text).empty() ? false : UuidFromText(text, platform);
        bool portableOk = ParseUuidText(text, portable);
        EXPECT_EQ(platformOk, portableOk);
        if (platformOk && portableOk) {
            EXPECT_EQ(0, std::memcmp(platform, portable, 16));
        }
    }
}

// The buttons go to the session and the session to the real libraries: a write with the
// question answered Yes ends with the module holding the carried version.
TEST_F(CKivoWriterDlgTest, WriteThroughTheDeviceLibraries) {
    CPrivateStore store;
    Create(L"", PackagedUpdater());
    m_ui.AnswerMessageBox(IDYES);
    Click(IDOK);
    ASSERT_EQ(1u, m_ui.m_boxes.size());
    EXPECT_EQ(L"最初に見つかったデバイスに対して書込みを行います。続けますか？", m_ui.m_boxes[0].text);
    EXPECT_EQ(AfxGetAppTitle(), m_ui.m_boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), m_ui.m_boxes[0].type);
    EXPECT_EQ(L"---------- Q5120 Firmware Updater ----------\r\n\r\n"
              L"デバイスと接続中...完了\r\n"
              L"...フラッシュメモリを消去しました。\r\n"
              L"...フラッシュメモリにバイナリデータを書き込みました。\r\n"
              L"...フラッシュメモリのベリファイが完了しました。\r\n"
              L"切断しました。\r\n"
              L"\r\n...正常に終了しました。\r\n",
              Text(IDC_LOG));
    EXPECT_EQ(L"Nera5120", Text(IDC_HARDWARE_INFO));
    EXPECT_EQ(L"5.7.1", Text(IDC_CURRENT_VERSION));
    EXPECT_TRUE(Enabled(IDC_CONNECT));
    EXPECT_FALSE(Enabled(IDC_DISCONNECT));

    // Connect, then leave with the module open: the exit button ends the dialog only.
    Click(IDC_CONNECT);
    EXPECT_FALSE(Enabled(IDC_CONNECT));
    EXPECT_TRUE(Enabled(IDC_DISCONNECT));
    EXPECT_NE(0u, m_dlg.m_session.m_hDevice);
    Click(IDCANCEL);
    EXPECT_TRUE(m_dlg.IsEnded());
    EXPECT_NE(0u, m_dlg.m_session.m_hDevice);
}
