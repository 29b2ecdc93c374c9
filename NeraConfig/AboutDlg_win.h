#pragma once
#include "Dialog_win.h"
#include "resource.h"

// The about box: shows the file version of the running program, read from its own version
// resource, so that the box always matches the executable it belongs to.
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND parent = nullptr) : CDialog(IDD_ABOUTBOX, parent) {}

protected:
    bool OnInitDialog() override;
};
