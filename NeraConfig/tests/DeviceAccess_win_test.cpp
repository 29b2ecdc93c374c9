// The main dialog's wiring to its session, against the simulated module: each device command
// reaches the libraries, and what comes back reaches the columns, the buttons and the boxes.
// The session's own cases (faults, questions, refusals) are native tests.
#include "NeraConfig/tests/dialog_harness_win.h"

#include <cstring>

#include "NeraConfig/resource.h"

namespace {

const std::string kFF4 = "FFFFFFFF";
const std::string kFF32 = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
const std::string kNoPassword = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
const std::string kModuleMac = "00804C123456";

const std::string kOpen = "Q5120_NeraFlashModeOpen reserved=0 -> H";
const std::string kRead = "Kivo_FlshReadRWArea h=H area=6 -> 0";
const std::string kClose = "Q5120_NeraFlashModeClose h=H reserved=0 -> 0";

// A module record with something in every field: static address, DNS server, NTP name,
// client mode, the module's MAC and no password.
std::string StaticModuleRecord(const std::string& digest = kNoPassword) {
    return "0000" + kModuleMac +
           "0A010203"
           "0A010001"
           "FFFF0000"
           "1F40" +
           digest +
           "0A010035"
           "FFFF" +
           "6E74702E6C616E" + std::string(50, '0') + "0004" + "00000A010009" + kFF32.substr(0, 52) + "1B58";
}

bool HasWrite(const std::vector<std::string>& calls) {
    for (const std::string& call : calls) {
        if (call == "Kivo_FlshWriteRWArea") {
            return true;
        }
    }
    return false;
}

} // namespace

class CNeraConfigDeviceTest : public CNeraConfigDialogTest {
public:
    CNeraConfigDlg& CreateWith(int32_t macEdit) {
        auto dialog = std::make_unique<CNeraConfigDlg>();
        dialog->m_macEdit = macEdit;
        return Create(std::move(dialog));
    }
    void ExpectConnected(bool connected) {
        EXPECT_EQ(Dlg().m_session.m_device != 0, connected);
        EXPECT_EQ(Enabled(IDC_CONNECT), !connected);
        EXPECT_EQ(Enabled(IDC_DISCONNECT), connected);
        EXPECT_EQ(Enabled(IDC_PRODUCT_INFO), connected);
    }
};

