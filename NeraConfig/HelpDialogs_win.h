#pragma once
#include "framework/Dialog_win.h"
#include "NeraConfig/resource.h"

// User documentation of the setting items: the template's text and a close button, no code.
class CConfigHelpDlg : public CDialog {
public:
    explicit CConfigHelpDlg(HWND parent = nullptr) : CDialog(IDD_CONFIG_HELP, parent) {}
};

// How to start each kind of module in flash-rewrite mode: template only, like CConfigHelpDlg.
class CFlashmodeHelpDlg : public CDialog {
public:
    explicit CFlashmodeHelpDlg(HWND parent = nullptr) : CDialog(IDD_FLASHMODE_HELP, parent) {}
};
