#pragma once
#include "framework/Dialog_win.h"

// The about box of every program: a template with one static control that shows the running
// program's file version, read from its own version resource, so that the box always matches
// the executable it belongs to.
class CAboutDlg : public CDialog {
public:
    CAboutDlg(UINT templateId, int versionControlId, HWND parent = nullptr)
        : CDialog(templateId, parent), m_versionControlId(versionControlId) {}

protected:
    bool OnInitDialog() override;

private:
    int m_versionControlId;
};
