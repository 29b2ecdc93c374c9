// The main dialog without a module: start-up state, the address enabling rules, the modified
// mark, the data-exchange checks and the records that the editor yields and shows.
#include "NeraConfig/tests/dialog_harness_win.h"

#include <commctrl.h>

#include <cstring>
#include <functional>

#include "NeraConfig/resource.h"

namespace {

const std::string kFF4 = "FFFFFFFF";
const std::string kFF32 = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";

std::wstring Repeat(const std::wstring& piece, int count) {
    std::wstring text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

constexpr uint32_t Addr(unsigned a, unsigned b, unsigned c, unsigned d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

struct SControlState {
    int id;
    const wchar_t* text; // nullptr: not checked
    bool enabled;
    int checked;  // -1: not a check box
    bool blankIp; // an IP control that must be blank
};

} // namespace

TEST_F(CNeraConfigDialogTest, StartsWithDefaultRecordInBothColumns) {
    Create();
    EXPECT_EQ(Title(), L"NeraConfig");
    EXPECT_EQ(Dlg().m_modified, 0);
    EXPECT_EQ(Dlg().m_session.m_device, 0u);
    EXPECT_EQ(Dlg().m_title, L"NeraConfig");
    EXPECT_TRUE(m_ui.m_boxes.empty());

    const SControlState states[] = {
        {IDC_CUR_MAC, L"", true, -1, false},
        {IDC_CUR_PORT, L"49152", true, -1, false},
        {IDC_CUR_DHCP, nullptr, false, 1, false},
        {IDC_CUR_IPADDRESS, nullptr, false, -1, true},
        {IDC_CUR_SUBNETMASK, nullptr, false, -1, true},
        {IDC_CUR_GATEWAY, nullptr, false, -1, true},
        {IDC_CUR_DNSAUTO, nullptr, false, 1, false},
        {IDC_CUR_DNSSERVER, nullptr, false, -1, true},
        {IDC_CUR_NTPSERVER, L"", true, -1, false},
        {IDC_CUR_CLIENTMODE, L"", false, 0, false},
        {IDC_CUR_SERVER, L"", true, -1, false},
        {IDC_CUR_SERVERPORT, L"50176", true, -1, false},
        {IDC_NEW_MAC, L"", true, -1, false},
        {IDC_NEW_PORT, L"49152", true, -1, false},
        {IDC_NEW_DHCP, L"自動取得(DHCP)", true, 1, false},
        {IDC_NEW_IPADDRESS, nullptr, false, -1, true},
        {IDC_NEW_SUBNETMASK, nullptr, false, -1, true},
        {IDC_NEW_GATEWAY, nullptr, false, -1, true},
        {IDC_NEW_DNSAUTO, L"自動取得", true, 1, false},
        {IDC_NEW_DNSSERVER, nullptr, false, -1, true},
        {IDC_NEW_NTPSERVER, L"", true, -1, false},
        {IDC_NEW_PASSWORD, L"", true, -1, false},
        {IDC_NEW_CLIENTMODE, L"クライアントモード", true, 0, false},
        {IDC_NEW_SERVER, L"", true, -1, false},
        {IDC_NEW_SERVERPORT, L"50176", true, -1, false},
        {IDC_OPEN_FILE, L"ファイルを開く", true, -1, false},
        {IDC_SAVE_FILE, L"ファイルに保存", true, -1, false},
        {IDC_CONNECT, L"デバイスと接続", true, -1, false},
        {IDC_DISCONNECT, L"切断", false, -1, false},
        {IDC_READ_INTO_EDITOR, L"編集画面に読出し", true, -1, false},
        {IDC_WRITE_TO_DEVICE, L"デバイスへ書込み", true, -1, false},
        {IDC_PRODUCT_INFO, L"製品情報", false, -1, false},
    };
    for (const SControlState& s : states) {
        SCOPED_TRACE(s.id);
        ASSERT_NE(Item(s.id), nullptr);
        if (s.text != nullptr) {
            EXPECT_EQ(Text(s.id), s.text);
        }
        EXPECT_EQ(Enabled(s.id), s.enabled);
        if (s.checked >= 0) {
            EXPECT_EQ(Checked(s.id), s.checked == 1);
        }
        if (s.blankIp) {
            EXPECT_TRUE(IpBlank(s.id));
        }
    }
    // Read-only edits: the whole current column and the new MAC outside MAC edit mode.
    for (int id :
         {IDC_CUR_MAC, IDC_CUR_PORT, IDC_CUR_NTPSERVER, IDC_CUR_SERVER, IDC_CUR_SERVERPORT, IDC_NEW_MAC}) {
        EXPECT_TRUE(ReadOnly(id)) << id;
    }
    for (int id : {IDC_NEW_PORT, IDC_NEW_NTPSERVER, IDC_NEW_PASSWORD, IDC_NEW_SERVER, IDC_NEW_SERVERPORT}) {
        EXPECT_FALSE(ReadOnly(id)) << id;
    }
    EXPECT_EQ(SendMessageW(Item(IDC_NEW_PASSWORD), EM_GETPASSWORDCHAR, 0, 0), 0);
    // The length limits that the first exchange set.
    EXPECT_EQ(SendMessageW(Item(IDC_NEW_NTPSERVER), EM_GETLIMITTEXT, 0, 0), 31);
    EXPECT_EQ(SendMessageW(Item(IDC_NEW_MAC), EM_GETLIMITTEXT, 0, 0), 12);
    EXPECT_EQ(SendMessageW(Item(IDC_NEW_SERVER), EM_GETLIMITTEXT, 0, 0), 31);
}

TEST_F(CNeraConfigDialogTest, WindowCarriesMenuSystemMenuEntryAndIcon) {
    Create();
    HWND window = Dlg().GetSafeHwnd();
    EXPECT_NE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_NE(GetWindowLongPtrW(window, GWL_STYLE) & WS_MINIMIZEBOX, 0);
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(window, WM_QUERYDRAGICON, 0, 0), 0);

    HMENU systemMenu = GetSystemMenu(window, FALSE);
    wchar_t text[64] = {};
    ASSERT_GT(GetMenuStringW(systemMenu, 0x0010, text, 64, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, L"NeraConfig のﾊﾞｰｼﾞｮﾝ情報(&A)...");

    HMENU menu = GetMenu(window);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 2, TRUE, &info));
    EXPECT_EQ(info.wID, static_cast<UINT>(IDC_CONNECTION_SETTINGS));
    // Disconnect is grayed in the resource itself.
    HMENU device = GetSubMenu(menu, 1);
    EXPECT_NE(GetMenuState(device, IDC_DISCONNECT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    // No OK and no default push button: Enter sends the framework's OK command.
    EXPECT_EQ(GetDlgItem(window, IDOK), nullptr);
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        EXPECT_NE(GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << GetDlgCtrlID(child);
    }
}

TEST_F(CNeraConfigDialogTest, MenuStatesFollowTheConnection) {
    Create();
    HMENU device = GetSubMenu(GetMenu(Dlg().GetSafeHwnd()), 1);
    SendMessageW(Dlg().GetSafeHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(device),
                 MAKELPARAM(1, FALSE));
    EXPECT_EQ(GetMenuState(device, IDC_CONNECT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(GetMenuState(device, IDC_DISCONNECT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(GetMenuState(device, IDC_PRODUCT_INFO, MF_BYCOMMAND) & MF_GRAYED, 0u);
    // Items without an update rule keep their state.
    EXPECT_EQ(GetMenuState(device, IDC_WRITE_TO_DEVICE, MF_BYCOMMAND) & MF_GRAYED, 0u);

    Dlg().m_session.m_device = 7; // as if connected; only the update rule is looked at here
    SendMessageW(Dlg().GetSafeHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(device),
                 MAKELPARAM(1, FALSE));
    EXPECT_NE(GetMenuState(device, IDC_CONNECT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(device, IDC_DISCONNECT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(device, IDC_PRODUCT_INFO, MF_BYCOMMAND) & MF_GRAYED, 0u);
    Dlg().m_session.m_device = 0;
}

TEST_F(CNeraConfigDialogTest, MacEditModeMakesTheNewMacEditable) {
    auto dialog = std::make_unique<CNeraConfigDlg>();
    dialog->m_macEdit = 1;
    Create(std::move(dialog));
    EXPECT_FALSE(ReadOnly(IDC_NEW_MAC));
    EXPECT_TRUE(ReadOnly(IDC_CUR_MAC));
}

TEST_F(CNeraConfigDialogTest, DhcpTickAndUntickBringsTheTypedAddressesBack) {
    Create();
    ToggleCheck(IDC_NEW_DHCP); // untick
    for (int id : {IDC_NEW_IPADDRESS, IDC_NEW_SUBNETMASK, IDC_NEW_GATEWAY, IDC_NEW_DNSSERVER}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }
    EXPECT_FALSE(Checked(IDC_NEW_DNSAUTO));
    SetIp(IDC_NEW_IPADDRESS, Addr(192, 168, 0, 10));
    SetIp(IDC_NEW_SUBNETMASK, Addr(255, 255, 255, 0));
    SetIp(IDC_NEW_GATEWAY, Addr(192, 168, 0, 1));

    ToggleCheck(IDC_NEW_DHCP); // tick: fields empty and disabled, DNS automatic as well
    for (int id : {IDC_NEW_IPADDRESS, IDC_NEW_SUBNETMASK, IDC_NEW_GATEWAY, IDC_NEW_DNSSERVER}) {
        EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_TRUE(IpBlank(id)) << id;
    }
    EXPECT_TRUE(Checked(IDC_NEW_DNSAUTO));
    EXPECT_EQ(Dlg().m_editor.remembered.ipAddress, Addr(192, 168, 0, 10));

    ToggleCheck(IDC_NEW_DHCP); // untick again
    EXPECT_EQ(Ip(IDC_NEW_IPADDRESS), Addr(192, 168, 0, 10));
    EXPECT_EQ(Ip(IDC_NEW_SUBNETMASK), Addr(255, 255, 255, 0));
    EXPECT_EQ(Ip(IDC_NEW_GATEWAY), Addr(192, 168, 0, 1));
    EXPECT_FALSE(Checked(IDC_NEW_DNSAUTO));
    EXPECT_TRUE(Enabled(IDC_NEW_DNSSERVER));
    EXPECT_TRUE(IpBlank(IDC_NEW_DNSSERVER)); // blank was remembered as nothing
}

TEST_F(CNeraConfigDialogTest, DnsTickAndUntickBringsTheTypedServerBack) {
    Create();
    ToggleCheck(IDC_NEW_DNSAUTO); // untick
    EXPECT_TRUE(Enabled(IDC_NEW_DNSSERVER));
    EXPECT_TRUE(Checked(IDC_NEW_DHCP)); // DHCP stays ticked
    SetIp(IDC_NEW_DNSSERVER, Addr(8, 8, 4, 4));
    ToggleCheck(IDC_NEW_DNSAUTO); // tick
    EXPECT_FALSE(Enabled(IDC_NEW_DNSSERVER));
    EXPECT_TRUE(IpBlank(IDC_NEW_DNSSERVER));
    ToggleCheck(IDC_NEW_DNSAUTO); // untick
    EXPECT_TRUE(Enabled(IDC_NEW_DNSSERVER));
    EXPECT_EQ(Ip(IDC_NEW_DNSSERVER), Addr(8, 8, 4, 4));

    // 0.0.0.0 doubles as "nothing remembered": it is not put back.
    SetIp(IDC_NEW_DNSSERVER, 0);
    ToggleCheck(IDC_NEW_DNSAUTO);
    ToggleCheck(IDC_NEW_DNSAUTO);
    EXPECT_TRUE(IpBlank(IDC_NEW_DNSSERVER));
}

TEST_F(CNeraConfigDialogTest, EveryEditKindSetsTheModifiedMarkExactlyOnce) {
    struct SEdit {
        const char* name;
        std::function<void(CNeraConfigDialogTest&)> edit;
    };
    const SEdit edits[] = {
        {"port", [](CNeraConfigDialogTest& t) { t.TypeChar(IDC_NEW_PORT, L'1'); }},
        {"ntp", [](CNeraConfigDialogTest& t) { t.TypeChar(IDC_NEW_NTPSERVER, L'a'); }},
        {"password", [](CNeraConfigDialogTest& t) { t.TypeChar(IDC_NEW_PASSWORD, L'p'); }},
        {"server", [](CNeraConfigDialogTest& t) { t.TypeChar(IDC_NEW_SERVER, L's'); }},
        {"server port", [](CNeraConfigDialogTest& t) { t.TypeChar(IDC_NEW_SERVERPORT, L'2'); }},
        {"ip", [](CNeraConfigDialogTest& t) { t.FieldChanged(IDC_NEW_IPADDRESS); }},
        {"mask", [](CNeraConfigDialogTest& t) { t.FieldChanged(IDC_NEW_SUBNETMASK); }},
        {"gateway", [](CNeraConfigDialogTest& t) { t.FieldChanged(IDC_NEW_GATEWAY); }},
        {"dns", [](CNeraConfigDialogTest& t) { t.FieldChanged(IDC_NEW_DNSSERVER); }},
        {"dhcp", [](CNeraConfigDialogTest& t) { t.ToggleCheck(IDC_NEW_DHCP); }},
        {"dns auto", [](CNeraConfigDialogTest& t) { t.ToggleCheck(IDC_NEW_DNSAUTO); }},
        {"client mode", [](CNeraConfigDialogTest& t) { t.ToggleCheck(IDC_NEW_CLIENTMODE); }},
    };
    for (const SEdit& e : edits) {
        SCOPED_TRACE(e.name);
        Create();
        ASSERT_EQ(Title(), L"NeraConfig");
        e.edit(*this);
        EXPECT_EQ(Title(), L"NeraConfig*");
        e.edit(*this);
        EXPECT_EQ(Title(), L"NeraConfig*");
        EXPECT_EQ(Dlg().m_modified, 1);
    }
}

TEST_F(CNeraConfigDialogTest, MacFieldNeverSetsTheModifiedMark) {
    auto dialog = std::make_unique<CNeraConfigDlg>();
    dialog->m_macEdit = 1;
    Create(std::move(dialog));
    TypeChar(IDC_NEW_MAC, L'A');
    EXPECT_EQ(Text(IDC_NEW_MAC), L"A");
    SetText(IDC_NEW_MAC, L"001122334455");
    EXPECT_EQ(Title(), L"NeraConfig");
    EXPECT_EQ(Dlg().m_modified, 0);
}

TEST_F(CNeraConfigDialogTest, EditsRefuseCharactersBeyondTheirLimit) {
    auto dialog = std::make_unique<CNeraConfigDlg>();
    dialog->m_macEdit = 1;
    Create(std::move(dialog));
    struct SLimit {
        int id;
        size_t limit;
    };
    for (const SLimit& l :
         {SLimit{IDC_NEW_MAC, 12}, SLimit{IDC_NEW_NTPSERVER, 31}, SLimit{IDC_NEW_SERVER, 31}}) {
        for (size_t i = 0; i < l.limit + 1; ++i) {
            TypeChar(l.id, L'A');
        }
        EXPECT_EQ(Text(l.id).size(), l.limit) << l.id;
    }
    // Outside MAC edit mode the MAC field takes nothing at all.
    Create();
    TypeChar(IDC_NEW_MAC, L'A');
    EXPECT_EQ(Text(IDC_NEW_MAC), L"");
}

TEST_F(CNeraConfigDialogTest, FailedChecksShowTheirMessageFocusTheFieldAndLeaveTheRecord) {
    struct SFailure {
        const char* name;
        std::function<void(CNeraConfigDialogTest&)> input;
        const wchar_t* message;
        int focus; // 0: not checked
    };
    const std::wstring kTooLongName = Repeat(L"あ", 17); // 34 bytes in code page 932
    const wchar_t* kHostTooLong = L"名前が長すぎます。半角32文字（全角16文字）以内で入力してください。";
    const SFailure failures[] = {
        {"port empty", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_PORT, L""); },
         L"正の整数を入力してください。", IDC_NEW_PORT},
        {"port negative", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_PORT, L"-1"); },
         L"正の整数を入力してください。", IDC_NEW_PORT},
        {"port 0", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_PORT, L"0"); },
         L"1 から 65535 までの整数を入力してください。", IDC_NEW_PORT},
        {"port 65536", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_PORT, L"65536"); },
         L"1 から 65535 までの整数を入力してください。", IDC_NEW_PORT},
        {"ntp 32 characters",
         [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_NTPSERVER, Repeat(L"n", 32)); },
         L"31 文字以内で入力してください。", IDC_NEW_NTPSERVER},
        {"mac 13 characters", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_MAC, L"0011223344556"); },
         L"12 文字以内で入力してください。", IDC_NEW_MAC},
        {"server 32 characters",
         [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_SERVER, Repeat(L"s", 32)); },
         L"31 文字以内で入力してください。", IDC_NEW_SERVER},
        {"server port 0", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_SERVERPORT, L"0"); },
         L"1 から 65535 までの整数を入力してください。", IDC_NEW_SERVERPORT},
        {"server port text", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_SERVERPORT, L"x1"); },
         L"正の整数を入力してください。", IDC_NEW_SERVERPORT},
        {"mac with hyphens", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_MAC, L"00-11-22-33"); },
         L"MACアドレスの値が不正です。", 0},
        {"mac of 10 digits", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_MAC, L"0011223344"); },
         L"MACアドレスの値が不正です。", 0},
        {"mac all zero", [](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_MAC, L"000000000000"); },
         L"MACアドレスの値が不正です。", 0},
        {"ntp name over 32 bytes",
         [&](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_NTPSERVER, kTooLongName); }, kHostTooLong,
         IDC_NEW_NTPSERVER},
        {"server name over 32 bytes",
         [&](CNeraConfigDialogTest& t) { t.SetText(IDC_NEW_SERVER, kTooLongName); }, kHostTooLong,
         IDC_NEW_SERVER},
    };
    for (const SFailure& f : failures) {
        SCOPED_TRACE(f.name);
        auto dialog = std::make_unique<CNeraConfigDlg>();
        dialog->m_macEdit = 1;
        Create(std::move(dialog));
        m_ui.Clear();
        f.input(*this);
        bool ok = true;
        NeraSettings record = Collect(ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(ToHex(record), ToHex(DefaultRecord()));
        ASSERT_EQ(m_ui.m_boxes.size(), 1u);
        EXPECT_EQ(m_ui.m_boxes[0].text, f.message);
        EXPECT_EQ(m_ui.m_boxes[0].type, kOkBox);
        EXPECT_EQ(m_ui.m_boxes[0].caption, AfxGetAppTitle());
        if (f.focus != 0) {
            EXPECT_EQ(GetFocus(), Item(f.focus));
        }
    }
}

