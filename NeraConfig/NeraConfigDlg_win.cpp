// The main dialog itself: initialisation, the exchange between records and the two columns,
// the enabling rules of the address fields, the modified mark, the password field, the editor
// commands and the routing of commands and notifications.
#include "NeraConfig/NeraConfigDlg_win.h"

#include <commctrl.h>
#include <locale.h>

#include <cstring>

#include "framework/AboutDlg_win.h"
#include "framework/DataExchange_win.h"
#include "framework/MessageBox_win.h"
#include "NeraConfig/HelpDialogs_win.h"
#include "NeraConfig/resource.h"
#include "settings/MacText.h"
#include "settings/SettingsEditor.h"

namespace {

const wchar_t kDiscardQuestion[] = L"編集中のファイル内容を破棄しますか？";
const wchar_t kCarryModulePasswordQuestion[] =
    L"「現在の設定」ではパスワードが有効になっています。\n「新しい設定」へパスワードを反映しますか？";

// The control of the new column that shows a field.
int NewColumnControl(EEditorField field) {
    switch (field) {
        case EEditorField::kMac:
            return IDC_NEW_MAC;
        case EEditorField::kPort:
            return IDC_NEW_PORT;
        case EEditorField::kNtpServer:
            return IDC_NEW_NTPSERVER;
        case EEditorField::kServer:
            return IDC_NEW_SERVER;
        case EEditorField::kServerPort:
            return IDC_NEW_SERVERPORT;
        default:
            return 0;
    }
}

} // namespace

CNeraConfigDlg::CNeraConfigDlg(HWND parent)
    : CDialog(IDD_NERACONFIG_DIALOG, parent), m_session(m_deviceApi, *this) {
    // The template holds IP-address controls, whose window class this registers.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    MakeDefaultSettings(m_newSettings, kDefaultServerPort);
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

    m_session.m_device = 0;
    m_session.m_macEdit = m_macEdit != 0;
    m_session.m_defaultServerPort = DefaultServerPort();
    MakeDefaultSettings(m_newSettings, DefaultServerPort());
    ShowNewSettings(m_newSettings);
    MakeDefaultSettings(m_session.m_currentSettings, DefaultServerPort());
    ShowCurrentSettings(m_session.m_currentSettings);

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
    SEditorFields& fields = m_editor.fields;
    DDX_Text(pDX, IDC_NEW_PORT, fields.port);
    DDV_MinMaxUInt(pDX, fields.port, kMinPortValue, kMaxPortValue);
    DDX_Text(pDX, IDC_NEW_NTPSERVER, fields.ntpServer);
    DDV_MaxChars(pDX, fields.ntpServer, static_cast<int>(kMaxHostChars));
    DDX_Check(pDX, IDC_NEW_DHCP, fields.dhcp);
    DDX_Check(pDX, IDC_NEW_DNSAUTO, fields.dnsAuto);
    DDX_Text(pDX, IDC_NEW_MAC, fields.macText);
    DDV_MaxChars(pDX, fields.macText, static_cast<int>(kMaxMacChars));
    DDX_Text(pDX, IDC_NEW_SERVER, fields.server);
    DDV_MaxChars(pDX, fields.server, static_cast<int>(kMaxHostChars));
    DDX_Text(pDX, IDC_NEW_SERVERPORT, fields.serverPort);
    DDV_MinMaxUInt(pDX, fields.serverPort, kMinPortValue, kMaxPortValue);
    DDX_Check(pDX, IDC_NEW_CLIENTMODE, fields.clientMode);
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
            cmdUI.Enable(m_session.m_device == 0);
            break;
        case IDC_DISCONNECT:
        case IDC_PRODUCT_INFO:
            cmdUI.Enable(m_session.m_device != 0);
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
    CAboutDlg dialog(IDD_ABOUTBOX, IDC_ABOUT_VERSION);
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
    const SEditorFields fields = EditorFieldsFromRecord(settings);
    SetDlgItemText(IDC_CUR_MAC, fields.macText);
    SetDlgItemText(IDC_CUR_PORT, std::to_wstring(fields.port));
    CheckDlgButton(IDC_CUR_DHCP, fields.dhcp);
    if (!fields.dhcp) {
        SetAddress(IDC_CUR_IPADDRESS, fields.ipAddress);
        SetAddress(IDC_CUR_SUBNETMASK, fields.subnetMask);
        SetAddress(IDC_CUR_GATEWAY, fields.gateway);
    } else {
        ClearAddress(IDC_CUR_IPADDRESS);
        ClearAddress(IDC_CUR_SUBNETMASK);
        ClearAddress(IDC_CUR_GATEWAY);
    }
    CheckDlgButton(IDC_CUR_DNSAUTO, fields.dnsAuto);
    if (fields.dnsServer != 0) {
        SetAddress(IDC_CUR_DNSSERVER, fields.dnsServer);
    } else {
        ClearAddress(IDC_CUR_DNSSERVER);
    }
    SetDlgItemText(IDC_CUR_NTPSERVER, fields.ntpServer);
    CheckDlgButton(IDC_CUR_CLIENTMODE, fields.clientMode);
    SetDlgItemText(IDC_CUR_SERVER, fields.server);
    SetDlgItemText(IDC_CUR_SERVERPORT, std::to_wstring(fields.serverPort));
}

