#pragma once
#include <windows.h>

#include <commdlg.h>

#include <string>
#include <vector>

// The system's open or save file dialog. The filter is one string of display text and pattern
// pairs separated by '|', ended by "||".
class CFileDialog {
public:
    CFileDialog(bool openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags,
                const wchar_t* filter, HWND parent = nullptr);

    // IDOK when the user chose a file, IDCANCEL otherwise.
    INT_PTR DoModal();
    std::wstring GetPathName() const;
    std::wstring GetFileName() const;

    bool IsOpenDialog() const { return m_openFileDialog; }
    const std::wstring& GetDefaultExt() const { return m_defaultExt; }
    const std::wstring& GetFilter() const { return m_filterText; }
    DWORD GetFlags() const { return m_flags; }

    // Test seam: a handler answers the dialog instead of a window. It returns IDOK or IDCANCEL
    // and, for IDOK, sets the chosen path with SetChosenPath.
    using Handler = INT_PTR (*)(CFileDialog& dialog, void* context);
    static void SetHandler(Handler handler, void* context);
    void SetChosenPath(const std::wstring& path);

private:
    bool m_openFileDialog;
    std::wstring m_defaultExt;
    std::wstring m_filterText;   // as given, with '|'
    std::wstring m_filterBuffer; // with '\0' separators for the system
    DWORD m_flags;
    HWND m_parent;
    // The name the dialog starts with and returns; as long as the longest path the system
    // knows, so that no name the user can choose is cut.
    std::vector<wchar_t> m_file;
    std::wstring m_chosenPath;
    size_t m_fileNameOffset = 0;
};
