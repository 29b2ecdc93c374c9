#include "NeraConfig/tests/dialog_harness_win.h"

#include <commctrl.h>

#include <cstring>

#include "common/HexText.h"
#include "common/Utf8Text.h"
#include "devsim/SimStore.h"
#include "NeraConfig/resource.h"

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring path = folder + L"\\" + name;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

constexpr char kModuleName[] = "module1";

} // namespace

std::vector<uint8_t> HexBytes(const std::string& hex) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(BytesFromHexText(hex, bytes)) << "not a hex text: " << hex;
    return bytes;
}

NeraSettings RecordFromHex(const std::string& hex) {
    NeraSettings record;
    std::memset(record.bytes, 0xEE, kNeraSettingsSize);
    std::vector<uint8_t> bytes = HexBytes(hex);
    EXPECT_EQ(bytes.size(), kNeraSettingsSize) << "record text of the wrong length";
    std::memcpy(record.bytes, bytes.data(),
                bytes.size() < kNeraSettingsSize ? bytes.size() : kNeraSettingsSize);
    return record;
}

std::string ToHex(const uint8_t* data, size_t size) {
    return HexFromBytes(data, size);
}

NeraSettings DefaultRecord(uint16_t serverPort) {
    NeraSettings record;
    MakeDefaultSettings(record, serverPort);
    return record;
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    uint8_t buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok =
        bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

CTempFolder::CTempFolder() {
    static unsigned counter = 0;
    std::wstring base(GetTempPathW(0, nullptr), L'\0');
    base.resize(GetTempPathW(static_cast<DWORD>(base.size()), &base[0]));
    if (!base.empty() && base.back() == L'\\') {
        base.pop_back();
    }
    for (;;) {
        m_path = base + L"\\nctest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(m_path.c_str(), nullptr)) {
            break;
        }
    }
}

CTempFolder::~CTempFolder() {
    RemoveTree(m_path);
}

std::vector<std::wstring> CTempFolder::Files() const {
    return FilesIn(m_path);
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                names.push_back(data.cFileName);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return names;
}

const uint8_t CSimModule::kMac[kMacSize] = {0x00, 0x80, 0x4C, 0x12, 0x34, 0x56};

CSimModule::CSimModule(bool erasedSettings) {
    m_store = Utf8FromWide(m_folder.File(L"store"));
    m_log = Utf8FromWide(m_folder.File(L"calls.log"));
    SetEnvironmentVariableW(L"NERA_SIM_STORE", m_folder.File(L"store").c_str());
    SetEnvironmentVariableW(L"NERA_SIM_LOG", m_folder.File(L"calls.log").c_str());
    SetEnvironmentVariableW(L"NERA_SIM_SETTINGS", m_folder.File(L"sim-settings.txt").c_str());
    nerasim::CModuleIdentity identity = nerasim::CModuleIdentity::Default();
    std::memcpy(identity.m_mac, kMac, kMacSize);
    identity.m_erasedSettings = erasedSettings;
    std::string error;
    EXPECT_TRUE(nerasim::CSimStore(m_store).CreateModule(kModuleName, identity, error)) << error;
}

CSimModule::~CSimModule() {
    SetEnvironmentVariableW(L"NERA_SIM_STORE", nullptr);
    SetEnvironmentVariableW(L"NERA_SIM_LOG", nullptr);
    SetEnvironmentVariableW(L"NERA_SIM_SETTINGS", nullptr);
}

bool CSimModule::WriteSettings(const NeraSettings& record) {
    nerasim::CSimStore store(m_store);
    nerasim::CStoreLock lock(store);
    return lock.IsLocked() && store.WriteArea(kModuleName, kSettingsArea, record.bytes);
}

NeraSettings CSimModule::ReadSettings() const {
    NeraSettings record;
    std::memset(record.bytes, 0xEE, kNeraSettingsSize);
    nerasim::CSimStore store(m_store);
    nerasim::CStoreLock lock(store);
    EXPECT_TRUE(lock.IsLocked() && store.ReadArea(kModuleName, kSettingsArea, record.bytes));
    return record;
}

bool CSimModule::SetConfig(const char* key, const char* value) {
    nerasim::CSimStore store(m_store);
    nerasim::CStoreLock lock(store);
    nerasim::CModuleConfig config;
    std::string error;
    return lock.IsLocked() && store.LoadConfig(kModuleName, config, error) &&
           config.SetValue(key, value, error) && store.SaveConfig(kModuleName, config);
}

