#pragma once
// Shared pieces of the in-process dialog tests: a real main dialog created modeless and
// driven by messages, scripted message boxes and file dialogs, temporary folders, a private
// simulated-module store, and a closer for the modal dialogs that commands open.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/testing/ScriptedUi_win.h"
#include "framework/WinApp_win.h"
#include "NeraConfig/NeraConfigDlg_win.h"

// Message box types as the framework records them (its default icons applied).
constexpr UINT kOkBox = MB_OK | MB_ICONEXCLAMATION;
constexpr UINT kQuestionNoDefault = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
constexpr UINT kQuestion = MB_YESNO | MB_ICONQUESTION;
constexpr UINT kInformation = MB_ICONINFORMATION;

// Bytes of a hex text; blanks are ignored.
std::vector<uint8_t> HexBytes(const std::string& hex);
// A record from 256 hex digits (blanks ignored).
NeraSettings RecordFromHex(const std::string& hex);
std::string ToHex(const uint8_t* data, size_t size);
inline std::string ToHex(const NeraSettings& record) {
    return ToHex(record.bytes, kNeraSettingsSize);
}
NeraSettings DefaultRecord(uint16_t serverPort = kDefaultServerPort);

std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::wstring& path);
// Names of the files in a folder.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// A new empty folder under the temporary folder, removed with its contents at the end.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }
    // Names of the files in the folder.
    std::vector<std::wstring> Files() const;

private:
    std::wstring m_path;
};

// A simulated-module store of its own with one module. While the object lives, the
// environment points the device libraries of this process at it and at a call log.
class CSimModule {
public:
    explicit CSimModule(bool erasedSettings = false);
    ~CSimModule();
    CSimModule(const CSimModule&) = delete;
    CSimModule& operator=(const CSimModule&) = delete;

    bool WriteSettings(const NeraSettings& record);
    NeraSettings ReadSettings() const;
    // One key of the module's fault settings (see the simulator's module.txt keys).
    bool SetConfig(const char* key, const char* value);
    // The log lines with handle numbers replaced by "H", so that they compare across tests.
    std::vector<std::string> Log() const;
    // Only the function names of the log lines.
    std::vector<std::string> Calls() const;
    void ClearLog();

    static const uint8_t kMac[kMacSize];

private:
    CTempFolder m_folder;
    std::string m_store;
    std::string m_log;
};

// Answers the modal dialogs that the code under test opens on this thread: each is recorded
// (caption and the texts of its controls in order) and closed with the given command.
class CModalCloser {
public:
    explicit CModalCloser(UINT closeCommand = IDCANCEL);
    ~CModalCloser();
    CModalCloser(const CModalCloser&) = delete;
    CModalCloser& operator=(const CModalCloser&) = delete;

    struct SSeen {
        std::wstring caption;
        std::vector<std::wstring> texts;
    };
    std::vector<SSeen> m_seen;
    HWND m_ignore = nullptr; // the main dialog

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    UINT m_command;
    UINT_PTR m_timer = 0;
};

// Caption and control texts of a dialog window, children in creation order.
std::vector<std::wstring> ChildTexts(HWND dialog);
std::wstring WindowText(HWND window);

// A main dialog under test. The fixture makes one fresh dialog per test (and more on demand);
// message boxes and file dialogs are answered by m_ui.
class CNeraConfigDialogTest : public ::testing::Test {
public:
    CNeraConfigDialogTest();
    ~CNeraConfigDialogTest() override;

    // Creates the window of a dialog whose command-line members the test may have set.
    CNeraConfigDlg& Create(std::unique_ptr<CNeraConfigDlg> dialog = nullptr);
    CNeraConfigDlg& Dlg() { return *m_dlg; }
    HWND Item(int id) const;

    // Input as the user makes it.
    void Command(int id);     // menu item or accelerator
    void Click(int id);       // push button
    void ToggleCheck(int id); // check box: state flips, then the click notification
    void TypeChar(int id, wchar_t c);
    void SetText(int id, const std::wstring& text); // replaces the text (with its change note)
    void SetIp(int id, uint32_t address);           // address, then the field-change note
    void FieldChanged(int id);

    // What the dialog shows.
    std::wstring Text(int id) const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    bool ReadOnly(int id) const;
    uint32_t Ip(int id) const;
    bool IpBlank(int id) const;
    std::wstring Title() const;

    // Collects the editor into a record that starts as sentinel bytes; ok tells the result.
    NeraSettings Collect(bool& ok);

    CScriptedUi m_ui;
    std::unique_ptr<CNeraConfigDlg> m_dlg;
    CTempFolder m_files;
};
