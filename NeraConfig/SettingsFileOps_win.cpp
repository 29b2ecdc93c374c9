// Settings files of the main dialog: open, save, save as and the file named on the command
// line. A file is the 130 bytes of SettingsFile.h; each command opens, transfers and closes it.
#include "NeraConfig/NeraConfigDlg_win.h"

#include <commdlg.h>

#include <cstring>
#include <vector>

#include "common/PathText.h"
#include "framework/File_win.h"
#include "framework/FileDialog_win.h"
#include "framework/MessageBox_win.h"
#include "NeraConfig/resource.h"
#include "settings/SettingsFile.h"

namespace {

const wchar_t kFileFilter[] = L"Nera5120設定ファイル (*.nera)|*.nera||";
const wchar_t kDefaultExtension[] = L"nera";
const wchar_t kOpenFailedMessage[] = L"ファイルが開けませんでした。";
const wchar_t kCarryFilePasswordQuestion[] =
    L"この設定ではパスワードが有効になっています。\n「新しい設定」にパスワードを反映しますか？";

// Longest name or extension part that FileNameFromPath keeps.
constexpr size_t kMaxPathPart = 259;

// A settings file is 130 bytes; a file far larger than that is not overwritten.
constexpr ULONGLONG kLargestOverwrittenFile = 1024 * 1024;

void ReportOpenFailure() {
    AfxMessageBox(kOpenFailedMessage, MB_OK);
}

// Reads a file that is about to be overwritten, whole, so that its bytes can go back. A file
// larger than any settings file by far is not taken on: false with no error set.
bool ReadOldContents(CFile& file, std::vector<uint8_t>& old) {
    ULONGLONG length = 0;
    if (!file.GetLength(length)) {
        return false;
    }
    if (length > kLargestOverwrittenFile) {
        return false;
    }
    old.resize(static_cast<size_t>(length));
    size_t size = 0;
    while (size < old.size()) {
        UINT got = 0;
        if (!file.Read(old.data() + size, static_cast<UINT>(old.size() - size), got)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        size += got;
    }
    old.resize(size);
    return true;
}

// Writes the bytes into the file itself rather than into a new file put in its place, so that
// the file keeps what belongs to it: every hard link, a symbolic link and its target, owner,
// permissions and attributes, and no other file is ever made in its folder. The old contents
// are read first; when any step of the write fails they go back with the old length, so a
// failed save never leaves a short or mixed file. A new file that cannot be written whole is
// removed again. A file that cannot be opened for reading and writing is not touched.
bool WriteFileInPlace(const std::wstring& path, const SettingsFileBytes& bytes) {
    // Windows refuses to open a read-only file for writing, but Wine lets its owner (and root) do
    // it: the attribute is looked at first, for the same refusal everywhere.
    const DWORD attributes = GetFileAttributesW(SystemPathOf(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ReportOpenFailure();
        return false;
    }
    CFile file;
    if (!file.Open(path, CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate |
                             CFile::shareExclusive)) {
        ReportOpenFailure();
        return false;
    }
    std::vector<uint8_t> old;
    if (!ReadOldContents(file, old)) {
        const CFileError error = file.GetError();
        file.Close();
        if (error.m_cause == CFileError::none) {
            ReportOpenFailure();
        } else {
            ReportFileError(error);
        }
        return false;
    }
    if (file.SeekToBegin() && file.Write(bytes.data(), static_cast<UINT>(bytes.size())) &&
        file.SetLength(bytes.size()) && file.Flush() && file.Close()) {
        return true;
    }
    const CFileError error = file.GetError();
    if (file.WasCreated()) {
        file.Close();
        CFile::Remove(path);
    } else if (file.IsOpen()) {
        // Best effort: the first error is the one reported.
        (void)(file.SeekToBegin() && (old.empty() || file.Write(old.data(), static_cast<UINT>(old.size()))) &&
               file.SetLength(old.size()) && file.Flush());
        file.Close();
    }
    ReportFileError(error);
    return false;
}

} // namespace

std::wstring CNeraConfigDlg::FileNameFromPath(const std::wstring& path) {
    const std::wstring name = NameWithoutExtension(path);
    const std::wstring extension = FileNameOfPath(path).substr(name.size());
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
    return WriteFileInPlace(path, SerializeSettingsFile(m_newSettings, flag));
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
    // Read whole before anything changes, so that a read error leaves the editor as it was. The
    // file is held alone while it is read; bytes after the settings file's end are not read.
    std::vector<uint8_t> data;
    DWORD osError = ERROR_SUCCESS;
    switch (ReadWholeFile(path, kSettingsFileSize, kReadExclusive | kReadFirstBytes, data, osError)) {
        case EReadFileResult::kOk:
            break;
        case EReadFileResult::kCannotRead:
            ReportFileError(CFileError::FromOsError(osError, path));
            return false;
        default:
            ReportOpenFailure();
            return false;
    }

    const uint16_t flag = LoadSettingsFileBytes(data.data(), data.size(), m_newSettings);
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
