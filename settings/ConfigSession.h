#pragma once
// NeraConfig's work with a module, without its window: connect and read the settings area,
// take the module's MAC into the editor, write the collected record with its questions, read it
// back, disconnect, and the library's product information. The dialog runs it with its boxes
// and columns as the view, nera with its console, the tests with a recorder; all of them make
// the same device calls in the same order.

#include <cstdint>
#include <string>

#include "common/DeviceApi.h"
#include "settings/NeraSettings.h"

// What the session shows and asks.
class IConfigView {
public:
    virtual ~IConfigView() = default;
    // Yes/No question with the question icon and No as default; true = Yes.
    virtual bool AskYesNo(const std::wstring& question) = 0;
    // An error with an OK button.
    virtual void ShowError(const std::wstring& text) = 0;
    // The current-settings column.
    virtual void ShowCurrentSettings(const NeraSettings& settings) = 0;
    // Connect disabled and disconnect and product information enabled while connected; the
    // reverse when not.
    virtual void ShowConnected(bool connected) = 0;
    // The module's MAC as text for the new column, after a read outside MAC edit mode.
    virtual void TakeDeviceMac(const std::wstring& macText) = 0;
    // Checks the new column and builds the record from it; false after showing why not.
    virtual bool CollectNewSettings(NeraSettings& settings) = 0;
    // The question before a write that changes the module's MAC; true = go on.
    virtual bool AskMacChange(const uint8_t currentMac[kMacSize], const uint8_t newMac[kMacSize]) = 0;
    // The record went to the module; readBack tells whether it came back as written.
    virtual void ShowWritten(bool readBackSame) = 0;
    // The module's record and the one about to replace it, once every rule has passed and before
    // the question about a MAC change (also on a dry run). The dialog shows both columns already.
    virtual void ShowPlan(const NeraSettings& current, const NeraSettings& next) {
        (void)current;
        (void)next;
    }
};

enum class EConnectResult {
    kConnected,
    kAlreadyConnected,
    kOpenFailed, // the library found no module and has shown its own message
    kReadFailed, // connected, but the settings area could not be read
};

enum class EWriteResult {
    kWritten,             // written and read back as written
    kReadBackFailed,      // written; the read-back failed
    kReadBackDiffers,     // written; the read-back differs from what was written
    kFirstDeviceDeclined, // not connected, and writing to the first module found was declined
    kNotConnected,        // not connected, and no module could be opened
    kRefused,             // the new column could not become a record; the view showed why
    kMacChangeDeclined,   // the write would change the module's MAC, and that was declined
    kWriteFailed,         // the module refused the write; the connection is closed
    kDryRun,              // everything checked and asked; nothing written
    kWouldRemovePassword, // the module has a password that the record would remove (SWriteRules)
    kUnusableMac,         // the record's MAC is all 0xFF, all zero or multicast (SWriteRules)
};

// What a write may do beyond what the dialog asks about. The dialog writes what the user
// collected; a script names what it means to change, so nera refuses the rest.
struct SWriteRules {
    bool dryRun = false;
    bool keepModulePassword = false; // refuse to replace a module's password by "no password"
    bool refuseUnusableMac = false;  // refuse to write an all-0xFF, all-zero or multicast MAC
};

// What the open module tells about itself besides its settings.
struct SModuleInfo {
    bool hasCode = false;
    uint32_t code = 0;
    std::wstring version; // firmware version, "N/A" when its record is not valid
    bool hasIdentity = false;
    uint8_t identity[16] = {}; // product identifier, as area 7 holds it
};

struct SWriteOutcome {
    EWriteResult result = EWriteResult::kNotConnected;
    NeraSettings written{};  // the 128 bytes sent (or, on a dry run, that would be sent)
    NeraSettings readBack{}; // what the module returned after the write
};

class CConfigSession {
public:
    CConfigSession(IDeviceApi& device, IConfigView& view);

    // Opens the first module in flash-rewrite mode and reads its settings (ReadDeviceSettings).
    EConnectResult OnConnect();
    // Reads area 6 into m_currentSettings, cleans it up, shows it and offers its MAC; false when
    // the read failed (the record is then what the buffer held, shown all the same).
    bool ReadDeviceSettings();
    void CloseDevice();
    // Connects first when needed (after asking), collects the new column into newSettings, asks
    // before a MAC change, writes area 6, reads it back into m_currentSettings, disconnects.
    SWriteOutcome OnWriteToDevice(NeraSettings& newSettings, const SWriteRules& rules = SWriteRules());
    // Hardware code, firmware version and product identifier of the open module.
    SModuleInfo ReadModuleInfo();
    // The product identifier of the open module (area 7); false when it cannot be read.
    bool ReadIdentity(uint8_t identity[16]);
    // The library's product-information window; a failure closes the connection.
    void OnProductInfo();
    // The library's connection-settings window; needs no connection.
    void OnConnectionSettings();

    uint32_t m_device = 0; // flash-mode handle, 0 = not connected
    NeraSettings m_currentSettings;
    // The area read held no record (erased, or a format word other than 0): m_currentSettings
    // is then the default record that NeraConfig shows in its place.
    bool m_currentErased = false;
    bool m_macEdit = false;
    uint16_t m_defaultServerPort = kDefaultServerPort;

private:
    IDeviceApi& m_api;
    IConfigView& m_view;
};