TEST_F(CNeraConfigDeviceTest, ConnectShowsTheModuleRecordAndCopiesItsMac) {
    CSimModule sim;
    ASSERT_TRUE(sim.WriteSettings(RecordFromHex(StaticModuleRecord())));
    Create();
    Click(IDC_CONNECT);
    ExpectConnected(true);
    EXPECT_EQ(sim.Log(), (std::vector<std::string>{kOpen, kRead}));
    EXPECT_EQ(ToHex(Dlg().m_session.m_currentSettings), StaticModuleRecord());

    EXPECT_EQ(Text(IDC_CUR_MAC), L"00804C123456");
    EXPECT_EQ(Text(IDC_CUR_PORT), L"8000");
    EXPECT_FALSE(Checked(IDC_CUR_DHCP));
    EXPECT_EQ(Ip(IDC_CUR_IPADDRESS), 0x0A010203u);
    EXPECT_EQ(Ip(IDC_CUR_SUBNETMASK), 0xFFFF0000u);
    EXPECT_EQ(Ip(IDC_CUR_GATEWAY), 0x0A010001u);
    EXPECT_FALSE(Checked(IDC_CUR_DNSAUTO));
    EXPECT_EQ(Ip(IDC_CUR_DNSSERVER), 0x0A010035u);
    EXPECT_EQ(Text(IDC_CUR_NTPSERVER), L"ntp.lan");
    EXPECT_TRUE(Checked(IDC_CUR_CLIENTMODE));
    EXPECT_EQ(Text(IDC_CUR_SERVER), L"10.1.0.9");
    EXPECT_EQ(Text(IDC_CUR_SERVERPORT), L"7000");

    // The editor takes only the MAC; the connection is no edit.
    EXPECT_EQ(Text(IDC_NEW_MAC), L"00804C123456");
    EXPECT_EQ(Text(IDC_NEW_PORT), L"49152");
    EXPECT_EQ(Title(), L"NeraConfig");

    HMENU device = GetSubMenu(GetMenu(Dlg().GetSafeHwnd()), 1);
    SendMessageW(Dlg().GetSafeHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(device),
                 MAKELPARAM(1, FALSE));
    EXPECT_NE(GetMenuState(device, IDC_CONNECT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(device, IDC_DISCONNECT, MF_BYCOMMAND) & MF_GRAYED, 0u);

    // A second connect does nothing while connected.
    Command(IDC_CONNECT);
    EXPECT_EQ(sim.Log().size(), 2u);

    Click(IDC_DISCONNECT);
    ExpectConnected(false);
    EXPECT_EQ(sim.Log().back(), kClose);
    EXPECT_EQ(Text(IDC_CUR_MAC), L"00804C123456"); // the last record stays shown
}

TEST_F(CNeraConfigDeviceTest, FailedOpenChangesNothing) {
    CSimModule sim;
    ASSERT_TRUE(sim.SetConfig("fail_open", "always"));
    Create();
    Click(IDC_CONNECT);
    ExpectConnected(false);
    EXPECT_EQ(Text(IDC_CUR_MAC), L"");

    Click(IDC_READ_INTO_EDITOR);
    ExpectConnected(false);
    EXPECT_EQ(Title(), L"NeraConfig");
    EXPECT_EQ(Dlg().m_modified, 0);
    EXPECT_TRUE(m_ui.m_boxes.empty());
    EXPECT_EQ(sim.Calls(), (std::vector<std::string>{"Q5120_NeraFlashModeOpen", "Q5120_NeraFlashModeOpen"}));
}

TEST_F(CNeraConfigDeviceTest, WriteWithoutConnectionConnectsWritesReadsBackAndDisconnects) {
    CSimModule sim;
    Create();
    SetText(IDC_NEW_SERVER, L"relay"); // an edit, to see that the write leaves the mark alone
    const NeraSettings before = sim.ReadSettings();
    m_ui.AnswerMessageBox(IDYES);
    Click(IDC_WRITE_TO_DEVICE);

    // The module's MAC came into the editor on connecting, so no MAC question was needed; the
    // empty password reached the module as its no-password digest.
    const std::string expected = "0000" + kModuleMac + "00000000" + kFF4 + kFF4 + "C000" + kNoPassword +
                                 kFF4 + "FFFF" + kFF32 + "0000" + "72656C6179" + std::string(54, '0') +
                                 "C400";
    EXPECT_EQ(ToHex(sim.ReadSettings()), expected);
    EXPECT_NE(ToHex(before), expected);
    EXPECT_EQ(m_ui.Texts(),
              (std::vector<std::wstring>{L"最初に見つかったデバイスに対して書込みを行います。続けますか？",
                                         L"正常に書き込みました。"}));
    EXPECT_EQ(m_ui.m_boxes[0].type, kQuestionNoDefault);
    EXPECT_EQ(m_ui.m_boxes[1].type, kInformation);
    EXPECT_EQ(sim.Calls(), (std::vector<std::string>{"Q5120_NeraFlashModeOpen", "Kivo_FlshReadRWArea",
                                                     "Kivo_FlshWriteRWArea", "Kivo_FlshReadRWArea",
                                                     "Q5120_NeraFlashModeClose"}));
    ExpectConnected(false);
    // The current column shows what was read back; the editor keeps its own record and mark.
    EXPECT_EQ(ToHex(Dlg().m_session.m_currentSettings), expected);
    EXPECT_EQ(Text(IDC_CUR_SERVER), L"relay");
    EXPECT_EQ(ToHex(Dlg().m_newSettings.PasswordDigest(), kPasswordDigestSize), kFF32);
    EXPECT_EQ(Title(), L"NeraConfig*");
}

TEST_F(CNeraConfigDeviceTest, ConnectedWriteStoresTheCollectedBytes) {
    CSimModule sim;
    CreateWith(1);
    Click(IDC_CONNECT);
    SetText(IDC_NEW_MAC, L"020000000001"); // a new MAC: asked, and Yes
    SetText(IDC_NEW_PASSWORD, L"secret");
    ToggleCheck(IDC_NEW_DHCP);
    SetIp(IDC_NEW_IPADDRESS, 0xC0A8640Au);
    SetIp(IDC_NEW_SUBNETMASK, 0xFFFFFF00u);
    SetIp(IDC_NEW_GATEWAY, 0xC0A86401u);
    m_ui.AnswerMessageBox(IDYES);
    Click(IDC_WRITE_TO_DEVICE);
    EXPECT_EQ(m_ui.Texts(),
              (std::vector<std::wstring>{L"書込みにより製品のMACアドレスが変更されます。処理を続けますか?",
                                         L"正常に書き込みました。"}));
    const std::string expected =
        "0000"
        "020000000001"
        "C0A8640A"
        "C0A86401"
        "FFFFFF00"
        "C000" +
        std::string("2BB80D537B1DA3E38BD30361AA855686BDE0EACD7162FEF6A25FE97BF527A25B") + kFF4 + "FFFF" +
        kFF32 + "0000" + kFF32 + "C400";
    EXPECT_EQ(ToHex(sim.ReadSettings()), expected);
    EXPECT_EQ(ToHex(Dlg().m_newSettings), expected);
    ExpectConnected(false);
}

TEST_F(CNeraConfigDeviceTest, RefusedInputWritesNothing) {
    CSimModule sim;
    Create();
    Click(IDC_CONNECT);
    SetText(IDC_NEW_PORT, L"0");
    Click(IDC_WRITE_TO_DEVICE);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{L"1 から 65535 までの整数を入力してください。"});
    EXPECT_FALSE(HasWrite(sim.Calls()));
    ExpectConnected(true);
}

