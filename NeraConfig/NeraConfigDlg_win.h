#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "Dialog_win.h"
#include "NeraSettings.h"

class CDataExchange;

// The only window of NeraConfig: the settings a module holds (left column, read only) beside
// the settings being prepared for it (right column, the editor). It owns both records, the
// connection to the module, the current settings file and the modified mark, and routes every
// command of its buttons and menu to the handlers below.
class CNeraConfigDlg : public CDialog {
public:
    explicit CNeraConfigDlg(HWND parent = nullptr);
    ~CNeraConfigDlg() override;

    // Addresses typed into the new column before a box emptied them, kept for the whole process
    // so that unticking the box brings them back. 0 means nothing remembered.
    struct SRememberedAddresses {
        uint32_t ipAddress = 0;
        uint32_t subnetMask = 0;
        uint32_t gateway = 0;
        uint32_t dnsServer = 0;
    };
    static SRememberedAddresses& RememberedAddresses();

    // Record <-> columns.
    void ShowCurrentSettings(const NeraSettings& settings);
    void ShowNewSettings(const NeraSettings& settings);
    // Validates the editor and builds the record from it; false after showing why not.
    bool CollectNewSettings(NeraSettings& settings);

    // Editor state.
    void MarkModified();
    void ResetPasswordField();
    void ShowPasswordDigest(const uint8_t digest[kPasswordDigestSize]);
    void ApplyDhcpChoice(bool dhcpOn);
    void ApplyDnsChoice();

    // Editor commands.
    void OnNewSettings();
    void OnReadIntoEditor();

    // Module access through the device libraries.
    void OnConnect();
    void ReadDeviceSettings();
    void CloseDevice();
    void OnDisconnect() { CloseDevice(); }
    void OnWriteToDevice();
    void OnProductInfo();
    void OnConnectionSettings();

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

    uint32_t m_device = 0;
    NeraSettings m_newSettings;
    NeraSettings m_currentSettings;
    int m_modified = 0;
    std::wstring m_fileName;
    std::wstring m_filePath;

    // Exchanged with the new column.
    unsigned int m_port = kDefaultPort;
    std::wstring m_ntpServer;
    std::wstring m_macText;
    std::wstring m_server;
    int m_dhcp = 1;
    int m_dnsAuto = 1;
    int m_clientMode = 0;
    unsigned int m_serverPort = kDefaultServerPort;

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
};
