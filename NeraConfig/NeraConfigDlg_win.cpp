// The main dialog itself: initialisation, the exchange between records and the two columns,
// the enabling rules of the address fields, the modified mark, the password field, the editor
// commands and the routing of commands and notifications.
#include "NeraConfigDlg_win.h"

#include <commctrl.h>
#include <locale.h>

#include <cstring>

#include "AboutDlg_win.h"
#include "DataExchange_win.h"
#include "HelpDialogs_win.h"
#include "MacText.h"
#include "MessageBox_win.h"
#include "resource.h"

namespace {

constexpr int kMaxHostChars = 31;
constexpr int kMaxMacChars = 12;
constexpr unsigned int kMinPort = 1;
constexpr unsigned int kMaxPort = 65535;

// An address field value that stands for "no address" in a record.
bool IsNoAddress(uint32_t address) {
    return address == 0 || address == 0xFFFFFFFFu;
}

const wchar_t kDiscardQuestion[] = L"編集中のファイル内容を破棄しますか？";
const wchar_t kCarryModulePasswordQuestion[] =
    L"「現在の設定」ではパスワードが有効になっています。\n「新しい設定」へパスワードを反映しますか？";
const wchar_t kInvalidMacMessage[] = L"MACアドレスの値が不正です。";
const wchar_t kNoServerMessage[] = L"サーバーが指定されていません。";
const wchar_t kHostTooLongMessage[] = L"名前が長すぎます。半角32文字（全角16文字）以内で入力してください。";

} // namespace

CNeraConfigDlg::SRememberedAddresses& CNeraConfigDlg::RememberedAddresses() {
    static SRememberedAddresses addresses;
    return addresses;
}

CNeraConfigDlg::CNeraConfigDlg(HWND parent) : CDialog(IDD_NERACONFIG_DIALOG, parent) {
    // The template holds IP-address controls, whose window class this registers.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    MakeDefaultSettings(m_newSettings, kDefaultServerPort);
    MakeDefaultSettings(m_currentSettings, kDefaultServerPort);
    m_icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CNeraConfigDlg::~CNeraConfigDlg() {
    // Destroyed here rather than in the base destructor, so that OnDestroy still closes the
    // connection as this class.
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        DestroyWindow(m_hWnd);
    }
}

uint16_t CNeraConfigDlg::DefaultServerPort() const {
    return static_cast<uint16_t>(static_cast<uint32_t>(m_defaultServerPort) & 0xFFFFu);
}

bool CNeraConfigDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendAboutMenuItem(IDS_ABOUTBOX);
    SetDialogIcon(m_icon);
    _wsetlocale(LC_ALL, L"japanese");

    m_device = 0;
    MakeDefaultSettings(m_newSettings, DefaultServerPort());
    ShowNewSettings(m_newSettings);
    MakeDefaultSettings(m_currentSettings, DefaultServerPort());
    ShowCurrentSettings(m_currentSettings);

    m_modified = 0;
    SetWindowText(L"NeraConfig");
    if (m_macEdit != 0) {
        SendDlgItemMessageW(m_hWnd, IDC_NEW_MAC, EM_SETREADONLY, FALSE, 0);
    }
    if (!m_title.empty()) {
        SetWindowText(m_title);
    } else {
        m_title = GetWindowText();
    }
    if (!m_startupFile.empty()) {
        OpenStartupFile(m_startupFile);
    }
    m_accel = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    return true;
}

void CNeraConfigDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_NEW_PORT, m_port);
    DDV_MinMaxUInt(pDX, m_port, kMinPort, kMaxPort);
    DDX_Text(pDX, IDC_NEW_NTPSERVER, m_ntpServer);
    DDV_MaxChars(pDX, m_ntpServer, kMaxHostChars);
    DDX_Check(pDX, IDC_NEW_DHCP, m_dhcp);
    DDX_Check(pDX, IDC_NEW_DNSAUTO, m_dnsAuto);
    DDX_Text(pDX, IDC_NEW_MAC, m_macText);
    DDV_MaxChars(pDX, m_macText, kMaxMacChars);
    DDX_Text(pDX, IDC_NEW_SERVER, m_server);
    DDV_MaxChars(pDX, m_server, kMaxHostChars);
    DDX_Text(pDX, IDC_NEW_SERVERPORT, m_serverPort);
    DDV_MinMaxUInt(pDX, m_serverPort, kMinPort, kMaxPort);
    DDX_Check(pDX, IDC_NEW_CLIENTMODE, m_clientMode);
}

