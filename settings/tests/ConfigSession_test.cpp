// NeraConfig's session against the simulated module: per operation, the module's set-up and
// the view's answers against the device calls, what the view was shown and the outcome.
#include "settings/ConfigSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

#include "common/HexText.h"
#include "devsim/tests/SimModuleTest.h"
#include "settings/SettingsEditor.h"

namespace {

using nerasim::CFaultyReadDevice;
using nerasim::CModuleIdentity;

const std::string kOpen = "Q5120_NeraFlashModeOpen";
const std::string kRead = "Kivo_FlshReadRWArea";
const std::string kWrite = "Kivo_FlshWriteRWArea";
const std::string kClose = "Q5120_NeraFlashModeClose";
const std::wstring kFirstQuestion = L"ask:最初に見つかったデバイスに対して書込みを行います。続けますか？";
const std::wstring kMacQuestion = L"ask:書込みにより製品のMACアドレスが変更されます。処理を続けますか?";
const std::wstring kModuleMac = L"024E45524101"; // the default module's

// Everything the session showed, in order, and the answers and editor it works with.
class CRecordingView : public IConfigView {
public:
    bool AskYesNo(const std::wstring& question) override {
        m_events.push_back(L"ask:" + question);
        return m_answers.size() > m_asked && m_answers[m_asked++];
    }
    bool AskMacChange(const uint8_t*, const uint8_t*) override { return AskYesNo(kMacChangeQuestion); }
    void ShowError(const std::wstring& text) override { m_events.push_back(L"error:" + text); }
    void ShowCurrentSettings(const NeraSettings&) override { m_events.push_back(L"current"); }
    void ShowConnected(bool connected) override { m_events.push_back(connected ? L"connected" : L"closed"); }
    void TakeDeviceMac(const std::wstring& macText) override {
        m_events.push_back(L"mac:" + macText);
        m_fields.macText = macText;
    }
    bool CollectNewSettings(NeraSettings& settings) override {
        m_events.push_back(L"collect");
        SEditorProblem problem;
        return m_collect && CollectEditorSettings(m_fields, settings, problem);
    }
    void ShowWritten(bool readBackSame) override {
        m_events.push_back(readBackSame ? L"written" : L"written, read-back differs");
    }

    std::vector<std::wstring> m_events;
    std::vector<bool> m_answers; // in question order; then No
    size_t m_asked = 0;
    bool m_collect = true;
    SEditorFields m_fields;
};

class ConfigSessionTest : public nerasim::CSimModuleTest {
protected:
    // A new module "m" with module.txt settings, a fresh call log, view and session.
    void Reset(const std::vector<std::string>& settings, bool erased = false) {
        NewModule(settings, erased);
        m_view = CRecordingView();
        m_session = std::make_unique<CConfigSession>(m_device, m_view);
    }

