// Exported functions of Q5120Common.dll: flash-mode open and close (served by Kivo5120.dll,
// which owns the handles) and the library's two dialogs.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/Q5120Common.h"
#include "common/Utf8Text.h"
#include "common/Utf8Text_win.h"
#include "devsim/KivoSimBridge.h"
#include "devsim/NoThrow.h"
#include "devsim/Q5120CommonRes.h"
#include "devsim/SimBytes.h"
#include "devsim/SimEngine.h"
#include "devsim/SimLog.h"
#include "devsim/SimStore.h"

using namespace nerasim;

namespace {

// A dialog could not be created.
constexpr int kSimWindowError = 9;
// How long the connection-settings dialog waits for a program that holds the store's lock.
constexpr uint32_t kDialogLockWaitMs = 2000;

HINSTANCE g_instance = nullptr;

std::wstring LoadText(UINT id) {
    const wchar_t* text = nullptr;
    int length = LoadStringW(g_instance, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthW(item);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(item, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void SetItemText(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

void SetItemText(HWND dialog, int id, const std::string& utf8) {
    SetItemText(dialog, id, WideFromUtf8(utf8));
}

// The product-information window: read-only fields filled from data fetched before it opens.
class CProductInfoDialog {
public:
    CProductInfoDialog(const SProductInfo& info, std::string store)
        : m_info(info), m_store(std::move(store)) {}

    INT_PTR Run(HWND owner) {
        return DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_PRODUCT_INFO), owner, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        return NoThrow(static_cast<INT_PTR>(FALSE),
                       [&] { return HandleMessage(dialog, message, wParam, lParam); });
    }

    static INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            reinterpret_cast<CProductInfoDialog*>(lParam)->OnInitDialog(dialog);
            return TRUE;
        }
        if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }

    void OnInitDialog(HWND dialog) {
        SetItemText(dialog, IDC_PI_PRODUCT, std::string(m_info.product));
        SetItemText(dialog, IDC_PI_HWCODE, FormatHex32(m_info.hwCode));
        std::string version = FormatVersionRecord(m_info.versionRecord);
        SetItemText(dialog, IDC_PI_FIRMWARE, version.empty() ? std::string("N/A") : version);
        std::string mac = SettingsMacText(m_info.settings);
        if (mac.empty())
            SetItemText(dialog, IDC_PI_MAC, LoadText(IDS_NOT_SET));
        else
            SetItemText(dialog, IDC_PI_MAC, mac);
        bool uuidErased =
            std::all_of(m_info.identity, m_info.identity + 16, [](uint8_t b) { return b == 0xFF; });
        if (uuidErased)
            SetItemText(dialog, IDC_PI_UUID, LoadText(IDS_NOT_SET));
        else
            SetItemText(dialog, IDC_PI_UUID, FormatUuid(m_info.identity));
        UINT password = IDS_NOT_SET;
        if (SettingsPasswordState(m_info.settings) == EPasswordState::kNone)
            password = IDS_PASSWORD_NONE;
        else if (SettingsPasswordState(m_info.settings) == EPasswordState::kSet)
            password = IDS_PASSWORD_SET;
        SetItemText(dialog, IDC_PI_PASSWORD, LoadText(password));
        SetItemText(dialog, IDC_PI_MODULE, std::string(m_info.module) + " (" + m_store + ")");
    }

    const SProductInfo& m_info;
    const std::string m_store;
};

// The store folder of a handle, "" for an unknown one.
std::string StoreFolder(uint32_t handle) {
    std::vector<char> buffer(KivoSim_GetStoreFolder(handle, nullptr, 0));
    if (buffer.empty() ||
        KivoSim_GetStoreFolder(handle, buffer.data(), static_cast<uint32_t>(buffer.size())) != buffer.size())
        return std::string();
    return std::string(buffer.data());
}

// The connection-settings dialog: which store folder the library uses (kept in the
// library's settings file) and which of its modules open calls find first (kept in the store).
class COptionsDialog {
public:
    INT_PTR Run(HWND owner) {
        return DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_OPTIONS), owner, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    }

private:
    struct SEntry {
        std::string m_name;
        std::string m_label;
    };

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        return NoThrow(static_cast<INT_PTR>(FALSE),
                       [&] { return HandleMessage(dialog, message, wParam, lParam); });
    }