TEST_F(CNeraConfigDialogTest, ExchangeStopsAtTheFailedControl) {
    Create();
    SetText(IDC_NEW_NTPSERVER, L"ntp.local");
    SetText(IDC_NEW_PORT, L"0");
    bool ok = true;
    Collect(ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Dlg().m_editor.fields.ntpServer, L""); // after the port in the exchange: not taken
}

TEST_F(CNeraConfigDialogTest, BadMacTextIsCutToItsHexDigits) {
    auto dialog = std::make_unique<CNeraConfigDlg>();
    dialog->m_macEdit = 1;
    Create(std::move(dialog));
    SetText(IDC_NEW_MAC, L"00-11-22-33");
    bool ok = true;
    Collect(ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Dlg().m_editor.fields.macText, L"00");
}

TEST_F(CNeraConfigDialogTest, ClientModeWithoutServerIsRefused) {
    Create();
    ToggleCheck(IDC_NEW_CLIENTMODE);
    m_ui.Clear();
    bool ok = true;
    Collect(ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(m_ui.Texts(), std::vector<std::wstring>{L"サーバーが指定されていません。"});
    EXPECT_EQ(m_ui.m_boxes[0].type, kOkBox);
}

TEST_F(CNeraConfigDialogTest, CollectedRecordsHaveTheExactBytes) {
    struct SForm {
        const char* name;
        std::function<void(CNeraConfigDialogTest&)> fill;
        std::string expected;
    };
    const SForm forms[] = {
        {"static address, automatic DNS",
         [](CNeraConfigDialogTest& t) {
             t.SetText(IDC_NEW_MAC, L"0011223344AA");
             t.SetText(IDC_NEW_PORT, L"10001");
             t.ToggleCheck(IDC_NEW_DHCP);
             t.SetIp(IDC_NEW_IPADDRESS, Addr(192, 168, 0, 10));
             t.SetIp(IDC_NEW_SUBNETMASK, Addr(255, 255, 255, 0));
             t.SetIp(IDC_NEW_GATEWAY, Addr(192, 168, 0, 1));
             t.ToggleCheck(IDC_NEW_DNSAUTO);
         },
         "0000"
         "0011223344AA"
         "C0A8000A"
         "C0A80001"
         "FFFFFF00"
         "2711" +
             kFF32 + kFF4 + "FFFF" + kFF32 + "0000" + kFF32 + "C400"},
        {"DHCP with DNS server, NTP address",
         [](CNeraConfigDialogTest& t) {
             t.ToggleCheck(IDC_NEW_DNSAUTO);
             t.SetIp(IDC_NEW_DNSSERVER, Addr(8, 8, 4, 4));
             t.SetText(IDC_NEW_NTPSERVER, L"192.168.1.10");
         },
         "0000"
         "FFFFFFFFFFFF"
         "00000000" +
             kFF4 + kFF4 + "C000" + kFF32 +
             "08080404"
             "FFFF"
             "0000C0A8010A" +
             kFF32.substr(0, 52) + "0000" + kFF32 + "C400"},
        {"client mode with host names and a typed password",
         [](CNeraConfigDialogTest& t) {
             t.SetText(IDC_NEW_MAC, L"0a1b2c3d4e5f");
             t.SetText(IDC_NEW_NTPSERVER, L"timeserver");
             t.SetText(IDC_NEW_PASSWORD, L"secret");
             t.ToggleCheck(IDC_NEW_CLIENTMODE);
             t.SetText(IDC_NEW_SERVER, L"relay-host");
             t.SetText(IDC_NEW_SERVERPORT, L"10001");
         },
         "0000"
         "0A1B2C3D4E5F"
         "00000000" +
             kFF4 + kFF4 + "C000" + "2BB80D537B1DA3E38BD30361AA855686BDE0EACD7162FEF6A25FE97BF527A25B" +
             kFF4 + "FFFF" +
             "74696D65736572766572"
             "00000000000000000000000000000000000000000000"
             "0004" +
             "72656C61792D686F7374"
             "00000000000000000000000000000000000000000000"
             "2711"},
        {"digest carried over",
         [](CNeraConfigDialogTest& t) {
             uint8_t digest[kPasswordDigestSize];
             for (size_t i = 0; i < kPasswordDigestSize; ++i) {
                 digest[i] = static_cast<uint8_t>(i);
             }
             t.Dlg().ShowPasswordDigest(digest);
         },
         "0000"
         "FFFFFFFFFFFF"
         "00000000" +
             kFF4 + kFF4 + "C000" + "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F" +
             kFF4 + "FFFF" + kFF32 + "0000" + kFF32 + "C400"},
        {"32-byte name without terminator, all-F MAC",
         [](CNeraConfigDialogTest& t) {
             t.SetText(IDC_NEW_MAC, L"FFFFFFFFFFFF");
             t.SetText(IDC_NEW_NTPSERVER, Repeat(L"あ", 16));
         },
         "0000"
         "FFFFFFFFFFFF"
         "00000000" +
             kFF4 + kFF4 + "C000" + kFF32 + kFF4 + "FFFF" +
             "82A082A082A082A082A082A082A082A082A082A082A082A082A082A082A082A0"
             "0000" +
             kFF32 + "C400"},
    };
    for (const SForm& f : forms) {
        SCOPED_TRACE(f.name);
        auto dialog = std::make_unique<CNeraConfigDlg>();
        dialog->m_macEdit = 1;
        Create(std::move(dialog));
        f.fill(*this);
        bool ok = false;
        NeraSettings record = Collect(ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(ToHex(record), ToHex(RecordFromHex(f.expected)));
        EXPECT_TRUE(m_ui.m_boxes.empty());
    }
}

TEST_F(CNeraConfigDialogTest, PasswordFieldStates) {
    Create();
    uint8_t digest[kPasswordDigestSize];
    std::memset(digest, 0xA5, sizeof digest);
    Dlg().ShowPasswordDigest(digest);
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), Repeat(L"A5", 32));
    EXPECT_EQ(SendMessageW(Item(IDC_NEW_PASSWORD), EM_GETPASSWORDCHAR, 0, 0), L'x');
    EXPECT_TRUE(ReadOnly(IDC_NEW_PASSWORD));
    TypeChar(IDC_NEW_PASSWORD, L'z'); // refused while read-only
    EXPECT_EQ(Text(IDC_NEW_PASSWORD).size(), 64u);

    Dlg().ResetPasswordField();
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), L"");
    EXPECT_EQ(SendMessageW(Item(IDC_NEW_PASSWORD), EM_GETPASSWORDCHAR, 0, 0), 0);
    EXPECT_FALSE(ReadOnly(IDC_NEW_PASSWORD));
}