    CRecordingView m_view;
    std::unique_ptr<CConfigSession> m_session;
};

TEST_F(ConfigSessionTest, Connect) {
    NeraSettings erasedFlags;
    MakeDefaultSettings(erasedFlags, kDefaultServerPort);
    erasedFlags.SetFlags(0xFFFF);
    erasedFlags.SetPort(8000);
    struct SCase {
        const char* name;
        std::vector<std::string> settings;
        bool erased;
        const NeraSettings* area; // stored in area 6 first, or nullptr
        bool macEdit;
        CFaultyReadDevice::EFault fault;
        EConnectResult result;
        std::vector<std::string> calls;
        std::vector<std::wstring> events;
        uint16_t port, flags; // of the current record afterwards
    };
    // clang-format off
    const SCase kCases[] = {
        {"factory record, normal mode: the MAC goes to the editor", {}, false, nullptr, false,
         CFaultyReadDevice::kNone, EConnectResult::kConnected, {kOpen, kRead},
         {L"connected", L"current", L"mac:" + kModuleMac}, kDefaultPort, 0},
        {"MAC edit mode keeps the editor's MAC", {}, false, nullptr, true, CFaultyReadDevice::kNone,
         EConnectResult::kConnected, {kOpen, kRead}, {L"connected", L"current"}, kDefaultPort, 0},
        {"an erased area reads as the default record without a MAC", {}, true, nullptr, false,
         CFaultyReadDevice::kNone, EConnectResult::kConnected, {kOpen, kRead}, {L"connected", L"current"},
         kDefaultPort, 0},
        {"an erased flags word reads as 0, the rest as stored", {}, false, &erasedFlags, false,
         CFaultyReadDevice::kNone, EConnectResult::kConnected, {kOpen, kRead}, {L"connected", L"current"},
         8000, 0},
        {"no module", {"fail_open=1"}, false, nullptr, false, CFaultyReadDevice::kNone,
         EConnectResult::kOpenFailed, {kOpen}, {}, kDefaultPort, 0},
        {"the area read fails: connected, shown as the buffer holds it", {"fail_area_read=1"}, false, nullptr,
         false, CFaultyReadDevice::kNone, EConnectResult::kReadFailed, {kOpen, kRead}, {L"connected", L"current"},
         kDefaultPort, 0},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Reset(c.settings, c.erased);
        if (c.area != nullptr) {
            PutArea6(c.area->bytes);
        }
        m_device.m_fault = c.fault;
        m_device.m_faultyRead = 1;
        m_session->m_macEdit = c.macEdit;
        EXPECT_EQ(m_session->OnConnect(), c.result);
        EXPECT_EQ(Calls(), c.calls);
        EXPECT_EQ(m_view.m_events, c.events);
        EXPECT_EQ(m_session->m_device != 0, c.result != EConnectResult::kOpenFailed);
        EXPECT_EQ(m_session->m_currentSettings.Port(), c.port);
        EXPECT_EQ(m_session->m_currentSettings.Flags(), c.flags);
        if (m_session->m_device != 0) {
            EXPECT_EQ(m_session->OnConnect(), EConnectResult::kAlreadyConnected);
            m_session->CloseDevice();
            EXPECT_EQ(Calls().back(), kClose);
            EXPECT_EQ(m_view.m_events.back(), L"closed");
        }
    }
}

TEST_F(ConfigSessionTest, WriteToDevice) {
    const std::string kFactory = "0000024E45524101"
                                 "00000000"
                                 "FFFFFFFFFFFFFFFF"
                                 "C000"
                                 "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"
                                 "FFFFFFFFFFFF" +
                                 std::string(64, 'F') + "0000" + std::string(64, 'F') + "C400";
    std::string port80 = kFactory;
    port80.replace(2 * kPortOffset, 4, "0050");
    std::string newMac = port80;
    newMac.replace(2 * kMacOffset, 12, "020000000001");
    struct SCase {
        const char* name;
        std::vector<std::string> settings;
        bool connectFirst;
        std::vector<bool> answers;
        bool collect;
        const wchar_t* mac; // typed into the editor after connecting, nullptr = the module's
        bool dryRun;
        CFaultyReadDevice::EFault fault; // on the read-back
        EWriteResult result;
        std::vector<std::string> calls; // after connecting, when connected first
        std::vector<std::wstring> events;
        std::string area; // area 6 afterwards
        bool connectedAfter;
    };
    // clang-format off
    const SCase kCases[] = {
        {"not connected, the question answered No", {}, false, {false}, true, nullptr, false,
         CFaultyReadDevice::kNone, EWriteResult::kFirstDeviceDeclined, {}, {kFirstQuestion}, kFactory, false},
        {"not connected, Yes, but no module", {"fail_open=1"}, false, {true}, true, nullptr, false,
         CFaultyReadDevice::kNone, EWriteResult::kNotConnected, {kOpen}, {kFirstQuestion}, kFactory, false},
        {"not connected, Yes: connect, write, read back, close", {}, false, {true}, true, nullptr, false,
         CFaultyReadDevice::kNone, EWriteResult::kWritten, {kOpen, kRead, kWrite, kRead, kClose},
         {kFirstQuestion, L"connected", L"current", L"mac:" + kModuleMac, L"collect", L"current", L"written",
          L"closed"},
         port80, false},
        {"the editor refuses its fields", {}, true, {}, false, nullptr, false, CFaultyReadDevice::kNone,
         EWriteResult::kRefused, {}, {L"collect"}, kFactory, true},
        {"a new MAC, declined", {}, true, {false}, true, L"020000000001", false, CFaultyReadDevice::kNone,
         EWriteResult::kMacChangeDeclined, {}, {L"collect", kMacQuestion}, kFactory, true},
        {"a new MAC, accepted", {}, true, {true}, true, L"020000000001", false, CFaultyReadDevice::kNone,
         EWriteResult::kWritten, {kWrite, kRead, kClose},
         {L"collect", kMacQuestion, L"current", L"written", L"closed"}, newMac, false},
        {"a dry run with a change writes nothing", {}, true, {}, true, nullptr, true, CFaultyReadDevice::kNone,
         EWriteResult::kDryRun, {}, {L"collect"}, kFactory, true},
        {"the module refuses the write: closed, then the box", {"fail_area_write=1"}, true, {}, true, nullptr,
         false, CFaultyReadDevice::kNone, EWriteResult::kWriteFailed, {kWrite, kClose},
         {L"collect", L"closed", L"error:書込みに失敗しました。"}, kFactory, false},
        {"the read-back fails", {}, true, {}, true, nullptr, false, CFaultyReadDevice::kFails,
         EWriteResult::kReadBackFailed, {kWrite, kRead, kClose},
         {L"collect", L"current", L"written, read-back differs", L"closed"}, port80, false},
        {"the read-back differs in one byte", {}, true, {}, true, nullptr, false, CFaultyReadDevice::kFlipsAByte,
         EWriteResult::kReadBackDiffers, {kWrite, kRead, kClose},
         {L"collect", L"current", L"written, read-back differs", L"closed"}, port80, false},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Reset(c.settings);
        m_view.m_fields.port = 80;
        size_t callsBefore = 0;
        if (c.connectFirst) {
            ASSERT_EQ(m_session->OnConnect(), EConnectResult::kConnected);
            m_view.m_events.clear();
            callsBefore = Calls().size();
        }
        if (c.mac != nullptr) {
            m_view.m_fields.macText = c.mac;
        }
        m_view.m_answers = c.answers;
        m_view.m_collect = c.collect;
        m_device.m_fault = c.fault;
        m_device.m_faultyRead = m_device.m_reads + (c.connectFirst ? 1 : 2);
        NeraSettings newSettings;
        MakeDefaultSettings(newSettings, kDefaultServerPort);
        SWriteRules rules;
        rules.dryRun = c.dryRun;
        const SWriteOutcome outcome = m_session->OnWriteToDevice(newSettings, rules);

        EXPECT_EQ(outcome.result, c.result);
        const std::vector<std::string> calls = Calls();
        EXPECT_EQ(std::vector<std::string>(calls.begin() + static_cast<long>(callsBefore), calls.end()),
                  c.calls);
        EXPECT_EQ(m_view.m_events, c.events);
        EXPECT_EQ(Area6(), c.area);
        EXPECT_EQ(m_session->m_device != 0, c.connectedAfter);
        if (c.result == EWriteResult::kDryRun || c.result == EWriteResult::kWritten) {
            // The record that was (or would have been) sent, with the module's "no password".
            EXPECT_EQ(HexFromBytes(outcome.written.bytes, kNeraSettingsSize),
                      c.area == kFactory ? port80 : c.area);
        }
        if (c.result == EWriteResult::kReadBackDiffers) {
            EXPECT_NE(outcome.readBack, outcome.written);
            EXPECT_EQ(m_session->m_currentSettings, outcome.readBack); // shown as it came back
        }
        m_session->CloseDevice();
    }
}

// The rules a script writes under: nothing is written when the record would remove the module's
// password or give it a MAC that cannot be used, unless the rule is off (as in the dialog).
TEST_F(ConfigSessionTest, WriteRulesRefuseBeforeWriting) {
    struct SCase {
        const char* name;
        bool erased;
        bool modulePassword;
        const wchar_t* mac; // typed into the editor after connecting, nullptr = the module's
        const wchar_t* password;
        bool keepPassword, refuseMac;
        EWriteResult result;
    };
    const SCase kCases[] = {
        {"the module's password would go", false, true, nullptr, L"", true, false,
         EWriteResult::kWouldRemovePassword},
        {"without the rule it goes", false, true, nullptr, L"", false, false, EWriteResult::kWritten},
        {"a new password replaces it", false, true, nullptr, L"new", true, false, EWriteResult::kWritten},
        {"a module without password", false, false, nullptr, L"", true, false, EWriteResult::kWritten},
        {"an erased module would get FF:FF:FF:FF:FF:FF", true, false, nullptr, L"", false, true,
         EWriteResult::kUnusableMac},
        {"a multicast MAC", false, false, L"030000000001", L"", false, true, EWriteResult::kUnusableMac},
        {"an erased module, MAC rule off", true, false, nullptr, L"", false, false, EWriteResult::kWritten},
    };
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Reset({}, c.erased);
        if (c.modulePassword) {
            NeraSettings record;
            MakeDefaultSettings(record, kDefaultServerPort);
            const uint8_t mac[kMacSize] = {0x02, 0x4E, 0x45, 0x52, 0x41, 0x01};
            std::memcpy(record.Mac(), mac, kMacSize);
            const Sha256Digest digest = ComputePasswordDigest(L"module");
            std::memcpy(record.PasswordDigest(), digest.data(), kPasswordDigestSize);
            PutArea6(record.bytes);
        }
        const std::string before = Area6();
        ASSERT_NE(m_session->OnConnect(), EConnectResult::kOpenFailed);
        if (c.mac != nullptr) {
            m_view.m_fields.macText = c.mac;
        }
        m_view.m_fields.password = c.password;
        m_view.m_answers = {true};
        SWriteRules rules;
        rules.keepModulePassword = c.keepPassword;
        rules.refuseUnusableMac = c.refuseMac;
        NeraSettings newSettings;
        MakeDefaultSettings(newSettings, kDefaultServerPort);
        EXPECT_EQ(m_session->OnWriteToDevice(newSettings, rules).result, c.result);
        const std::vector<std::string> calls = Calls();
        const bool wrote = std::find(calls.begin(), calls.end(), kWrite) != calls.end();
        EXPECT_EQ(wrote, c.result == EWriteResult::kWritten);
        if (!wrote) {
            EXPECT_EQ(Area6(), before);
        }
        m_session->CloseDevice();
    }
}