    static INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            reinterpret_cast<COptionsDialog*>(lParam)->OnInitDialog(dialog);
            return TRUE;
        }
        auto* self = reinterpret_cast<COptionsDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (self == nullptr || message != WM_COMMAND)
            return FALSE;
        switch (LOWORD(wParam)) {
            case IDOK:
                self->OnOK();
                return TRUE;
            case IDCANCEL:
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            case IDC_OPT_RELOAD:
                self->OnReload();
                return TRUE;
            case IDC_OPT_DEFAULT:
                self->OnDefaultFolder();
                return TRUE;
            case IDC_OPT_MAKE_FIRST:
                self->OnMakeFirst();
                return TRUE;
            case IDC_OPT_CREATE:
                self->OnCreateModule();
                return TRUE;
            default:
                return FALSE;
        }
    }

    void OnInitDialog(HWND dialog) {
        m_dialog = dialog;
        EStoreSource source = EStoreSource::kDefault;
        std::string folder = CSimSettings::ResolveStoreFolder(&source);
        m_savedFolder = CSimSettings::LoadStoreFolder();
        m_environmentFixed = source == EStoreSource::kEnvironment;
        // First use: a new user sees the default module that the first open would make.
        CSimStore(folder).EnsureWithDefaultModule(kDialogLockWaitMs);
        SetItemText(dialog, IDC_OPT_FOLDER, folder);
        UINT sourceText = IDS_SOURCE_DEFAULT;
        if (m_environmentFixed)
            sourceText = IDS_SOURCE_ENVIRONMENT;
        else if (source == EStoreSource::kSettings)
            sourceText = IDS_SOURCE_SETTINGS;
        SetItemText(dialog, IDC_OPT_SOURCE, LoadText(sourceText));
        if (m_environmentFixed) {
            SendDlgItemMessageW(dialog, IDC_OPT_FOLDER, EM_SETREADONLY, TRUE, 0);
            EnableWindow(GetDlgItem(dialog, IDC_OPT_RELOAD), FALSE);
            EnableWindow(GetDlgItem(dialog, IDC_OPT_DEFAULT), FALSE);
        }
        LoadModules(folder);
    }

    // Reads the module list of a folder; a first module chosen earlier stays in front.
    void LoadModules(const std::string& folder) {
        if (folder != m_listedFolder)
            m_first.clear();
        m_listedFolder = folder;
        m_entries.clear();
        m_storeMissing = !FsIsDirectory(folder);
        m_storeBusy = false;
        m_found.clear();
        if (!m_storeMissing) {
            CSimStore store(folder);
            CStoreLock lock(store, kDialogLockWaitMs);
            m_storeBusy = lock.TimedOut();
            std::vector<std::string> names;
            if (lock.IsLocked() && store.ListModules(names)) {
                // On a simulated line with nothing plugged in, open calls find none of them.
                store.FindOpenModule(m_found);
                for (const std::string& name : names) {
                    CModuleConfig config;
                    std::string error;
                    std::string label = name;
                    if (store.LoadConfig(name, config, error))
                        label += "  " + config.m_product + " / " + FormatHex32(config.m_hwCode);
                    m_entries.push_back({name, label});
                }
            }
        }
        auto first = std::find_if(m_entries.begin(), m_entries.end(),
                                  [this](const SEntry& entry) { return entry.m_name == m_first; });
        if (first != m_entries.end())
            std::rotate(m_entries.begin(), first, first + 1);
        FillList();
    }

    void FillList() {
        HWND list = GetDlgItem(m_dialog, IDC_OPT_MODULES);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        if (m_storeMissing || m_storeBusy) {
            std::wstring text = LoadText(m_storeMissing ? IDS_NO_STORE : IDS_STORE_BUSY);
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            return;
        }
        for (size_t i = 0; i < m_entries.size(); ++i) {
            std::wstring label = WideFromUtf8(m_entries[i].m_label);
            if (i == 0 && (!m_first.empty() || m_entries[0].m_name == m_found))
                label += LoadText(IDS_FIRST_MARK);
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        }
    }

    void OnReload() {
        LoadModules(Utf8FromWide(ItemText(m_dialog, IDC_OPT_FOLDER)));
        SetItemText(m_dialog, IDC_OPT_SOURCE, LoadText(IDS_SOURCE_EDITED));
    }

    void OnDefaultFolder() {
        SetItemText(m_dialog, IDC_OPT_FOLDER, FsDefaultStoreFolder());
        OnReload();
    }

    void OnMakeFirst() {
        LRESULT selected = SendDlgItemMessageW(m_dialog, IDC_OPT_MODULES, LB_GETCURSEL, 0, 0);
        if (m_storeMissing || selected == LB_ERR || static_cast<size_t>(selected) >= m_entries.size())
            return;
        auto chosen = m_entries.begin() + selected;
        m_first = chosen->m_name;
        std::rotate(m_entries.begin(), chosen, chosen + 1);
        FillList();
        SendDlgItemMessageW(m_dialog, IDC_OPT_MODULES, LB_SETCURSEL, 0, 0);
    }

    void OnCreateModule() {
        CSimStore store(m_listedFolder);
        std::string error;
        bool created = false;
        for (unsigned number = 1; number < 1000 && !created; ++number) {
            std::string name = "module" + std::to_string(number);
            bool taken = std::any_of(m_entries.begin(), m_entries.end(),
                                     [&name](const SEntry& entry) { return entry.m_name == name; });
            if (taken || FsIsDirectory(store.ModuleFolder(name)))
                continue;
            CModuleIdentity identity = CModuleIdentity::Default();
            identity.m_mac[5] = static_cast<uint8_t>(number);
            created = store.CreateModule(name, identity, error);
            break;
        }
        if (!created)
            ShowMessage(IDS_CREATE_FAILED);
        LoadModules(m_listedFolder);
    }

    void OnOK() {
        if (!m_environmentFixed) {
            std::string folder = Utf8FromWide(ItemText(m_dialog, IDC_OPT_FOLDER));
            // The default folder is not written down, so that it follows the user profile.
            std::string kept = folder == FsDefaultStoreFolder() ? std::string() : folder;
            if (kept != m_savedFolder && !CSimSettings::SaveStoreFolder(kept)) {
                ShowMessage(IDS_SAVE_FAILED);
                return;
            }
        }
        if (!m_first.empty() && !CSimStore(m_listedFolder).SetFirstModule(m_first)) {
            ShowMessage(IDS_SAVE_FAILED);
            return;
        }
        EndDialog(m_dialog, IDOK);
    }

    void ShowMessage(UINT text) {
        std::wstring caption(256, L'\0');
        caption.resize(static_cast<size_t>(GetWindowTextW(m_dialog, &caption[0], 256)));
        MessageBoxW(m_dialog, LoadText(text).c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
    }

    HWND m_dialog = nullptr;
    bool m_environmentFixed = false;
    bool m_storeMissing = false;
    bool m_storeBusy = false; // another program kept the store's lock
    std::string m_savedFolder;
    std::string m_listedFolder;
    std::string m_first;
    std::string m_found; // the module open calls find, "" when none
    std::vector<SEntry> m_entries;
};

} // namespace

