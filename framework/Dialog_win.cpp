#include "framework/Dialog_win.h"

#include "framework/DataExchange_win.h"
#include "framework/FrameworkResource.h"
#include "framework/Strings_win.h"
#include "framework/WinApp_win.h"

void CCmdUI::Enable(bool on) {
    EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
}

CDialog::CDialog(UINT templateId, HWND parent) : m_parent(parent), m_templateId(templateId) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        DestroyWindow(m_hWnd);
    }
}

bool CDialog::Create(HWND parent) {
    if (parent != nullptr) {
        m_parent = parent;
    }
    m_ended = false;
    m_result = -1;
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_parent,
                                   &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_parent;
    if (owner == nullptr) {
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this) {
            owner = app->m_pMainWnd->GetSafeHwnd();
        }
    }
    m_parent = owner;
    if (!Create()) {
        return -1;
    }
    m_modal = true;
    bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
    }
    if (!m_ended) {
        ShowWindow(m_hWnd, SW_SHOW);
    }
    MSG msg;
    while (!m_ended) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT: end the dialog and hand the quit on to any outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) {
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (m_hWnd != nullptr) {
        DestroyWindow(m_hWnd);
    }
    m_modal = false;
    return m_result;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    m_ended = true;
    if (m_hWnd != nullptr && m_modal) {
        ShowWindow(m_hWnd, SW_HIDE);
    }
}

bool CDialog::PreTranslateMessage(MSG* msg) {
    return m_hWnd != nullptr && IsDialogMessageW(m_hWnd, msg) != FALSE;
}

HWND CDialog::GetDlgItem(int id) const {
    return m_hWnd != nullptr ? ::GetDlgItem(m_hWnd, id) : nullptr;
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

std::wstring CDialog::GetDlgItemText(int id) const {
    HWND item = GetDlgItem(id);
    if (item == nullptr) {
        return std::wstring();
    }
    int length = GetWindowTextLengthW(item);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = ::GetWindowTextW(item, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void CDialog::SetDlgItemText(int id, const std::wstring& text) {
    ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

bool CDialog::IsDlgButtonChecked(int id) const {
    return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED;
}

void CDialog::CheckDlgButton(int id, bool checked) {
    ::CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void CDialog::EnableDlgItem(int id, bool enabled) {
    HWND item = GetDlgItem(id);
    if (item != nullptr) {
        EnableWindow(item, enabled ? TRUE : FALSE);
    }
}

std::wstring CDialog::GetWindowText() const {
    if (m_hWnd == nullptr) {
        return std::wstring();
    }
    int length = GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, &text[0], static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void CDialog::SetWindowText(const std::wstring& text) {
    ::SetWindowTextW(m_hWnd, text.c_str());
}

LRESULT CDialog::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(UINT id, UINT, HWND) {
    switch (id) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
        default:
            return false;
    }
}

bool CDialog::OnNotify(NMHDR*, LRESULT&) {
    return false;
}

bool CDialog::OnSysCommand(UINT, LPARAM) {
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
    return false;
}

void CDialog::AppendAboutMenuItem(UINT stringId) {
    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    std::wstring text = LoadResString(stringId);
    if (systemMenu == nullptr || text.empty()) {
        return;
    }
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text.c_str());
}

void CDialog::SetDialogIcon(HICON icon) {
    m_hDialogIcon = icon;
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void CDialog::UpdateMenuPopup(HMENU popup) {
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(popup, i);
        // Separators (0) and items that open a further popup (-1) are left as they are.
        if (id == 0 || id == static_cast<UINT>(-1)) {
            continue;
        }
        CCmdUI cmdUI(popup, static_cast<UINT>(i), id);
        OnUpdateCommand(cmdUI);
    }
}

void CDialog::PaintMinimizedIcon() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hDialogIcon);
    EndPaint(m_hWnd, &paint);
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (self == nullptr) {
        return FALSE;
    }
    // No C++ exception may unwind through the system's dialog manager.
    try {
        INT_PTR result = self->DialogProc(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, DWLP_USER, 0);
            self->m_hWnd = nullptr;
        }
        return result;
    } catch (...) {
        return FALSE;
    }
}

INT_PTR CDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND: {
            UINT id = LOWORD(wParam);
            if (!OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) {
                CWinApp* app = AfxGetApp();
                if (app != nullptr) {
                    app->OnCommand(id);
                }
            }
            return TRUE;
        }
        case WM_HELP: {
            CWinApp* app = AfxGetApp();
            if (app != nullptr) {
                app->OnCommand(ID_HELP);
            }
            return TRUE;
        }
        case WM_CLOSE:
            OnCommand(IDCANCEL, BN_CLICKED, nullptr);
            return TRUE;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (OnNotify(reinterpret_cast<NMHDR*>(lParam), result)) {
                SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
                return TRUE;
            }
            return FALSE;
        }
        case WM_SYSCOMMAND:
            return OnSysCommand(static_cast<UINT>(wParam), lParam) ? TRUE : FALSE;
        case WM_INITMENUPOPUP:
            if (HIWORD(lParam) == 0) {
                UpdateMenuPopup(reinterpret_cast<HMENU>(wParam));
            }
            return FALSE;
        case WM_PAINT:
            if (IsIconic(m_hWnd) && m_hDialogIcon != nullptr) {
                PaintMinimizedIcon();
                return TRUE;
            }
            return FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_hDialogIcon);
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default: {
            INT_PTR result = 0;
            if (OnMessage(message, wParam, lParam, result)) {
                return result;
            }
            return FALSE;
        }
    }
}