TEST_F(CNeraConfigDialogTest, RecordsShowInBothColumns) {
    struct SShown {
        const char* name;
        std::string record;
        const wchar_t* mac;
        bool dhcp;
        uint32_t ip, mask, gateway; // 0: blank
        bool dnsAuto;
        uint32_t dns; // 0: blank
        const wchar_t* ntp;
        bool client;
        const wchar_t* server;
        const wchar_t* port;
        const wchar_t* serverPort;
    };
    const std::string kName32 = "82A082A082A082A082A082A082A082A082A082A082A082A082A082A082A082A0";
    const SShown shown[] = {
        {"static address without DNS",
         "0000"
         "00804C123456"
         "0A000005"
         "0A000001"
         "FF000000"
         "0050" +
             kFF32 + kFF4 + "FFFF" + kFF32 + "0000" + kFF32 + "0001",
         L"00804C123456", false, Addr(10, 0, 0, 5), Addr(255, 0, 0, 0), Addr(10, 0, 0, 1), false, 0, L"",
         false, L"", L"80", L"1"},
        {"DHCP with DNS server",
         "0000"
         "00804C123456"
         "00000000" +
             kFF4 + kFF4 + "C000" + kFF32 +
             "01020304"
             "FFFF" +
             kFF32 + "0000" + kFF32 + "C400",
         L"00804C123456", true, 0, 0, 0, false, Addr(1, 2, 3, 4), L"", false, L"", L"49152", L"50176"},
        {"address FFFFFFFF is DHCP, client mode, host names",
         "0000"
         "000000000000" +
             kFF4 + kFF4 + kFF4 + "C000" + kFF32 +
             "00000000"
             "FFFF" +
             kName32 + "0004" + "0000C0A8010A" + kFF32.substr(0, 52) + "FFFF",
         L"", true, 0, 0, 0, true, 0, L"ああああああああああああああああ", true, L"192.168.1.10", L"49152",
         L"65535"},
        {"MAC all FF, host field marked empty by its second byte",
         "0000"
         "FFFFFFFFFFFF"
         "00000000" +
             kFF4 + kFF4 + "C000" + kFF32 + kFF4 + "FFFF" + "0001" + kFF32.substr(0, 60) + "0000" +
             "74696D65736572766572" + std::string(44, '0') + "C400",
         L"", true, 0, 0, 0, true, 0, L"", false, L"timeserver", L"49152", L"50176"},
    };
    for (const SShown& s : shown) {
        SCOPED_TRACE(s.name);
        Create();
        NeraSettings record = RecordFromHex(s.record);
        Dlg().ShowCurrentSettings(record);
        Dlg().ShowNewSettings(record);
        struct SColumn {
            int mac, port, dhcp, ip, mask, gateway, dnsAuto, dns, ntp, client, server, serverPort;
        };
        const SColumn columns[] = {
            {IDC_CUR_MAC, IDC_CUR_PORT, IDC_CUR_DHCP, IDC_CUR_IPADDRESS, IDC_CUR_SUBNETMASK, IDC_CUR_GATEWAY,
             IDC_CUR_DNSAUTO, IDC_CUR_DNSSERVER, IDC_CUR_NTPSERVER, IDC_CUR_CLIENTMODE, IDC_CUR_SERVER,
             IDC_CUR_SERVERPORT},
            {IDC_NEW_MAC, IDC_NEW_PORT, IDC_NEW_DHCP, IDC_NEW_IPADDRESS, IDC_NEW_SUBNETMASK, IDC_NEW_GATEWAY,
             IDC_NEW_DNSAUTO, IDC_NEW_DNSSERVER, IDC_NEW_NTPSERVER, IDC_NEW_CLIENTMODE, IDC_NEW_SERVER,
             IDC_NEW_SERVERPORT},
        };
        for (const SColumn& c : columns) {
            SCOPED_TRACE(c.mac == IDC_CUR_MAC ? "current column" : "new column");
            EXPECT_EQ(Text(c.mac), s.mac);
            EXPECT_EQ(Text(c.port), s.port);
            EXPECT_EQ(Checked(c.dhcp), s.dhcp);
            const std::pair<int, uint32_t> addresses[] = {
                {c.ip, s.ip}, {c.mask, s.mask}, {c.gateway, s.gateway}, {c.dns, s.dns}};
            for (const auto& a : addresses) {
                if (a.second == 0) {
                    EXPECT_TRUE(IpBlank(a.first)) << a.first;
                } else {
                    EXPECT_EQ(Ip(a.first), a.second) << a.first;
                }
            }
            EXPECT_EQ(Checked(c.dnsAuto), s.dnsAuto);
            EXPECT_EQ(Text(c.ntp), s.ntp);
            EXPECT_EQ(Checked(c.client), s.client);
            EXPECT_EQ(Text(c.server), s.server);
            EXPECT_EQ(Text(c.serverPort), s.serverPort);
        }
        // Only the editor's enabling follows the boxes.
        EXPECT_EQ(Enabled(IDC_NEW_IPADDRESS), !s.dhcp);
        EXPECT_EQ(Enabled(IDC_NEW_DNSSERVER), !s.dnsAuto);
        EXPECT_FALSE(Enabled(IDC_CUR_IPADDRESS));
    }
}

