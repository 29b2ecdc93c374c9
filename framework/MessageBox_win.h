#pragma once
#include <windows.h>

#include <string>

// What a program asked of a message box: the text, the caption and the MB_ type flags after
// the framework added its default icon.
struct MessageBoxRequest {
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
};

// Every message box of the programs goes through one seam. A test installs a handler that
// records the request and returns the answer (IDOK, IDYES, IDNO, ...) instead of showing a window.
using MessageBoxHandler = int (*)(const MessageBoxRequest& request, void* context);
void SetMessageBoxHandler(MessageBoxHandler handler, void* context);

// Shows a message box with the application title as caption. OK boxes without an icon of their
// own get the warning icon, Yes/No boxes the question icon.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK);
int AfxMessageBox(UINT stringId, UINT type = MB_OK);
// The same with a caption of its own instead of the application title.
int AfxMessageBox(const std::wstring& text, const std::wstring& caption, UINT type);

// The type flags actually used for a request of the given type (icon defaults applied).
UINT AfxMessageBoxType(UINT type);
