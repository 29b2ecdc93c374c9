#include "framework/MessageBox_win.h"

#include "framework/Strings_win.h"
#include "framework/WinApp_win.h"

namespace {
MessageBoxHandler g_handler = nullptr;
void* g_context = nullptr;
} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler, void* context) {
    g_handler = handler;
    g_context = context;
}

UINT AfxMessageBoxType(UINT type) {
    if ((type & MB_ICONMASK) != 0) {
        return type;
    }
    switch (type & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
            return type | MB_ICONEXCLAMATION;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return type | MB_ICONQUESTION;
        default:
            return type;
    }
}

int AfxMessageBox(const std::wstring& text, UINT type) {
    return AfxMessageBox(text, AfxGetAppTitle(), type);
}

int AfxMessageBox(const std::wstring& text, const std::wstring& caption, UINT type) {
    MessageBoxRequest request;
    request.text = text;
    request.caption = caption;
    request.type = AfxMessageBoxType(type);
    if (g_handler != nullptr) {
        return g_handler(request, g_context);
    }
    // Owned by the active window of this thread so that the box is modal to the dialog.
    HWND owner = GetActiveWindow();
    return MessageBoxW(owner, request.text.c_str(), request.caption.c_str(), request.type);
}

int AfxMessageBox(UINT stringId, UINT type) {
    return AfxMessageBox(LoadResString(stringId), type);
}
