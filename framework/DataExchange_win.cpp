#include "framework/DataExchange_win.h"

#include "framework/Dialog_win.h"
#include "framework/FrameworkResource.h"
#include "framework/MessageBox_win.h"
#include "framework/Strings_win.h"

#include <cwchar>

CDataExchange::CDataExchange(CDialog* dialog, bool saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

HWND CDataExchange::PrepareCtrl(int id) {
    m_hWndLastControl = m_pDlgWnd->GetDlgItem(id);
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    HWND control = PrepareCtrl(id);
    m_bEditLastControl = true;
    return control;
}

void CDataExchange::Fail() {
    if (m_hWndLastControl != nullptr) {
        SetFocus(m_hWndLastControl);
        if (m_bEditLastControl) {
            SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
        }
    }
    m_failed = true;
}

namespace {
std::wstring ControlText(HWND control) {
    int length = GetWindowTextLengthW(control);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(control, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}
} // namespace

void DDX_Text(CDataExchange* pDX, int id, unsigned int& value) {
    if (pDX->Failed()) {
        return;
    }
    HWND control = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        unsigned int parsed = 0;
        if (!ParseUnsignedDecimal(ControlText(control), parsed)) {
            AfxMessageBox(IDS_PARSE_UINT, MB_ICONEXCLAMATION);
            pDX->Fail();
            return;
        }
        value = parsed;
    } else {
        SetWindowTextW(control, std::to_wstring(value).c_str());
    }
}

void DDX_Text(CDataExchange* pDX, int id, std::wstring& value) {
    if (pDX->Failed()) {
        return;
    }
    HWND control = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        value = ControlText(control);
    } else {
        SetWindowTextW(control, value.c_str());
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    if (pDX->Failed()) {
        return;
    }
    HWND control = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        int state = value < 0 || value > 2 ? 0 : value;
        SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    }
}

void DDX_Check(CDataExchange* pDX, int id, bool& value) {
    int state = value ? BST_CHECKED : BST_UNCHECKED;
    DDX_Check(pDX, id, state);
    value = state == BST_CHECKED;
}

void DDV_MinMaxUInt(CDataExchange* pDX, unsigned int value, unsigned int minValue, unsigned int maxValue) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate) {
        return;
    }
    if (value < minValue || value > maxValue) {
        AfxMessageBox(
            AfxFormatString2(IDS_PARSE_INT_RANGE, std::to_wstring(minValue), std::to_wstring(maxValue)),
            MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int maxChars) {
    if (pDX->Failed()) {
        return;
    }
    if (pDX->m_bSaveAndValidate && value.size() > static_cast<size_t>(maxChars)) {
        AfxMessageBox(AfxFormatString1(IDS_PARSE_STRING_SIZE, std::to_wstring(maxChars)), MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    if (pDX->m_hWndLastControl != nullptr && pDX->m_bEditLastControl) {
        SendMessageW(pDX->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    }
}
