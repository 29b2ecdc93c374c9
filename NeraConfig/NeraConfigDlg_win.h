#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/DllDeviceApi_win.h"
#include "framework/Dialog_win.h"
#include "settings/ConfigSession.h"
#include "settings/NeraSettings.h"
#include "settings/SettingsEditor.h"

class CDataExchange;

// The only window of NeraConfig: the settings a module holds (left column, read only) beside
// the settings being prepared for it (right column, the editor). It owns the editor's state, the
// session with the module (which holds the module's record), the current settings file and the
// modified mark, and routes every command of its buttons and menu to the handlers below. To the
// session it is the view: its boxes and its two columns.
class CNeraConfigDlg : public CDialog, private IConfigView {
public:
    explicit CNeraConfigDlg(HWND parent = nullptr);
    ~CNeraConfigDlg() override;

    // Record <-> columns.
    void ShowCurrentSettings(const NeraSettings& settings) override;
    void ShowNewSettings(const NeraSettings& settings);
    // Validates the editor and builds the record from it; false after showing why not.
    bool CollectNewSettings(NeraSettings& settings) override;

    // Editor state.
    void MarkModified();
    void ResetPasswordField();
    void ShowPasswordDigest(const uint8_t digest[kPasswordDigestSize]);
    void ApplyDhcpChoice(bool dhcpOn);
    void ApplyDnsChoice();

    // Editor commands.
    void OnNewSettings();
    void OnReadIntoEditor();

    // Module access, through the session.
    void OnConnect() { m_session.OnConnect(); }
    void CloseDevice() { m_session.CloseDevice(); }
    void OnDisconnect() { CloseDevice(); }
    void OnWriteToDevice();
    void OnProductInfo() { m_session.OnProductInfo(); }
    void OnConnectionSettings() { m_session.OnConnectionSettings(); }

    // Settings files.
    bool WriteSettingsFile(const std::wstring& path);
    void OnSaveFile();
    void OnSaveFileAs();
    void OnOpenFile();
    bool OpenStartupFile(const std::wstring& path);
    static std::wstring FileNameFromPath(const std::wstring& path);

    // Help and about dialogs, each modal.
    void OnAbout();
    void OnConfigHelp();
    void OnFlashmodeHelp();

    bool PreTranslateMessage(MSG* msg) override;

    // Set from the command line before the window exists.
    std::wstring m_startupFile;
    int32_t m_macEdit = 0;
    std::wstring m_title;
    int32_t m_defaultServerPort = kDefaultServerPort;

    NeraSettings m_newSettings;
    int m_modified = 0;
    std::wstring m_fileName;
    std::wstring m_filePath;

    // The new column: the exchanged fields, the address fields, whether the password field holds
    // a carried-over digest, and the addresses its boxes remember.
    SEditorState m_editor;

    // The module: m_session.m_device is the handle (0 = none), m_session.m_currentSettings the
    // record last read from it.
    CDllDeviceApi m_deviceApi;
    CConfigSession m_session;

    HICON m_icon = nullptr;
    HACCEL m_accel = nullptr;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnUpdateCommand(CCmdUI& cmdUI) override;
    bool OnSysCommand(UINT command, LPARAM lParam) override;
    void OnDestroy() override;

private:
    // The server port that default records carry: the low 16 bits of the command-line value.
    uint16_t DefaultServerPort() const;
    // Reads a settings file into the editor; fileName is the name shown in the title.
    bool LoadSettingsFile(const std::wstring& path, const std::wstring& fileName);
    // Title after a successful open or save: base, " - ", file name; clears the mark.
    void ShowFileTitle();
    // The question before edits are thrown away; true when the user agreed.
    bool AskDiscardEdits();

    uint32_t GetAddress(int id) const;
    void SetAddress(int id, uint32_t address);
    void ClearAddress(int id);
    // The new column's four address fields <-> m_editor, with their enabled states. Shown after a
    // load, every field shows its value; after a switch (before = the fields before it), only a
    // field that the switch emptied or changed is written, so a field it left alone keeps its text.
    void ReadEditorAddresses();
    void ShowEditorAddresses(const SEditorFields* before);

    // The view of the session.
    bool AskYesNo(const std::wstring& question) override;
    bool AskMacChange(const uint8_t currentMac[kMacSize], const uint8_t newMac[kMacSize]) override;
    void ShowError(const std::wstring& text) override;
    void ShowConnected(bool connected) override;
    void TakeDeviceMac(const std::wstring& macText) override;
    void ShowWritten(bool readBackSame) override;
};
