#include "framework/FileDialog_win.h"

#include "common/PathText.h"
#include "framework/Dialog_win.h"
#include "framework/WinApp_win.h"

#include <algorithm>

namespace {
CFileDialog::Handler g_handler = nullptr;
void* g_context = nullptr;

// Characters of the longest path the system knows, with the terminating zero.
constexpr size_t kLongestPath = 32768;
} // namespace

void CFileDialog::SetHandler(Handler handler, void* context) {
    g_handler = handler;
    g_context = context;
}

CFileDialog::CFileDialog(bool openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, HWND parent)
    : m_openFileDialog(openFileDialog), m_defaultExt(defaultExt != nullptr ? defaultExt : L""),
      m_filterText(filter != nullptr ? filter : L""), m_flags(flags), m_parent(parent) {
    const std::wstring initial = fileName != nullptr ? fileName : L"";
    m_file.assign(initial.size() < kLongestPath ? kLongestPath : initial.size() + 1, L'\0');
    std::copy(initial.begin(), initial.end(), m_file.begin());
    m_filterBuffer = m_filterText;
    for (wchar_t& c : m_filterBuffer) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    m_filterBuffer.push_back(L'\0');
}

void CFileDialog::SetChosenPath(const std::wstring& path) {
    m_chosenPath = path;
    m_fileNameOffset = FileNameOffset(path);
}

INT_PTR CFileDialog::DoModal() {
    if (g_handler != nullptr) {
        return g_handler(*this, g_context);
    }
    HWND owner = m_parent;
    CWinApp* app = AfxGetApp();
    if (owner == nullptr && app != nullptr && app->m_pMainWnd != nullptr) {
        owner = app->m_pMainWnd->GetSafeHwnd();
    }
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = m_filterBuffer.empty() ? nullptr : m_filterBuffer.c_str();
    ofn.lpstrFile = m_file.data();
    ofn.nMaxFile = static_cast<DWORD>(m_file.size());
    ofn.lpstrDefExt = m_defaultExt.empty() ? nullptr : m_defaultExt.c_str();
    ofn.Flags = m_flags | OFN_EXPLORER | OFN_ENABLESIZING;
    // A name that would not fit fails the dialog (FNERR_BUFFERTOOSMALL) instead of being cut;
    // like any failed dialog it chooses nothing.
    BOOL ok = m_openFileDialog ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!ok) {
        return IDCANCEL;
    }
    SetChosenPath(m_file.data());
    return IDOK;
}

std::wstring CFileDialog::GetPathName() const {
    return m_chosenPath;
}

std::wstring CFileDialog::GetFileName() const {
    return m_chosenPath.substr(m_fileNameOffset);
}