TEST_F(CNeraConfigDeviceTest, ProductInformation) {
    CSimModule sim;
    Create();
    Click(IDC_CONNECT);
    {
        CModalCloser closer(IDOK);
        closer.m_ignore = Dlg().GetSafeHwnd();
        Click(IDC_PRODUCT_INFO);
        EXPECT_EQ(closer.m_seen.size(), 1u);
    }
    EXPECT_TRUE(m_ui.m_boxes.empty());
    ExpectConnected(true);

    ASSERT_TRUE(sim.SetConfig("fail_product_info", "always"));
    Click(IDC_PRODUCT_INFO);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{L"通信エラーが発生しました。"});
    EXPECT_EQ(m_ui.m_boxes[0].type, kOkBox);
    ExpectConnected(false);
    EXPECT_EQ(sim.Calls().back(), "Q5120_NeraFlashModeClose");
}

TEST_F(CNeraConfigDeviceTest, ConnectionSettingsNeedNoConnection) {
    CSimModule sim;
    Create();
    CModalCloser closer(IDCANCEL);
    closer.m_ignore = Dlg().GetSafeHwnd();
    Command(IDC_CONNECTION_SETTINGS);
    EXPECT_EQ(closer.m_seen.size(), 1u);
    EXPECT_EQ(sim.Calls(), std::vector<std::string>{"Q5120_OptionDlg2"});
    ExpectConnected(false);
}

TEST_F(CNeraConfigDeviceTest, ClosingTheWindowClosesTheConnection) {
    CSimModule sim;
    Create();
    Click(IDC_CONNECT);
    ASSERT_NE(Dlg().m_session.m_device, 0u);
    DestroyWindow(Dlg().GetSafeHwnd());
    EXPECT_EQ(Dlg().m_session.m_device, 0u);
    EXPECT_EQ(sim.Log().back(), kClose);
}