TEST_F(CNeraConfigDialogTest, NewSettingsAsksBeforeDiscardingEdits) {
    Create();
    SetText(IDC_NEW_SERVER, L"edited");
    ASSERT_EQ(Title(), L"NeraConfig*");

    m_ui.AnswerMessageBox(IDNO);
    Command(IDC_NEW_SETTINGS);
    ASSERT_EQ(m_ui.m_boxes.size(), 1u);
    EXPECT_EQ(m_ui.m_boxes[0].text, L"編集中のファイル内容を破棄しますか？");
    EXPECT_EQ(m_ui.m_boxes[0].type, kQuestionNoDefault);
    EXPECT_EQ(Text(IDC_NEW_SERVER), L"edited");
    EXPECT_EQ(Title(), L"NeraConfig*");

    uint8_t digest[kPasswordDigestSize] = {1};
    Dlg().ShowPasswordDigest(digest);
    m_ui.AnswerMessageBox(IDYES);
    Command(IDC_NEW_SETTINGS);
    EXPECT_EQ(Text(IDC_NEW_SERVER), L"");
    EXPECT_EQ(Text(IDC_NEW_MAC), L""); // no module connected
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), L"");
    EXPECT_FALSE(ReadOnly(IDC_NEW_PASSWORD));
    EXPECT_EQ(Title(), L"NeraConfig");
    EXPECT_EQ(Dlg().m_modified, 0);
    EXPECT_EQ(ToHex(Dlg().m_newSettings), ToHex(DefaultRecord()));

    // Unmodified: no question.
    m_ui.Clear();
    Command(IDC_NEW_SETTINGS);
    EXPECT_TRUE(m_ui.m_boxes.empty());
}