extern "C" {

uint32_t KIVO_API Q5120_NeraFlashModeOpen(uint32_t reserved) {
    return KivoSim_NeraFlashModeOpen(reserved);
}

int KIVO_API Q5120_NeraFlashModeClose(uint32_t handle, uint32_t reserved) {
    return KivoSim_NeraFlashModeClose(handle, reserved);
}

uint32_t KIVO_API Q5120_FlashModeOpen(uint32_t productFamily, uint32_t reserved) {
    return KivoSim_FlashModeOpen(productFamily, reserved);
}

int KIVO_API Q5120_FlashModeClose(uint32_t handle, uint32_t reserved) {
    return KivoSim_FlashModeClose(handle, reserved);
}

int KIVO_API Q5120_ShowProductInfo(uint32_t handle) {
    return NoThrow(kSimInternalError, [&] {
        SProductInfo info;
        int result = KivoSim_GetProductInfo(handle, &info);
        if (result == kSimOk && CProductInfoDialog(info, StoreFolder(handle)).Run(GetActiveWindow()) == -1)
            result = kSimWindowError;
        AppendCallLog(CLogLine("Q5120_ShowProductInfo").Dec("h", handle).Result(result));
        return result;
    });
}

int KIVO_API Q5120_OptionDlg2(void) {
    return NoThrow(kSimInternalError, [&] {
        COptionsDialog dialog;
        int result = dialog.Run(GetActiveWindow()) == -1 ? kSimWindowError : kSimOk;
        AppendCallLog(CLogLine("Q5120_OptionDlg2").Result(result));
        return result;
    });
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // The dialogs load their templates and texts from this library, not from the program.
    if (reason == DLL_PROCESS_ATTACH)
        g_instance = instance;
    return TRUE;
}

} // extern "C"
