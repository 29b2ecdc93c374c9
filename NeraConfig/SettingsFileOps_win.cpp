// Settings files of the main dialog: open, save, save as and the file named on the command
// line. A file is the 130 bytes of SettingsFile.h; each command opens, transfers and closes it.
#include "NeraConfigDlg_win.h"

#include <commdlg.h>

#include <cstring>

#include "File_win.h"
#include "FileDialog_win.h"
#include "MessageBox_win.h"
#include "SettingsFile.h"
#include "resource.h"

namespace {

const wchar_t kFileFilter[] = L"Nera5120設定ファイル (*.nera)|*.nera||";
const wchar_t kDefaultExtension[] = L"nera";
const wchar_t kOpenFailedMessage[] = L"ファイルが開けませんでした。";
const wchar_t kCarryFilePasswordQuestion[] =
    L"この設定ではパスワードが有効になっています。\n「新しい設定」にパスワードを反映しますか？";

// Longest name or extension part that FileNameFromPath keeps.
constexpr size_t kMaxPathPart = 259;

void ReportOpenFailure() {
    AfxMessageBox(kOpenFailedMessage, MB_OK);
}

// Folder of a path as an absolute path, so that the temporary file lands beside the target.
bool FolderOfPath(const std::wstring& path, std::wstring& folder) {
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return false;
    }
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) {
        return false;
    }
    full.resize(length);
    size_t slash = full.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return false;
    }
    folder = full.substr(0, slash + 1);
    return true;
}

// Writes the bytes to a temporary file beside the target and only then puts it in the
// target's place, so that a failed write never costs the previous file. An existing target
// that cannot be opened for writing (locked, read only) fails as before anything is written.
bool ReplaceFileContents(const std::wstring& path, const SettingsFileBytes& bytes) {
    {
        CFile probe;
        if (!probe.Open(path, CFile::modeWrite | CFile::shareExclusive) &&
            probe.GetError().m_cause != CFileError::fileNotFound) {
            ReportOpenFailure();
            return false;
        }
    }
    std::wstring folder;
    wchar_t temporary[MAX_PATH] = {};
    if (!FolderOfPath(path, folder) || GetTempFileNameW(folder.c_str(), L"nra", 0, temporary) == 0) {
        ReportOpenFailure();
        return false;
    }
    CFile file;
    if (!file.Open(temporary, CFile::modeWrite | CFile::modeCreate | CFile::shareExclusive)) {
        DeleteFileW(temporary);
        ReportOpenFailure();
        return false;
    }
    const bool written = file.Write(bytes.data(), static_cast<UINT>(kNeraSettingsSize)) &&
                         file.Write(bytes.data() + kSettingsFileFlagOffset,
                                    static_cast<UINT>(kSettingsFileSize - kSettingsFileFlagOffset)) &&
                         file.Flush() && file.Close();
    if (!written) {
        CFileError error = file.GetError();
        file.Close();
        DeleteFileW(temporary);
        error.m_fileName = path; // the user knows the target, not the temporary name
        ReportFileError(error);
        return false;
    }
    if (!MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary);
        ReportOpenFailure();
        return false;
    }
    return true;
}

} // namespace

std::wstring CNeraConfigDlg::FileNameFromPath(const std::wstring& path) {
    // The name starts after the last folder separator, or after a drive letter and colon.
    size_t start = 0;
    size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) {
        start = slash + 1;
    } else if (path.size() >= 2 && path[1] == L':') {
        start = 2;
    }
    std::wstring nameAndExtension = path.substr(start);
    size_t dot = nameAndExtension.find_last_of(L'.');
    std::wstring name = nameAndExtension.substr(0, dot);
    std::wstring extension = dot == std::wstring::npos ? std::wstring() : nameAndExtension.substr(dot);
    return name.substr(0, kMaxPathPart) + extension.substr(0, kMaxPathPart);
}

void CNeraConfigDlg::ShowFileTitle() {
    SetWindowText(m_title + L" - " + m_fileName);
    m_modified = 0;
}

bool CNeraConfigDlg::WriteSettingsFile(const std::wstring& path) {
    const uint16_t flag = static_cast<uint16_t>(static_cast<uint32_t>(m_macEdit) & 0xFFFFu);
    if (!CollectNewSettings(m_newSettings)) {
        return false;
    }
    return ReplaceFileContents(path, SerializeSettingsFile(m_newSettings, flag));
}

void CNeraConfigDlg::OnSaveFile() {
    if (m_filePath.empty()) {
        OnSaveFileAs();
        return;
    }
    if (WriteSettingsFile(m_filePath)) {
        ShowFileTitle();
    }
}

void CNeraConfigDlg::OnSaveFileAs() {
    CFileDialog dialog(false, kDefaultExtension, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       kFileFilter);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    const std::wstring path = dialog.GetPathName();
    if (!WriteSettingsFile(path)) {
        return;
    }
    m_filePath = path;
    m_fileName = dialog.GetFileName();
    ShowFileTitle();
}

bool CNeraConfigDlg::LoadSettingsFile(const std::wstring& path, const std::wstring& fileName) {
    const std::wstring previousMac = GetDlgItemText(IDC_NEW_MAC);
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareExclusive)) {
        ReportOpenFailure();
        return false;
    }
    // Read whole before anything changes, so that a read error leaves the editor as it was.
    uint8_t data[kSettingsFileSize];
    size_t size = 0;
    while (size < kSettingsFileSize) {
        UINT got = 0;
        if (!file.Read(data + size, static_cast<UINT>(kSettingsFileSize - size), got)) {
            const CFileError error = file.GetError();
            file.Close();
            ReportFileError(error);
            return false;
        }
        if (got == 0) {
            break;
        }
        size += got;
    }
    file.Close();

    const uint16_t flag = LoadSettingsFileBytes(data, size, m_newSettings);
    NormalizeDeviceSettings(m_newSettings, DefaultServerPort());
    ShowNewSettings(m_newSettings);
    // A file saved in normal mode never changes the MAC shown in the editor.
    if (!SettingsFileCarriesMac(flag)) {
        SetDlgItemText(IDC_NEW_MAC, previousMac);
    }
    ResetPasswordField();
    if (IsPasswordDigestSet(m_newSettings.PasswordDigest()) &&
        AfxMessageBox(kCarryFilePasswordQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        ShowPasswordDigest(m_newSettings.PasswordDigest());
    }
    m_filePath = path;
    m_fileName = fileName;
    ShowFileTitle();
    return true;
}

void CNeraConfigDlg::OnOpenFile() {
    if (m_modified != 0 && !AskDiscardEdits()) {
        return;
    }
    CFileDialog dialog(true, kDefaultExtension, nullptr, OFN_HIDEREADONLY, kFileFilter);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    LoadSettingsFile(dialog.GetPathName(), dialog.GetFileName());
}

bool CNeraConfigDlg::OpenStartupFile(const std::wstring& path) {
    return LoadSettingsFile(path, FileNameFromPath(path));
}
