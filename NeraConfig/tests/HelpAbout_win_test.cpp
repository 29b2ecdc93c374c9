// The help dialogs and the about box: their texts byte for byte, and that the main dialog's
// commands and system menu open them.
#include "NeraConfig/tests/dialog_harness_win.h"

#include <algorithm>
#include <functional>

#include "framework/AboutDlg_win.h"
#include "framework/FrameworkResource.h"
#include "NeraConfig/HelpDialogs_win.h"
#include "NeraConfig/resource.h"

namespace {

const wchar_t* const kConfigHelpTexts[] = {
    L"「MACアドレス」は通常変更の必要はありません。変更するにはプログラム起動時に\"-"
    L"MACEDIT\"引数を指定してください。",
    L"「ポート番号」を変更すると、ライブラリの設定が必要になります。サンプルプログラム等をご利用になる場合は"
    L"ご注意ください。詳しくは「Kivoライブラリ 関数リファレンス」を参照してください。",
    L"「DNSサーバー」の指定はオプションです。ユーザーファームで利用する場合のみ必要になります。設定するとSRV_"
    L"SockGetHostByName()関数でドメイン名を解決できるようになります。",
    L"「NTPサーバー」の指定はオプションです。ユーザーファームで利用する場合に指定します。設定はSRV_SyncTime()"
    L"による時刻同期に使用されます("
    L"空欄の場合には、デフォルトのサーバーにアクセスします）。\nIPアドレスまたはドメイン名で指定しますが、空"
    L"欄またはドメイン名で指定した場合にはDNSサーバーの設定が必須です。\n※この項目はVer.3.3."
    L"1以前のファームウェアでは無視されます。",
    L"「パスワード」を変更すると、ライブラリの設定が必要になります。サンプルプログラム等をご利用になる場合は"
    L"ご注意ください。詳しくは「Kivoライブラリ 関数リファレンス」を参照してください。",
    L"「クライアントモード」をチェックするとデバイス側から接続を行います。「サーバー」と「サーバーポート」も"
    L"同時に指定してください。\r\n※この項目はVer.5.0.1以前のファームウェアでは無視されます。",
    L"閉じる",
};

const wchar_t* const kFlashmodeHelpTexts[] = {
    L"Nera5120をご利用の場合",
    L"「J17」(FLASH)のジャンパスイッチを\"ON\"にし、デバイスの電源を入れなおします。",
    L"Teskシリーズをご利用の場合",
    L"ディップスイッチの2番を\"ON\"にし、デバイスの電源を入れなおします。",
    L"Q5120-S(L)デバッグボードをご利用の場合",
    L"「J17」(FWE)のジャンパスイッチを\"ON\"にし、デバイスの電源を入れなおします。",
    L"モード変更は起動時、または、マイコンのリセット時のみ行えますので、スイッチの操作は必ずデバイスの電源を"
    L"切った状態で行ってください。\n終了後はスイッチを\"OFF\"にもどしてください。",
    L"閉じる",
};

} // namespace

class CNeraConfigHelpAboutTest : public CNeraConfigDialogTest {
public:
    // The dialog's size in dialog units, as its template gives it.
    static SIZE TemplateSize(HWND dialog) {
        RECT client;
        GetClientRect(dialog, &client);
        RECT units = {0, 0, 4, 8};
        MapDialogRect(dialog, &units);
        return SIZE{client.right * 4 / units.right, client.bottom * 8 / units.bottom};
    }
};

