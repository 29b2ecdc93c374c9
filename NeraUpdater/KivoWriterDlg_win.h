#pragma once
#include <windows.h>

#include <string>

#include "common/DllDeviceApi_win.h"
#include "firmware/UpdaterSequence.h"
#include "framework/Dialog_win.h"

// The updater's only window. It loads the firmware package carried by its own executable,
// shows what the module holds and what will be written, and runs connect, disconnect and the
// write through the portable session, which reports back through this window's log, fields,
// buttons and message boxes.
class CKivoWriterDlg : public CDialog, public IUpdaterView {
public:
    explicit CKivoWriterDlg(HWND parent = nullptr);
    ~CKivoWriterDlg() override;

    // Appends printf-style text to the log; without a format it empties the log instead.
    // Only literals of the program are formats: outside text goes in as a %s argument.
    void AppendLog(const wchar_t* format = nullptr, ...);
    // Error box with the stop icon, then "\r\n### " and the text in the log.
    void ShowError(const wchar_t* title, const wchar_t* format, ...);

    // Reads, checks and deciphers the package at the end of the running executable, shows its
    // version and keeps the image; false after an error box.
    bool LoadFirmwarePackage();
    // The same from a given file, so that tests can load a package other than their own.
    bool LoadFirmwarePackageFrom(const std::wstring& path);

    void OnConnect() { m_session.OnConnect(); }
    void OnDisconnect() { m_session.OnDisconnect(); }
    void OnConnectionSettings();

    // IUpdaterView
    void AppendLogText(const std::wstring& text) override;
    void ClearLog() override;
    void ShowErrorBox(const std::wstring& title, const std::wstring& text) override;
    bool AskYesNo(const std::wstring& text) override;
    void SetHardwareInfo(const std::wstring& text) override;
    void SetCurrentVersion(const std::wstring& text) override;
    void SetConnectButtons(bool connected) override;

    std::wstring m_strProduct; // "-PRODUCT:" value; "Nera5120" when empty
    std::wstring m_strUuid;    // "-UUID:" value, upper-cased; empty = no identity check
    // Where the package is read from; empty = the running executable.
    std::wstring m_strPackagePath;
    HICON m_hIcon;
    CDllDeviceApi m_deviceApi;
    CUpdaterSession m_session;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnSysCommand(UINT command, LPARAM lParam) override;
    void OnDestroy() override;
};

// The platform's conversion of an identifier text into its 16-byte form.
bool UuidFromText(const std::wstring& text, uint8_t uuid[16]);
