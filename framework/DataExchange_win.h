#pragma once
#include <windows.h>

#include <string>

#include "common/FieldChecks.h" // ParseUnsignedDecimal, shared with the console tool

class CDialog;

// One run of a dialog's data exchange. A failed check shows its message, puts the focus on the
// control it concerns (selecting an edit's text) and marks the run failed; every DDX_/DDV_ call
// after that does nothing, so the exchange is abandoned at that control.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate);

    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    void Fail();
    bool Failed() const { return m_failed; }

    bool m_bSaveAndValidate;
    CDialog* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;
    bool m_bEditLastControl = false;

private:
    bool m_failed = false;
};

// Unsigned decimal number; a text that is not one fails with "正の整数を入力してください。".
void DDX_Text(CDataExchange* pDX, int id, unsigned int& value);
void DDX_Text(CDataExchange* pDX, int id, std::wstring& value);
// Check box state: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* pDX, int id, int& value);
// A two-state box exchanged with a flag: ticked = true.
void DDX_Check(CDataExchange* pDX, int id, bool& value);

void DDV_MinMaxUInt(CDataExchange* pDX, unsigned int value, unsigned int minValue, unsigned int maxValue);
// Saving: fails when the text is longer; either way sets the limit on the edit control.
void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int maxChars);