TEST_F(CNeraConfigDeviceTest, ModulePasswordIsCarriedOverAndWrittenBackUnchanged) {
    const std::string digest = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";
    CSimModule sim;
    ASSERT_TRUE(sim.WriteSettings(RecordFromHex(StaticModuleRecord(digest))));
    Create();
    m_ui.AnswerMessageBox(IDYES);
    Click(IDC_READ_INTO_EDITOR); // connects first
    ExpectConnected(true);
    ASSERT_EQ(m_ui.m_boxes.size(), 1u);
    EXPECT_EQ(
        m_ui.m_boxes[0].text,
        L"「現在の設定」ではパスワードが有効になっています。\n「新しい設定」へパスワードを反映しますか？");
    EXPECT_EQ(m_ui.m_boxes[0].type, kQuestion);
    EXPECT_TRUE(ReadOnly(IDC_NEW_PASSWORD));
    EXPECT_EQ(SendMessageW(Item(IDC_NEW_PASSWORD), EM_GETPASSWORDCHAR, 0, 0), L'x');
    EXPECT_EQ(Text(IDC_NEW_PASSWORD).size(), 64u);
    // The editor now holds the module's settings, in no file.
    EXPECT_EQ(Title(), L"NeraConfig*");
    EXPECT_EQ(Text(IDC_NEW_NTPSERVER), L"ntp.lan");
    EXPECT_FALSE(Checked(IDC_NEW_DHCP));
    EXPECT_TRUE(Enabled(IDC_NEW_IPADDRESS));

    Click(IDC_WRITE_TO_DEVICE);
    EXPECT_EQ(m_ui.Texts().back(), L"正常に書き込みました。");
    EXPECT_EQ(ToHex(sim.ReadSettings()), StaticModuleRecord(digest));
    EXPECT_EQ(m_ui.m_unexpectedQuestions, 0);
}

TEST_F(CNeraConfigDeviceTest, DecliningTheModulePasswordLeavesTheFieldPlain) {
    CSimModule sim;
    ASSERT_TRUE(sim.WriteSettings(RecordFromHex(StaticModuleRecord(std::string(64, '1')))));
    Create();
    Click(IDC_CONNECT);
    m_ui.AnswerMessageBox(IDNO);
    Click(IDC_READ_INTO_EDITOR);
    EXPECT_EQ(m_ui.m_boxes.size(), 1u);
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), L"");
    EXPECT_FALSE(ReadOnly(IDC_NEW_PASSWORD));
    // Without the module's digest the write records no password.
    Click(IDC_WRITE_TO_DEVICE);
    EXPECT_EQ(ToHex(sim.ReadSettings()), StaticModuleRecord(kNoPassword));
}

TEST_F(CNeraConfigDeviceTest, ModuleWithoutPasswordIsReadWithoutQuestion) {
    CSimModule sim;
    ASSERT_TRUE(sim.WriteSettings(RecordFromHex(StaticModuleRecord())));
    Create();
    uint8_t carried[kPasswordDigestSize] = {7};
    Dlg().ShowPasswordDigest(carried);
    Click(IDC_READ_INTO_EDITOR);
    EXPECT_TRUE(m_ui.m_boxes.empty());
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), L"");
    EXPECT_FALSE(ReadOnly(IDC_NEW_PASSWORD));
    EXPECT_EQ(Title(), L"NeraConfig*");
    EXPECT_TRUE(Dlg().m_filePath.empty());
}

TEST_F(CNeraConfigDeviceTest, NewKeepsTheConnectedModulesMac) {
    CSimModule sim;
    Create();
    Click(IDC_CONNECT);
    SetText(IDC_NEW_PORT, L"1");
    m_ui.AnswerMessageBox(IDYES);
    Command(IDC_NEW_SETTINGS);
    EXPECT_EQ(Text(IDC_NEW_MAC), L"00804C123456");
    EXPECT_EQ(Text(IDC_NEW_PORT), L"49152");
    EXPECT_EQ(ToHex(Dlg().m_newSettings.Mac(), kMacSize), kModuleMac);
}