TEST_F(CNeraConfigHelpAboutTest, HelpDialogsShowTheirTextsAndCloseAnyNumberOfTimes) {
    struct SHelp {
        const char* name;
        std::function<std::unique_ptr<CDialog>()> make;
        const wchar_t* caption;
        std::vector<std::wstring> texts;
        SIZE size;
        bool closeIsDefault;
    };
    const SHelp helps[] = {
        {"settings help", [] { return std::unique_ptr<CDialog>(new CConfigHelpDlg); }, L"設定項目について",
         std::vector<std::wstring>(std::begin(kConfigHelpTexts), std::end(kConfigHelpTexts)), SIZE{251, 231},
         false},
        {"flash-mode help", [] { return std::unique_ptr<CDialog>(new CFlashmodeHelpDlg); },
         L"フラッシュ書換えモードでの起動方法",
         std::vector<std::wstring>(std::begin(kFlashmodeHelpTexts), std::end(kFlashmodeHelpTexts)),
         SIZE{254, 175}, true},
    };
    for (const SHelp& h : helps) {
        SCOPED_TRACE(h.name);
        for (int round = 0; round < 2; ++round) {
            std::unique_ptr<CDialog> dialog = h.make();
            ASSERT_TRUE(dialog->Create());
            HWND window = dialog->GetSafeHwnd();
            EXPECT_EQ(WindowText(window), h.caption);
            EXPECT_EQ(ChildTexts(window), h.texts);
            const SIZE size = TemplateSize(window);
            EXPECT_NEAR(size.cx, h.size.cx, 1);
            EXPECT_NEAR(size.cy, h.size.cy, 1);
            HWND close = GetDlgItem(window, IDCANCEL);
            ASSERT_NE(close, nullptr);
            EXPECT_EQ((GetWindowLongPtrW(close, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON,
                      h.closeIsDefault);
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(close));
            EXPECT_TRUE(dialog->IsEnded());
        }
    }
}

TEST_F(CNeraConfigHelpAboutTest, AboutBoxShowsTheFileVersion) {
    CAboutDlg about(IDD_ABOUTBOX, IDC_ABOUT_VERSION);
    ASSERT_TRUE(about.Create());
    HWND window = about.GetSafeHwnd();
    EXPECT_EQ(WindowText(window), L"NeraConfigのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_ABOUT_VERSION)), L"3, 0, 1, 4");
    const std::vector<std::wstring> texts = ChildTexts(window);
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"NeraConfig"), texts.end());
    const SIZE size = TemplateSize(window);
    EXPECT_NEAR(size.cx, 235, 1);
    EXPECT_NEAR(size.cy, 55, 1);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(about.IsEnded());
}

TEST_F(CNeraConfigHelpAboutTest, MainDialogOpensEachDialogModally) {
    Create();
    struct SOpen {
        const char* name;
        UINT message;
        WPARAM wParam;
        const wchar_t* caption; // nullptr: nothing opens
    };
    const SOpen opens[] = {
        {"command 1035", WM_COMMAND, IDC_CONFIG_HELP, L"設定項目について"},
        {"command 1028", WM_COMMAND, IDC_FLASHMODE_HELP, L"フラッシュ書換えモードでの起動方法"},
        {"about menu item", WM_COMMAND, ID_APP_ABOUT, L"NeraConfigのﾊﾞｰｼﾞｮﾝ情報"},
        {"system menu entry", WM_SYSCOMMAND, 0x0010, L"NeraConfigのﾊﾞｰｼﾞｮﾝ情報"},
        {"system menu entry, low bits set", WM_SYSCOMMAND, 0x001F, L"NeraConfigのﾊﾞｰｼﾞｮﾝ情報"},
        {"other system command", WM_SYSCOMMAND, 0x0020, nullptr},
    };
    for (const SOpen& o : opens) {
        SCOPED_TRACE(o.name);
        CModalCloser closer(IDCANCEL);
        closer.m_ignore = Dlg().GetSafeHwnd();
        if (o.caption != nullptr) {
            SendMessageW(Dlg().GetSafeHwnd(), o.message, o.wParam, 0);
            ASSERT_EQ(closer.m_seen.size(), 1u);
            EXPECT_EQ(closer.m_seen[0].caption, o.caption);
        } else {
            SendMessageW(Dlg().GetSafeHwnd(), o.message, o.wParam, 0);
            MSG msg;
            const DWORD until = GetTickCount() + 200;
            while (GetTickCount() < until) {
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    DispatchMessageW(&msg);
                }
                Sleep(10);
            }
            EXPECT_TRUE(closer.m_seen.empty());
        }
    }
    // The menu's items for the help dialogs.
    HMENU help = GetSubMenu(GetMenu(Dlg().GetSafeHwnd()), 3);
    EXPECT_NE(GetMenuState(help, IDC_CONFIG_HELP, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(GetMenuState(help, IDC_FLASHMODE_HELP, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(GetMenuState(help, ID_HELP, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(GetMenuState(help, ID_APP_ABOUT, MF_BYCOMMAND), static_cast<UINT>(-1));
}
