#pragma once
#include <windows.h>

#include <string>

class CDataExchange;

// State of one menu item while a popup opens; an update handler enables or disables it.
class CCmdUI {
public:
    CCmdUI(HMENU menu, UINT index, UINT id) : m_hMenu(menu), m_nIndex(index), m_nID(id) {}
    void Enable(bool on);

    HMENU m_hMenu;
    UINT m_nIndex;
    UINT m_nID;
};

// A dialog built on a template of the program's resources. DoModal runs its own modal loop so
// that PreTranslateMessage sees every message (accelerators); Create makes it modeless, which
// lets a test drive a dialog in-process without a loop. Handlers are virtual functions that a
// derived dialog overrides, commands going through OnCommand with a plain switch.
class CDialog {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR DoModal();
    bool Create(HWND parent = nullptr);
    void EndDialog(INT_PTR result);
    bool IsEnded() const { return m_ended; }
    INT_PTR GetResult() const { return m_result; }

    HWND GetSafeHwnd() const { return m_hWnd; }
    UINT GetTemplateId() const { return m_templateId; }
    HWND GetDlgItem(int id) const;

    // Runs the data exchange: true = controls to members (with validation), false = members to
    // controls. Returns false when a check failed; its message has then been shown.
    bool UpdateData(bool saveAndValidate = true);

    std::wstring GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const std::wstring& text);
    bool IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, bool checked);
    void EnableDlgItem(int id, bool enabled);
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text);

    // Sends a message to this dialog's window procedure and returns its result, as the system
    // would; lets tests and handlers reuse the one dispatch path.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    virtual bool PreTranslateMessage(MSG* msg);

protected:
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK();
    virtual void OnCancel();

    // Returns true when the command was handled; the base handles IDOK and IDCANCEL.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    // WM_NOTIFY: returns true when handled; result goes back to the control.
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    // Called for each plain item of a popup menu that is about to open.
    virtual void OnUpdateCommand(CCmdUI&) {}
    // System menu: returns true when handled, false for the default handling.
    virtual bool OnSysCommand(UINT command, LPARAM lParam);
    virtual void OnDestroy() {}
    // Any other message: return true and set result to handle it.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    // Appends a separator and the given string resource as command IDM_ABOUTBOX to the system
    // menu; nothing when the string is empty or the window has no system menu.
    void AppendAboutMenuItem(UINT stringId);
    static bool IsAboutCommand(UINT command) { return (command & 0xFFF0) == 0x0010; }

    // Icon shown as big and small window icon, drawn centred while minimised and returned for
    // the drag-icon query.
    void SetDialogIcon(HICON icon);

    // Offers each plain item of a popup to OnUpdateCommand.
    void UpdateMenuPopup(HMENU popup);

    HWND m_hWnd = nullptr;
    HWND m_parent = nullptr;
    HICON m_hDialogIcon = nullptr;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    void PaintMinimizedIcon();

    UINT m_templateId;
    bool m_ended = false;
    bool m_modal = false;
    INT_PTR m_result = -1;
};
