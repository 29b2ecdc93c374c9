#pragma once
// The updater's connect, identity check, erase, program and verify steps, over the device
// calls and the window's reporting, so that the program and native tests run the same code.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/DeviceApi.h"
#include "common/ModuleInfo.h"
#include "common/UuidText.h"

// What the sequence shows its user: the updater dialog in the program, a recorder in tests.
class IUpdaterView {
public:
    virtual ~IUpdaterView() = default;
    // Appends text to the end of the log as it stands; no line break is added.
    virtual void AppendLogText(const std::wstring& text) = 0;
    // Empties the log and repaints it at once.
    virtual void ClearLog() = 0;
    // Modal box with the stop icon and an OK button.
    virtual void ShowErrorBox(const std::wstring& title, const std::wstring& text) = 0;
    // Yes/No question with the question icon and No as default; true = Yes.
    virtual bool AskYesNo(const std::wstring& text) = 0;
    virtual void SetHardwareInfo(const std::wstring& text) = 0;   // field 1003
    virtual void SetCurrentVersion(const std::wstring& text) = 0; // field 1002
    // Connect button enabled and disconnect disabled when not connected, the reverse when connected.
    virtual void SetConnectButtons(bool connected) = 0;
    // How far the verification is: units verified of units to verify, from 0 of total on. The
    // dialog shows no progress; a console draws a bar.
    virtual void ShowProgress(size_t verified, size_t total) {
        (void)verified;
        (void)total;
    }
    // Asked between the steps of a write (after the erase, after programming): true ends the
    // write there. The dialog never stops; a console stops after Ctrl+C.
    virtual bool StopRequested() { return false; }
};

// What a connect or a write came to. The session has shown its boxes and log lines already;
// the outcome tells a caller that has no window (nera, tests) what happened.
enum class EUpdateResult {
    kConnected, // OnConnect: the module is open and passed the checks; nothing written
    kWritten,   // OnOK: erased, programmed and verified
    kDeclined,  // the question before writing to the first module found was answered No
    kRefused,   // the module's identifier differs from the one asked for, or could not be read
    kFailed,    // no module could be opened, the echo test failed, or the verify found a difference
    kStopped,   // the view asked to stop between two steps; the firmware is incomplete
};

// The last step a write finished before it stopped.
enum class EUpdateStep { kNone, kErased, kProgrammed };

struct SUpdateOutcome {
    EUpdateResult result = EUpdateResult::kFailed;
    std::wstring reason; // the error text shown for kRefused and kFailed; empty otherwise
    EUpdateStep stoppedAfter = EUpdateStep::kNone; // for kStopped
};

// Error box, then "\r\n### " and the text in the log.
void ShowError(IUpdaterView& view, const std::wstring& title, const std::wstring& text);

// Text form of a product identifier into its 16-byte form (first three fields least
// significant byte first); false when the text is not a well-formed identifier. The portable
// one is ParseUuidText of UuidText.h.
using UuidParser = bool (*)(const std::wstring& text, uint8_t uuid[16]);

// The two start-up options of the updater's command line.
struct SUpdaterOptions {
    std::wstring m_strUuid;    // "-UUID:" value, upper-cased; empty = no identity check
    std::wstring m_strProduct; // "-PRODUCT:" value as written; empty = the default product
};

// Reads "-UUID:" and "-PRODUCT:" from the raw command line by the shared option rule: names in
// any case, anywhere, first occurrence only. Nothing is ever refused.
SUpdaterOptions ParseUpdaterOptions(const std::wstring& cmdLine);

// One updater window's connection to a module and the image it writes.
class CUpdaterSession {
public:
    CUpdaterSession(IDeviceApi& device, IUpdaterView& view, UuidParser parseUuid);

    SUpdateOutcome OnConnect();
    void OnDisconnect();
    // The write: question when not connected, connect, stamp, erase, program, verify, disconnect.
    SUpdateOutcome OnOK();
    // The two halves of OnOK for a caller that connects and asks itself: the log's header, and
    // the write into the connected module.
    void StartLog();
    SUpdateOutcome WriteImage();
    bool CheckProductId();
    // The connected module's product identifier (area 7); false when it cannot be read.
    bool ReadIdentity(uint8_t identity[16]);

    uint32_t m_hDevice = 0;
    uint32_t m_dwHwCode = 0xFFFFFFFFu;
    uint32_t m_dwProductFamily = 0x40000000u;
    std::wstring m_strUuid;       // upper-cased value of "-UUID:"; empty = no identity check
    std::vector<uint8_t> m_image; // deciphered image; its size is the image size (m_nImageSize)

private:
    // Ends a write that the view stopped after step.
    SUpdateOutcome Stopped(EUpdateStep step);

    IDeviceApi& m_device;
    IUpdaterView& m_view;
    UuidParser m_parseUuid;
};