TEST_F(ConfigSessionTest, ProductInformationAndConnectionWindow) {
    struct SCase {
        const char* name;
        std::vector<std::string> settings;
        bool connect;
        std::vector<std::string> calls; // after connecting
        std::vector<std::wstring> events;
        bool connectedAfter;
    };
    // clang-format off
    const SCase kCases[] = {
        {"not connected: nothing", {}, false, {}, {}, false},
        {"shown", {}, true, {"Q5120_ShowProductInfo"}, {}, true},
        {"a failure closes, then the box", {"fail_product_info=always"}, true, {"Q5120_ShowProductInfo", kClose},
         {L"closed", L"error:通信エラーが発生しました。"}, false},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Reset(c.settings);
        if (c.connect) {
            ASSERT_EQ(m_session->OnConnect(), EConnectResult::kConnected);
            m_view.m_events.clear();
        }
        const size_t before = Calls().size();
        m_session->OnProductInfo();
        const std::vector<std::string> calls = Calls();
        EXPECT_EQ(std::vector<std::string>(calls.begin() + static_cast<long>(before), calls.end()), c.calls);
        EXPECT_EQ(m_view.m_events, c.events);
        EXPECT_EQ(m_session->m_device != 0, c.connectedAfter);
        m_session->CloseDevice();
    }
    Reset({});
    m_session->OnConnectionSettings();
    EXPECT_EQ(Calls(), std::vector<std::string>{"Q5120_OptionDlg2"});
}

TEST_F(ConfigSessionTest, ModuleInformation) {
    struct SCase {
        const char* name;
        std::vector<std::string> settings;
        bool hasCode, hasIdentity;
        const wchar_t* version;
    };
    const SCase kCases[] = {
        {"all read", {}, true, true, L"5.6.0"},
        {"no hardware code", {"fail_hw_version=1"}, false, true, L"5.6.0"},
        {"the identity area fails", {"fail_area_read=2"}, true, false, L"5.6.0"},
    };
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Reset(c.settings);
        m_session->OnConnect();
        const SModuleInfo info = m_session->ReadModuleInfo();
        EXPECT_EQ(info.hasCode, c.hasCode);
        if (c.hasCode) {
            EXPECT_EQ(info.code, nerasim::kDefaultHwCode);
        }
        EXPECT_EQ(info.version, c.version);
        EXPECT_EQ(info.hasIdentity, c.hasIdentity);
        if (c.hasIdentity) {
            EXPECT_EQ(HexFromBytes(info.identity, 16), HexFromBytes(CModuleIdentity::Default().m_uuid, 16));
        }
        m_session->CloseDevice();
    }
}

} // namespace