TEST_F(CNeraConfigDialogTest, EnterValidatesAndEscapeClosesWithoutAsking) {
    Create();
    SetText(IDC_NEW_PORT, L"0");
    Command(IDOK);
    EXPECT_FALSE(Dlg().IsEnded());
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{L"1 から 65535 までの整数を入力してください。"});

    m_ui.Clear();
    ASSERT_EQ(Dlg().m_modified, 1);
    Command(IDCANCEL);
    EXPECT_TRUE(Dlg().IsEnded());
    EXPECT_EQ(Dlg().GetResult(), IDCANCEL);
    EXPECT_TRUE(m_ui.m_boxes.empty());
}

TEST_F(CNeraConfigDialogTest, CtrlSGoesToSave) {
    Create();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE saved = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG msg = {};
    msg.hwnd = Item(IDC_NEW_PORT);
    msg.message = WM_KEYDOWN;
    msg.wParam = 'S';
    m_ui.CancelFileDialog();
    bool consumed = Dlg().PreTranslateMessage(&msg);
    keys[VK_CONTROL] = saved;
    SetKeyboardState(keys);
    EXPECT_TRUE(consumed);
    // No file yet: save asks for a name.
    EXPECT_EQ(m_ui.m_fileDialogs, 1);
    EXPECT_FALSE(m_ui.m_lastFileDialogWasOpen);
}
