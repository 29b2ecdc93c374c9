#include "NeraUpdater/KivoWriterDlg_win.h"

#include <rpc.h>

#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <vector>

#include "firmware/FirmwarePackage.h"
#include "framework/AboutDlg_win.h"
#include "framework/File_win.h"
#include "framework/MessageBox_win.h"
#include "framework/WinApp_win.h"
#include "NeraUpdater/resource.h"

namespace {
const wchar_t kDefaultProduct[] = L"Nera5120";
const wchar_t kTemplateProduct[] = L"Kivo5120";

// The package's bytes straight from an open file, which other programs may read and write
// meanwhile.
class CFilePackageSource : public IPackageSource {
public:
    explicit CFilePackageSource(HANDLE file) : m_file(file) {}

    uint64_t Length() const override {
        LARGE_INTEGER size = {};
        if (!GetFileSizeEx(m_file, &size) || size.QuadPart < 0) {
            return 0;
        }
        return static_cast<uint64_t>(size.QuadPart);
    }

    bool ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
        LARGE_INTEGER position = {};
        position.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(m_file, position, nullptr, FILE_BEGIN)) {
            return false;
        }
        while (length > 0) {
            DWORD chunk = length > 0x100000 ? 0x100000 : static_cast<DWORD>(length);
            DWORD read = 0;
            if (!ReadFile(m_file, out, chunk, &read, nullptr) || read == 0) {
                return false;
            }
            out += read;
            length -= read;
        }
        return true;
    }

private:
    HANDLE m_file;
};

// printf-style text of a format that is a literal of this program.
std::wstring FormatText(const wchar_t* format, va_list args) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int length = vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (length >= 0 && static_cast<size_t>(length) < buffer.size()) {
            return std::wstring(buffer.data(), static_cast<size_t>(length));
        }
        if (buffer.size() >= 0x100000) {
            return std::wstring();
        }
        buffer.resize(buffer.size() * 4);
    }
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    for (size_t pos = text.find(from); pos != std::wstring::npos; pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
}
} // namespace

bool UuidFromText(const std::wstring& text, uint8_t uuid[16]) {
    std::wstring copy = text;
    UUID value = {};
    if (UuidFromStringW(reinterpret_cast<RPC_WSTR>(&copy[0]), &value) != RPC_S_OK) {
        return false;
    }
    // In memory the platform's form is the 16-byte form: three little-endian fields, then 8 bytes.
    static_assert(sizeof(value) == 16, "UUID is 16 bytes");
    std::memcpy(uuid, &value, 16);
    return true;
}

CKivoWriterDlg::CKivoWriterDlg(HWND parent)
    : CDialog(IDD_KIVOWRITER_DIALOG, parent),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_session(m_deviceApi, *this, UuidFromText) {}

CKivoWriterDlg::~CKivoWriterDlg() = default;

bool CKivoWriterDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendAboutMenuItem(IDS_ABOUTBOX);
    SetDialogIcon(m_hIcon);
    EnableDlgItem(IDOK, true);
    ShowWindow(GetDlgItem(IDC_CONNECTION_SETTINGS), SW_SHOW);

    if (m_strProduct.empty()) {
        m_strProduct = kDefaultProduct;
    }
    SetWindowText(m_strProduct + L" Firmware Updater");
    std::wstring caption = GetDlgItemText(IDC_PRODUCT_GROUP);
    ReplaceAll(caption, kTemplateProduct, m_strProduct);
    SetDlgItemText(IDC_PRODUCT_GROUP, caption);

    m_session.m_strUuid = m_strUuid;
    if (!LoadFirmwarePackage()) {
        OnCancel();
    }
    return true;
}

bool CKivoWriterDlg::OnCommand(UINT id, UINT code, HWND control) {
    switch (id) {
        case IDC_CONNECT:
            OnConnect();
            return true;
        case IDC_DISCONNECT:
            OnDisconnect();
            return true;
        case IDC_CONNECTION_SETTINGS:
            OnConnectionSettings();
            return true;
        default:
            return CDialog::OnCommand(id, code, control);
    }
}

// The write button, and Enter as the default button: the whole write sequence.
void CKivoWriterDlg::OnOK() {
    m_session.OnOK();
}

bool CKivoWriterDlg::OnSysCommand(UINT command, LPARAM) {
    if (!IsAboutCommand(command)) {
        return false;
    }
    CAboutDlg about(IDD_ABOUTBOX, IDC_ABOUT_VERSION);
    about.DoModal();
    return true;
}

void CKivoWriterDlg::OnDestroy() {
    std::vector<uint8_t>().swap(m_session.m_image);
}

void CKivoWriterDlg::OnConnectionSettings() {
    m_deviceApi.OptionDlg2();
}

bool CKivoWriterDlg::LoadFirmwarePackage() {
    return LoadFirmwarePackageFrom(m_strPackagePath.empty() ? AfxGetModulePath() : m_strPackagePath);
}

bool CKivoWriterDlg::LoadFirmwarePackageFrom(const std::wstring& path) {
    EPackageError error = EPackageError::kCannotOpen;
    SFirmwareImage image;
    HANDLE file = path.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileW(SystemPathOf(path).c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CFilePackageSource source(file);
        error = ReadFirmwarePackage(source, image);
        CloseHandle(file);
    }
    if (error != EPackageError::kNone) {
        ShowError(L"実行エラー", L"%ls", PackageErrorText(error));
        return false;
    }
    SetDlgItemText(IDC_NEW_VERSION, image.m_version);
    m_session.m_image = std::move(image.m_data);
    return true;
}

void CKivoWriterDlg::AppendLog(const wchar_t* format, ...) {
    if (format == nullptr) {
        ClearLog();
        return;
    }
    va_list args;
    va_start(args, format);
    std::wstring text = FormatText(format, args);
    va_end(args);
    AppendLogText(text);
}

void CKivoWriterDlg::ShowError(const wchar_t* title, const wchar_t* format, ...) {
    if (title == nullptr || format == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::wstring text = FormatText(format, args);
    va_end(args);
    ::ShowError(*this, title, text);
}

void CKivoWriterDlg::AppendLogText(const std::wstring& text) {
    HWND log = GetDlgItem(IDC_LOG);
    ::SendMessageW(log, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    ::SendMessageW(log, EM_SCROLLCARET, 0, 0);
    ::SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void CKivoWriterDlg::ClearLog() {
    SetDlgItemText(IDC_LOG, std::wstring());
    // The sequence that follows keeps the window busy, so the empty log is drawn now.
    RedrawWindow(GetDlgItem(IDC_LOG), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CKivoWriterDlg::ShowErrorBox(const std::wstring& title, const std::wstring& text) {
    AfxMessageBox(text, title, MB_OK | MB_ICONSTOP);
}

bool CKivoWriterDlg::AskYesNo(const std::wstring& text) {
    return AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void CKivoWriterDlg::SetHardwareInfo(const std::wstring& text) {
    SetDlgItemText(IDC_HARDWARE_INFO, text);
}

void CKivoWriterDlg::SetCurrentVersion(const std::wstring& text) {
    SetDlgItemText(IDC_CURRENT_VERSION, text);
}

void CKivoWriterDlg::SetConnectButtons(bool connected) {
    EnableDlgItem(IDC_CONNECT, !connected);
    EnableDlgItem(IDC_DISCONNECT, connected);
}