std::vector<std::string> CSimModule::Log() const {
    std::vector<uint8_t> bytes = ReadFileBytes(m_folder.File(L"calls.log"));
    std::string text(bytes.begin(), bytes.end());
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        // Handles differ from test to test: "h=12" and the result of an open become "H".
        size_t at = line.find(" h=");
        if (at != std::string::npos) {
            size_t digits = at + 3;
            size_t stop = line.find(' ', digits);
            line.replace(digits, (stop == std::string::npos ? line.size() : stop) - digits, "H");
        }
        if (line.compare(0, 23, "Q5120_NeraFlashModeOpen") == 0) {
            size_t arrow = line.rfind("-> ");
            if (arrow != std::string::npos && line.substr(arrow + 3) != "0") {
                line = line.substr(0, arrow + 3) + "H";
            }
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> CSimModule::Calls() const {
    std::vector<std::string> calls;
    for (const std::string& line : Log()) {
        calls.push_back(line.substr(0, line.find(' ')));
    }
    return calls;
}

void CSimModule::ClearLog() {
    DeleteFileW(m_folder.File(L"calls.log").c_str());
}

namespace {
CModalCloser* g_closer = nullptr;

struct SFindDialog {
    HWND ignore;
    HWND found;
};

BOOL CALLBACK FindModal(HWND window, LPARAM context) {
    auto* find = reinterpret_cast<SFindDialog*>(context);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (window != find->ignore && IsWindowVisible(window) && std::wstring(className) == L"#32770") {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int got = GetWindowTextW(window, &text[0], static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

std::vector<std::wstring> ChildTexts(HWND dialog) {
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        texts.push_back(WindowText(child));
    }
    return texts;
}

CModalCloser::CModalCloser(UINT closeCommand) : m_command(closeCommand) {
    g_closer = this;
    m_timer = SetTimer(nullptr, 0, 50, &CModalCloser::OnTimer);
}

CModalCloser::~CModalCloser() {
    KillTimer(nullptr, m_timer);
    g_closer = nullptr;
}

void CALLBACK CModalCloser::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_closer == nullptr) {
        return;
    }
    SFindDialog find = {g_closer->m_ignore, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindModal, reinterpret_cast<LPARAM>(&find));
    if (find.found == nullptr) {
        return;
    }
    g_closer->m_seen.push_back({WindowText(find.found), ChildTexts(find.found)});
    PostMessageW(find.found, WM_COMMAND, MAKEWPARAM(g_closer->m_command, BN_CLICKED), 0);
}

CNeraConfigDialogTest::CNeraConfigDialogTest() = default;

CNeraConfigDialogTest::~CNeraConfigDialogTest() {
    m_dlg.reset();
}

CNeraConfigDlg& CNeraConfigDialogTest::Create(std::unique_ptr<CNeraConfigDlg> dialog) {
    m_dlg = dialog != nullptr ? std::move(dialog) : std::make_unique<CNeraConfigDlg>();
    EXPECT_TRUE(m_dlg->Create());
    ShowWindow(m_dlg->GetSafeHwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(m_dlg->GetSafeHwnd());
    return *m_dlg;
}

HWND CNeraConfigDialogTest::Item(int id) const {
    return GetDlgItem(m_dlg->GetSafeHwnd(), id);
}

void CNeraConfigDialogTest::Command(int id) {
    SendMessageW(m_dlg->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void CNeraConfigDialogTest::Click(int id) {
    SendMessageW(m_dlg->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(id)));
}

void CNeraConfigDialogTest::ToggleCheck(int id) {
    HWND box = Item(id);
    LRESULT state = SendMessageW(box, BM_GETCHECK, 0, 0);
    SendMessageW(box, BM_SETCHECK, state == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    Click(id);
}

void CNeraConfigDialogTest::TypeChar(int id, wchar_t c) {
    SendMessageW(Item(id), WM_CHAR, static_cast<WPARAM>(c), 1);
}

void CNeraConfigDialogTest::SetText(int id, const std::wstring& text) {
    SetWindowTextW(Item(id), text.c_str());
}

void CNeraConfigDialogTest::SetIp(int id, uint32_t address) {
    SendMessageW(Item(id), IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
    FieldChanged(id);
}

void CNeraConfigDialogTest::FieldChanged(int id) {
    NMIPADDRESS note = {};
    note.hdr.hwndFrom = Item(id);
    note.hdr.idFrom = static_cast<UINT_PTR>(id);
    note.hdr.code = IPN_FIELDCHANGED;
    note.iField = 3;
    note.iValue = 1;
    SendMessageW(m_dlg->GetSafeHwnd(), WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&note));
}

std::wstring CNeraConfigDialogTest::Text(int id) const {
    return WindowText(Item(id));
}

bool CNeraConfigDialogTest::Enabled(int id) const {
    return IsWindowEnabled(Item(id)) != FALSE;
}

bool CNeraConfigDialogTest::Checked(int id) const {
    return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool CNeraConfigDialogTest::ReadOnly(int id) const {
    return (GetWindowLongPtrW(Item(id), GWL_STYLE) & ES_READONLY) != 0;
}

uint32_t CNeraConfigDialogTest::Ip(int id) const {
    DWORD address = 0;
    SendMessageW(Item(id), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return static_cast<uint32_t>(address);
}

bool CNeraConfigDialogTest::IpBlank(int id) const {
    return SendMessageW(Item(id), IPM_ISBLANK, 0, 0) != 0;
}

std::wstring CNeraConfigDialogTest::Title() const {
    return m_dlg->GetWindowText();
}

NeraSettings CNeraConfigDialogTest::Collect(bool& ok) {
    NeraSettings record;
    MakeDefaultSettings(record, kDefaultServerPort);
    ok = m_dlg->CollectNewSettings(record);
    return record;
}