bool CNeraConfigDlg::PreTranslateMessage(MSG* msg) {
    if (m_accel != nullptr && m_hWnd != nullptr && TranslateAcceleratorW(m_hWnd, m_accel, msg) != 0) {
        return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

bool CNeraConfigDlg::OnCommand(UINT id, UINT code, HWND control) {
    if (code == EN_CHANGE) {
        switch (id) {
            case IDC_NEW_PORT:
            case IDC_NEW_NTPSERVER:
            case IDC_NEW_PASSWORD:
            case IDC_NEW_SERVER:
            case IDC_NEW_SERVERPORT:
                MarkModified();
                return true;
            default:
                return false;
        }
    }
    // Menus and accelerators come without a control; from a control only a click counts.
    if (control != nullptr && code != BN_CLICKED) {
        return CDialog::OnCommand(id, code, control);
    }
    switch (id) {
        case IDC_OPEN_FILE:
            OnOpenFile();
            return true;
        case IDC_SAVE_FILE:
            OnSaveFile();
            return true;
        case ID_FILE_SAVE_AS:
            OnSaveFileAs();
            return true;
        case IDC_NEW_SETTINGS:
            OnNewSettings();
            return true;
        case IDC_CONNECT:
            OnConnect();
            return true;
        case IDC_DISCONNECT:
            OnDisconnect();
            return true;
        case IDC_READ_INTO_EDITOR:
            OnReadIntoEditor();
            return true;
        case IDC_WRITE_TO_DEVICE:
            OnWriteToDevice();
            return true;
        case IDC_PRODUCT_INFO:
            OnProductInfo();
            return true;
        case IDC_CONNECTION_SETTINGS:
            OnConnectionSettings();
            return true;
        case ID_APP_ABOUT:
            OnAbout();
            return true;
        case IDC_FLASHMODE_HELP:
            OnFlashmodeHelp();
            return true;
        case IDC_CONFIG_HELP:
            OnConfigHelp();
            return true;
        case IDC_NEW_DHCP:
            ApplyDhcpChoice(IsDlgButtonChecked(IDC_NEW_DHCP));
            MarkModified();
            return true;
        case IDC_NEW_DNSAUTO:
            ApplyDnsChoice();
            return true;
        case IDC_NEW_CLIENTMODE:
            MarkModified();
            return true;
        default:
            return CDialog::OnCommand(id, code, control);
    }
}

bool CNeraConfigDlg::OnNotify(NMHDR* header, LRESULT& result) {
    if (header == nullptr || header->code != static_cast<UINT>(IPN_FIELDCHANGED)) {
        return false;
    }
    switch (header->idFrom) {
        case IDC_NEW_IPADDRESS:
        case IDC_NEW_SUBNETMASK:
        case IDC_NEW_GATEWAY:
        case IDC_NEW_DNSSERVER:
            MarkModified();
            result = 0;
            return true;
        default:
            return false;
    }
}

void CNeraConfigDlg::OnUpdateCommand(CCmdUI& cmdUI) {
    switch (cmdUI.m_nID) {
        case IDC_CONNECT:
            cmdUI.Enable(m_device == 0);
            break;
        case IDC_DISCONNECT:
        case IDC_PRODUCT_INFO:
            cmdUI.Enable(m_device != 0);
            break;
        default:
            break;
    }
}

bool CNeraConfigDlg::OnSysCommand(UINT command, LPARAM) {
    if (IsAboutCommand(command)) {
        OnAbout();
        return true;
    }
    return false;
}

void CNeraConfigDlg::OnDestroy() {
    CDialog::OnDestroy();
    CloseDevice();
}

void CNeraConfigDlg::OnAbout() {
    CAboutDlg dialog;
    dialog.DoModal();
}

void CNeraConfigDlg::OnConfigHelp() {
    CConfigHelpDlg dialog;
    dialog.DoModal();
}

void CNeraConfigDlg::OnFlashmodeHelp() {
    CFlashmodeHelpDlg dialog;
    dialog.DoModal();
}

uint32_t CNeraConfigDlg::GetAddress(int id) const {
    DWORD address = 0;
    SendDlgItemMessageW(m_hWnd, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return static_cast<uint32_t>(address);
}

void CNeraConfigDlg::SetAddress(int id, uint32_t address) {
    SendDlgItemMessageW(m_hWnd, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

void CNeraConfigDlg::ClearAddress(int id) {
    SendDlgItemMessageW(m_hWnd, id, IPM_CLEARADDRESS, 0, 0);
}

void CNeraConfigDlg::ShowCurrentSettings(const NeraSettings& settings) {
    SetDlgItemText(IDC_CUR_MAC, IsValidMac(settings.Mac()) ? FormatMacText(settings.Mac()) : std::wstring());
    SetDlgItemText(IDC_CUR_PORT, std::to_wstring(settings.Port()));
    const uint32_t dns = settings.DnsServer();
    if (!IsNoAddress(settings.IpAddress())) {
        CheckDlgButton(IDC_CUR_DHCP, false);
        SetAddress(IDC_CUR_IPADDRESS, settings.IpAddress());
        SetAddress(IDC_CUR_SUBNETMASK, settings.SubnetMask());
        SetAddress(IDC_CUR_GATEWAY, settings.Gateway());
        CheckDlgButton(IDC_CUR_DNSAUTO, false);
        if (!IsNoAddress(dns)) {
            SetAddress(IDC_CUR_DNSSERVER, dns);
        } else {
            ClearAddress(IDC_CUR_DNSSERVER);
        }
    } else {
        CheckDlgButton(IDC_CUR_DHCP, true);
        ClearAddress(IDC_CUR_IPADDRESS);
        ClearAddress(IDC_CUR_SUBNETMASK);
        ClearAddress(IDC_CUR_GATEWAY);
        if (!IsNoAddress(dns)) {
            CheckDlgButton(IDC_CUR_DNSAUTO, false);
            SetAddress(IDC_CUR_DNSSERVER, dns);
        } else {
            CheckDlgButton(IDC_CUR_DNSAUTO, true);
            ClearAddress(IDC_CUR_DNSSERVER);
        }
    }
    SetDlgItemText(IDC_CUR_NTPSERVER, DecodeHostField(settings.NtpServer()));
    CheckDlgButton(IDC_CUR_CLIENTMODE, settings.IsClientMode());
    SetDlgItemText(IDC_CUR_SERVER, DecodeHostField(settings.Server()));
    SetDlgItemText(IDC_CUR_SERVERPORT, std::to_wstring(settings.ServerPort()));
}

void CNeraConfigDlg::ShowNewSettings(const NeraSettings& settings) {
    m_macText = IsValidMac(settings.Mac()) ? FormatMacText(settings.Mac()) : std::wstring();
    m_port = settings.Port();
    const uint32_t dns = settings.DnsServer();
    SRememberedAddresses& remembered = RememberedAddresses();
    if (!IsNoAddress(settings.IpAddress())) {
        m_dhcp = 0;
        m_dnsAuto = 0;
        SetAddress(IDC_NEW_IPADDRESS, settings.IpAddress());
        SetAddress(IDC_NEW_SUBNETMASK, settings.SubnetMask());
        SetAddress(IDC_NEW_GATEWAY, settings.Gateway());
        EnableDlgItem(IDC_NEW_IPADDRESS, true);
        EnableDlgItem(IDC_NEW_SUBNETMASK, true);
        EnableDlgItem(IDC_NEW_GATEWAY, true);
        if (!IsNoAddress(dns)) {
            SetAddress(IDC_NEW_DNSSERVER, dns);
        } else {
            ClearAddress(IDC_NEW_DNSSERVER);
        }
        EnableDlgItem(IDC_NEW_DNSSERVER, true);
    } else {
        m_dhcp = 1;
        for (int id : {IDC_NEW_IPADDRESS, IDC_NEW_SUBNETMASK, IDC_NEW_GATEWAY}) {
            ClearAddress(id);
            EnableDlgItem(id, false);
        }
        remembered.ipAddress = 0;
        remembered.subnetMask = 0;
        remembered.gateway = 0;
        if (!IsNoAddress(dns)) {
            m_dnsAuto = 0;
            SetAddress(IDC_NEW_DNSSERVER, dns);
            EnableDlgItem(IDC_NEW_DNSSERVER, true);
        } else {
            m_dnsAuto = 1;
            ClearAddress(IDC_NEW_DNSSERVER);
            EnableDlgItem(IDC_NEW_DNSSERVER, false);
            remembered.dnsServer = 0;
        }
    }
    MarkModified();
    m_ntpServer = DecodeHostField(settings.NtpServer());
    m_clientMode = settings.IsClientMode() ? 1 : 0;
    m_server = DecodeHostField(settings.Server());
    m_serverPort = settings.ServerPort();
    UpdateData(false);
}

bool CNeraConfigDlg::CheckHostLength(int id, const std::wstring& text) {
    if (HostTextFitsField(text)) {
        return true;
    }
    AfxMessageBox(kHostTooLongMessage, MB_OK);
    HWND control = GetDlgItem(id);
    if (control != nullptr) {
        SetFocus(control);
        ::SendMessageW(control, EM_SETSEL, 0, -1);
    }
    return false;
}

bool CNeraConfigDlg::CollectNewSettings(NeraSettings& settings) {
    if (!UpdateData(true)) {
        return false;
    }
    uint8_t mac[kMacSize];
    if (!ParseMacText(m_macText, mac)) {
        AfxMessageBox(kInvalidMacMessage, MB_OK);
        return false;
    }
    // A name longer than its 32-byte field would reach the module cut, possibly in the middle
    // of a double-byte character; it is refused before anything of the record changes.
    if (!CheckHostLength(IDC_NEW_NTPSERVER, m_ntpServer) || !CheckHostLength(IDC_NEW_SERVER, m_server)) {
        return false;
    }
    std::memcpy(settings.Mac(), mac, kMacSize);
    settings.SetPort(static_cast<uint16_t>(m_port & 0xFFFFu));

    if (m_dhcp != 0) {
        settings.SetIpAddress(0);
        settings.SetSubnetMask(0xFFFFFFFFu);
        settings.SetGateway(0xFFFFFFFFu);
    } else {
        settings.SetIpAddress(GetAddress(IDC_NEW_IPADDRESS));
        settings.SetSubnetMask(GetAddress(IDC_NEW_SUBNETMASK));
        settings.SetGateway(GetAddress(IDC_NEW_GATEWAY));
    }
    if (m_dnsAuto != 0) {
        settings.SetDnsServer(0xFFFFFFFFu);
    } else {
        const uint32_t dns = GetAddress(IDC_NEW_DNSSERVER);
        settings.SetDnsServer(dns != 0 ? dns : 0xFFFFFFFFu);
    }

    const std::wstring password = GetDlgItemText(IDC_NEW_PASSWORD);
    const LONG_PTR passwordStyle = GetWindowLongPtrW(GetDlgItem(IDC_NEW_PASSWORD), GWL_STYLE);
    if ((passwordStyle & ES_READONLY) != 0) {
        ParseDigestHex(password, settings.PasswordDigest());
    } else if (!password.empty()) {
        const Sha256Digest digest = ComputePasswordDigest(password);
        std::memcpy(settings.PasswordDigest(), digest.data(), kPasswordDigestSize);
    } else {
        std::memset(settings.PasswordDigest(), 0xFF, kPasswordDigestSize);
    }

    EncodeHostField(m_ntpServer, settings.NtpServer());
    if (m_clientMode != 0 && m_server.empty()) {
        AfxMessageBox(kNoServerMessage, MB_OK);
        return false;
    }
    settings.SetFlags(m_clientMode != 0 ? kClientModeFlag : 0);
    EncodeHostField(m_server, settings.Server());
    settings.SetServerPort(static_cast<uint16_t>(m_serverPort & 0xFFFFu));
    settings.SetFormat(0);
    return true;
}

void CNeraConfigDlg::ApplyDhcpChoice(bool dhcpOn) {
    SRememberedAddresses& remembered = RememberedAddresses();
    struct SField {
        int id;
        uint32_t& remembered;
    };
    SField fields[] = {{IDC_NEW_IPADDRESS, remembered.ipAddress},
                       {IDC_NEW_SUBNETMASK, remembered.subnetMask},
                       {IDC_NEW_GATEWAY, remembered.gateway}};
    for (SField& field : fields) {
        if (dhcpOn) {
            EnableDlgItem(field.id, false);
            field.remembered = GetAddress(field.id);
            ClearAddress(field.id);
        } else {
            EnableDlgItem(field.id, true);
            if (field.remembered != 0) {
                SetAddress(field.id, field.remembered);
            }
        }
    }
    CheckDlgButton(IDC_NEW_DNSAUTO, dhcpOn);
    ApplyDnsChoice();
}

void CNeraConfigDlg::ApplyDnsChoice() {
    SRememberedAddresses& remembered = RememberedAddresses();
    if (IsDlgButtonChecked(IDC_NEW_DNSAUTO)) {
        EnableDlgItem(IDC_NEW_DNSSERVER, false);
        remembered.dnsServer = GetAddress(IDC_NEW_DNSSERVER);
        ClearAddress(IDC_NEW_DNSSERVER);
    } else {
        EnableDlgItem(IDC_NEW_DNSSERVER, true);
        if (remembered.dnsServer != 0) {
            SetAddress(IDC_NEW_DNSSERVER, remembered.dnsServer);
        }
    }
    MarkModified();
}

void CNeraConfigDlg::MarkModified() {
    if (m_modified != 0) {
        return;
    }
    m_modified = 1;
    SetWindowText(GetWindowText() + L"*");
}

void CNeraConfigDlg::ResetPasswordField() {
    HWND field = GetDlgItem(IDC_NEW_PASSWORD);
    if (field == nullptr) {
        return;
    }
    ::SetWindowTextW(field, L"");
    ::SendMessageW(field, EM_SETPASSWORDCHAR, 0, 0);
    ::SendMessageW(field, EM_SETREADONLY, FALSE, 0);
    InvalidateRect(field, nullptr, TRUE);
}

void CNeraConfigDlg::ShowPasswordDigest(const uint8_t digest[kPasswordDigestSize]) {
    HWND field = GetDlgItem(IDC_NEW_PASSWORD);
    if (field == nullptr) {
        return;
    }
    ::SetWindowTextW(field, FormatDigestHex(digest).c_str());
    ::SendMessageW(field, EM_SETPASSWORDCHAR, static_cast<WPARAM>(L'x'), 0);
    ::SendMessageW(field, EM_SETREADONLY, TRUE, 0);
    InvalidateRect(field, nullptr, TRUE);
}

bool CNeraConfigDlg::AskDiscardEdits() {
    return AfxMessageBox(kDiscardQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void CNeraConfigDlg::OnNewSettings() {
    if (m_modified != 0 && !AskDiscardEdits()) {
        return;
    }
    MakeDefaultSettings(m_newSettings, DefaultServerPort());
    if (m_device != 0) {
        std::memcpy(m_newSettings.Mac(), m_currentSettings.Mac(), kMacSize);
    }
    ShowNewSettings(m_newSettings);
    ResetPasswordField();
    m_fileName.clear();
    m_filePath.clear();
    SetWindowText(m_title);
    m_modified = 0;
}

void CNeraConfigDlg::OnReadIntoEditor() {
    if (m_device == 0) {
        OnConnect();
        if (m_device == 0) {
            return;
        }
    }
    ShowNewSettings(m_currentSettings);
    ResetPasswordField();
    if (IsPasswordEnabled(m_currentSettings.PasswordDigest()) &&
        AfxMessageBox(kCarryModulePasswordQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        ShowPasswordDigest(m_currentSettings.PasswordDigest());
    }
    m_modified = 0;
    SetWindowText(m_title);
    m_fileName.clear();
    m_filePath.clear();
    MarkModified();
}