void CNeraConfigDlg::ShowNewSettings(const NeraSettings& settings) {
    LoadEditorRecord(m_editor, settings);
    ShowEditorAddresses(nullptr);
    MarkModified();
    UpdateData(false);
}

void CNeraConfigDlg::ReadEditorAddresses() {
    SEditorFields& fields = m_editor.fields;
    fields.ipAddress = GetAddress(IDC_NEW_IPADDRESS);
    fields.subnetMask = GetAddress(IDC_NEW_SUBNETMASK);
    fields.gateway = GetAddress(IDC_NEW_GATEWAY);
    fields.dnsServer = GetAddress(IDC_NEW_DNSSERVER);
}

void CNeraConfigDlg::ShowEditorAddresses(const SEditorFields* before) {
    const SEditorFields& fields = m_editor.fields;
    const struct {
        int id;
        uint32_t address;
        uint32_t previous;
        bool enabled;
        bool server; // the DNS field, blank for 0 even when enabled
    } controls[] = {
        {IDC_NEW_IPADDRESS, fields.ipAddress, before ? before->ipAddress : 0, !fields.dhcp, false},
        {IDC_NEW_SUBNETMASK, fields.subnetMask, before ? before->subnetMask : 0, !fields.dhcp, false},
        {IDC_NEW_GATEWAY, fields.gateway, before ? before->gateway : 0, !fields.dhcp, false},
        {IDC_NEW_DNSSERVER, fields.dnsServer, before ? before->dnsServer : 0, !fields.dnsAuto, true},
    };
    for (const auto& control : controls) {
        if (before == nullptr) {
            // A static address shows all three fields, 0.0.0.0 included.
            if (control.address != 0 || (control.enabled && !control.server)) {
                SetAddress(control.id, control.address);
            } else {
                ClearAddress(control.id);
            }
        } else if (!control.enabled && control.address == 0) {
            ClearAddress(control.id);
        } else if (control.address != control.previous) {
            SetAddress(control.id, control.address);
        }
        EnableDlgItem(control.id, control.enabled);
    }
}

bool CNeraConfigDlg::CollectNewSettings(NeraSettings& settings) {
    if (!UpdateData(true)) {
        return false;
    }
    ReadEditorAddresses();
    SEditorFields fields = m_editor.fields;
    fields.password = GetDlgItemText(IDC_NEW_PASSWORD);

    SEditorProblem problem;
    const bool collected = CollectEditorSettings(fields, settings, problem);
    m_editor.fields.macText = fields.macText; // cut to the digits that were used
    if (collected) {
        return true;
    }
    AfxMessageBox(problem.message, MB_OK);
    HWND control = problem.focus ? GetDlgItem(NewColumnControl(problem.field)) : nullptr;
    if (control != nullptr) {
        SetFocus(control);
        ::SendMessageW(control, EM_SETSEL, 0, -1);
    }
    return false;
}

void CNeraConfigDlg::ApplyDhcpChoice(bool dhcpOn) {
    ReadEditorAddresses();
    const SEditorFields before = m_editor.fields;
    SwitchDhcp(m_editor, dhcpOn);
    ShowEditorAddresses(&before);
    CheckDlgButton(IDC_NEW_DNSAUTO, m_editor.fields.dnsAuto);
    MarkModified();
}

void CNeraConfigDlg::ApplyDnsChoice() {
    ReadEditorAddresses();
    const SEditorFields before = m_editor.fields;
    SwitchDnsAuto(m_editor, IsDlgButtonChecked(IDC_NEW_DNSAUTO));
    ShowEditorAddresses(&before);
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
    m_editor.fields.passwordIsDigest = false;
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
    m_editor.fields.passwordIsDigest = true;
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
    if (m_session.m_device != 0) {
        std::memcpy(m_newSettings.Mac(), m_session.m_currentSettings.Mac(), kMacSize);
    }
    ShowNewSettings(m_newSettings);
    ResetPasswordField();
    m_fileName.clear();
    m_filePath.clear();
    SetWindowText(m_title);
    m_modified = 0;
}

void CNeraConfigDlg::OnReadIntoEditor() {
    if (m_session.m_device == 0) {
        OnConnect();
        if (m_session.m_device == 0) {
            return;
        }
    }
    const NeraSettings& current = m_session.m_currentSettings;
    ShowNewSettings(current);
    ResetPasswordField();
    if (IsPasswordEnabled(current.PasswordDigest()) &&
        AfxMessageBox(kCarryModulePasswordQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        ShowPasswordDigest(current.PasswordDigest());
    }
    m_modified = 0;
    SetWindowText(m_title);
    m_fileName.clear();
    m_filePath.clear();
    MarkModified();
}
