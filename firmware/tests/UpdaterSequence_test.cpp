// The updater's connect, write and verify paths against the simulated module, checked by
// the window's record (log, boxes, questions, fields, buttons) and the module's call log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio> // std::remove

#include "common/ByteOrder.h"
#include "common/FlashLayout.h"
#include "devsim/NeraSimTool.h"
#include "devsim/SimBytes.h"
#include "devsim/SimDeviceApi.h"
#include "devsim/SimEngine.h"
#include "devsim/SimLog.h"
#include "devsim/SimStore.h"
#include "devsim/tests/TestStore.h"
#include "firmware/UpdaterSequence.h"

namespace {

using namespace nerasim;

const std::wstring kHeader = L"---------- Q5120 Firmware Updater ----------\r\n\r\n";
const std::wstring kStopped = L"\r\n### 実行を停止しました。";
const std::wstring kModuleUuid = L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38"; // the default module's
constexpr uint32_t kImageSize = 0x8400;                                   // last three units 0xFF
constexpr uint32_t kModuleCode = 0x40010203;

// What the sequence showed. Boxes and questions note how many device calls preceded them.
class CRecordingView : public IUpdaterView {
public:
    struct SBox {
        std::wstring title, text;
        size_t callsBefore;
    };
    explicit CRecordingView(std::string callLog) : m_callLog(std::move(callLog)) {}

    void AppendLogText(const std::wstring& text) override { m_log += text; }
    void ClearLog() override { m_log.clear(); }
    void ShowErrorBox(const std::wstring& title, const std::wstring& text) override {
        m_boxes.push_back({title, text, ReadLines(m_callLog).size()});
    }
    bool AskYesNo(const std::wstring& text) override {
        m_questions.push_back(text);
        return m_questions.size() <= m_answers.size() && m_answers[m_questions.size() - 1];
    }
    void SetHardwareInfo(const std::wstring& text) override { m_hardware.push_back(text); }
    void SetCurrentVersion(const std::wstring& text) override { m_version.push_back(text); }
    void SetConnectButtons(bool connected) override { m_buttons.push_back(connected); }
    void ShowProgress(size_t verified, size_t total) override { m_progress.push_back({verified, total}); }

    std::string m_callLog;
    std::wstring m_log;
    std::vector<SBox> m_boxes;
    std::vector<std::wstring> m_questions, m_hardware, m_version;
    std::vector<bool> m_answers, m_buttons; // answers in question order; then No
    std::vector<std::pair<size_t, size_t>> m_progress;
};

// Flash 0x0000-0x0FFF and 0x8000 onwards of a made-up image; bytes 0x1000-0x7FFF must never
// reach the module. The version record says 5.7.1 and carries no hardware code yet.
std::vector<uint8_t> MakeImage(uint32_t size, uint32_t firstWord) {
    std::vector<uint8_t> image(size, 0xFF);
    for (uint32_t i = 0; i < size && i < 0x8000; ++i)
        image[i] = i < 0x1000 ? static_cast<uint8_t>(i * 7 + 1) : 0x5A;
    for (uint32_t i = 0x8000; i + 3 * 128 < size; ++i)
        image[i] = static_cast<uint8_t>(i * 13);
    if (size > 0x8000) {
        StoreBE32(&image[0x8000], firstWord);
        StoreBE32(&image[0x8004], 0);
        const uint8_t version[4] = {0, 5, 7, 1};
        std::copy(version, version + 4, image.begin() + 0x8008);
    }
    return image;
}

// A store with one module in a temporary folder, its call log, and a session over it.
class UpdaterSequenceTest : public ::testing::Test {
protected:
    UpdaterSequenceTest()
        : m_storeEnv(kStoreEnvironment, m_temp.Folder()), m_logEnv(kLogEnvironment, m_temp.File("calls.log")),
          m_store(m_temp.Folder()), m_view(m_temp.File("calls.log")),
          m_session(m_api, m_view, ParseUuidText) {
        m_openBefore = CSimEngine::Instance().OpenHandleCount();
    }

    // A new module "m" (factory flash, code kModuleCode), an empty call log and a new record.
    void Reset() {
        std::remove(m_view.m_callLog.c_str());
        m_view = CRecordingView(m_view.m_callLog);
        m_store.RemoveModule("m");
        CModuleIdentity identity = CModuleIdentity::Default();
        identity.m_hwCode = kModuleCode;
        std::string error;
        ASSERT_TRUE(m_store.CreateModule("m", identity, error)) << error;
    }

    // The call log with every handle written as H.
    std::vector<std::string> Calls() {
        std::vector<std::string> lines = ReadLines(m_view.m_callLog);
        for (std::string& line : lines) {
            size_t at = line.find(" h=");
            if (at != std::string::npos)
                line.replace(at + 3, line.find(' ', at + 3) - at - 3, "H");
            if (line.rfind("Q5120_FlashModeOpen", 0) == 0 && line.compare(line.size() - 5, 5, " -> 0") != 0)
                line.replace(line.rfind(' ') + 1, std::string::npos, "H");
        }
        return lines;
    }
    // Changes module settings as the nerasim tool does.
    void Set(const std::vector<std::string>& settings) {
        if (settings.empty())
            return;
        std::vector<std::string> args = {"--store", m_temp.Folder(), "set", "m"};
        args.insert(args.end(), settings.begin(), settings.end());
        std::string out, err;
        ASSERT_EQ(RunNeraSimTool(args, out, err), kToolOk) << err;
    }
    std::vector<uint8_t> Flash(uint32_t address, uint32_t length) {
        CStoreLock lock(m_store);
        std::vector<uint8_t> data(length);
        EXPECT_TRUE(m_store.ReadFlash("m", address, data.data(), length));
        return data;
    }
    static std::vector<std::string> ConnectCalls(bool identity, int hwResult) {
        std::vector<std::string> calls = {"Q5120_FlashModeOpen family=0x40000000 reserved=0 -> H"};
        if (identity)
            calls.push_back("Kivo_FlshReadRWArea h=H area=7 -> 0");
        calls.insert(calls.end(),
                     {"Kivo_SetTimeouts h=H read=1000 write=1000 -> 0", "Kivo_FlshEchoTest h=H -> 0",
                      "Kivo_SetTimeouts h=H read=5000 write=5000 -> 0",
                      "Kivo_FlshReadHwVersion h=H -> " + std::to_string(hwResult),
                      "Kivo_FlshRead h=H addr=0x00008000 -> 0"});
        return calls;
    }

    CTempStore m_temp;
    CScopedEnv m_storeEnv, m_logEnv;
    CSimStore m_store;
    CSimDeviceApi m_api;
    CRecordingView m_view;
    CUpdaterSession m_session;
    size_t m_openBefore = 0;
};

// Writes from the disconnected state, answered Yes, then a second write answered No. The
// verification stops at the first unit that differs or cannot be read: disconnect, then the box.
TEST_F(UpdaterSequenceTest, Write) {
    constexpr uint32_t kAll = 0xFFFFFFFF; // verification reads every unit
    struct SCase {
        const char* name;
        std::wstring uuid;
        const char* setting; // module setting, or nullptr
        uint32_t size, firstWord;
        std::vector<uint8_t> stamp; // image bytes 0x8004-0x8007 afterwards, empty = none
        const wchar_t *hardware, *versionAfter;
        uint32_t stopAt; // address of the unit that fails verification
        int stopResult;  // result of the read there
    };
    // clang-format off
    const SCase kCases[] = {
        {"plain", L"", nullptr, kImageSize, 0, {0x40, 0x01, 0x02, 0x03}, L"Nera5120", L"5.7.1", kAll, 0},
        {"identity", kModuleUuid, nullptr, kImageSize, 0, {0x40, 0x01, 0x02, 0x03}, L"Nera5120", L"5.7.1", kAll, 0},
        {"no hardware code", L"", "fail_hw_version=1", kImageSize, 0, {0xFF, 0xFF, 0xFF, 0xFF}, L"N/A", L"5.7.1",
         kAll, 0},
        {"record not valid", L"", nullptr, kImageSize, 0x100, {0, 0, 0, 0}, L"Nera5120", L"N/A", kAll, 0},
        {"image of 0x8000", L"", nullptr, 0x8000, 0, {}, L"Nera5120", L"5.6.0", kAll, 0},
        {"bad byte in the first unit", L"", "bad_byte=0x5", kImageSize, 0, {0x40, 0x01, 0x02, 0x03}, L"Nera5120",
         L"5.6.0", 0, 0},
        // The unit before holds 0xFF as well: a buffer left from it would compare equal.
        {"read fails in the padding", L"", "fail_read_addr=0x8305", kImageSize, 0, {0x40, 0x01, 0x02, 0x03},
         L"Nera5120", L"5.6.0", 0x8300, kSimDeviceFault},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Reset();
        if (c.setting)
            Set({c.setting});
        const std::vector<uint8_t> monitor = Flash(0x1000, 0x7000);
        m_session.m_strUuid = c.uuid;
        m_session.m_image = MakeImage(c.size, c.firstWord);
        std::vector<uint8_t> expected = m_session.m_image;
        if (!c.stamp.empty())
            std::copy(c.stamp.begin(), c.stamp.end(), expected.begin() + 0x8004);
        m_view.m_answers = {true, false};
        const SUpdateOutcome outcome = m_session.OnOK();

        const bool stops = c.stopAt != kAll, small = c.size == 0x8000;
        EXPECT_EQ(outcome.result, stops ? EUpdateResult::kFailed : EUpdateResult::kWritten);
        EXPECT_EQ(outcome.reason, stops ? L"フラッシュに正しく書き込みができませんでした。" : L"");
        // Progress counts verified units, from 0, up to the unit that failed.
        const size_t units = VerifyUnitCount(c.size);
        ASSERT_FALSE(m_view.m_progress.empty());
        EXPECT_EQ(m_view.m_progress.front(), std::make_pair(size_t{0}, units));
        EXPECT_EQ(m_view.m_progress.back().first,
                  stops ? (c.stopAt < 0x8000 ? c.stopAt / 128 : 32 + (c.stopAt - 0x8000) / 128) : units);
        // The module's code has a name: "N/A" means its read failed.
        std::vector<std::string> calls =
            ConnectCalls(!c.uuid.empty(), std::wstring(c.hardware) == L"N/A" ? kSimDeviceFault : 0);
        // Only the boot block and the 64 KiB blocks are erased, never the monitor's.
        calls.insert(
            calls.end(),
            {"Kivo_FlshGetEraseBlk len=" + FormatHex32(c.size) + " -> " +
                 (small ? "0x000000FF" : "0x000001FF"),
             std::string("Kivo_FlshErase h=H blocks=") + (small ? "0x00000001" : "0x00000101") + " -> 0",
             "Kivo_FlshWrite h=H addr=0x00000000 len=0x00001000 crc=" +
                 FormatHex32(Crc32(expected.data(), 0x1000)) + " -> 0",
             "Kivo_FlshWrite h=H addr=0x00008000 len=" + FormatHex32(c.size - 0x8000) +
                 " crc=" + FormatHex32(Crc32(expected.data() + 0x8000, c.size - 0x8000)) + " -> 0"});
        for (uint32_t a = 0; a < c.size && a <= c.stopAt; a = a == 0xF80 ? 0x8000 : a + 128)
            calls.push_back("Kivo_FlshRead h=H addr=" + FormatHex32(a) + " -> " +
                            std::to_string(a == c.stopAt ? c.stopResult : 0));
        if (!stops)
            calls.push_back("Kivo_FlshRead h=H addr=0x00008000 -> 0");
        calls.push_back("Q5120_FlashModeClose h=H reserved=0 -> 0");
        EXPECT_EQ(Calls(), calls);
        EXPECT_EQ(m_view.m_log,
                  kHeader +
                      L"デバイスと接続中...完了\r\n...フラッシュメモリを消去しました。\r\n"
                      L"...フラッシュメモリにバイナリデータを書き込みました。\r\n" +
                      (stops ? L"切断しました。\r\n\r\n### フラッシュに正しく書き込みができませんでした。" +
                                   kStopped
                             : L"...フラッシュメモリのベリファイが完了しました。\r\n切断しました。\r\n"
                               L"\r\n...正常に終了しました。\r\n"));
        ASSERT_EQ(m_view.m_boxes.size(), stops ? 1u : 0u);
        if (stops) {
            EXPECT_EQ(m_view.m_boxes[0].title, L"ベリファイエラー");
            EXPECT_EQ(m_view.m_boxes[0].callsBefore, calls.size());
        }
        // The module holds the image in the written ranges, its monitor is untouched.
        EXPECT_EQ(m_session.m_image, expected);
        EXPECT_EQ(Flash(0, 0x1000), std::vector<uint8_t>(expected.begin(), expected.begin() + 0x1000));
        EXPECT_EQ(Flash(0x1000, 0x7000), monitor);
        if (!small) {
            EXPECT_EQ(Flash(0x8000, c.size - 0x8000),
                      std::vector<uint8_t>(expected.begin() + 0x8000, expected.end()));
        }
        EXPECT_EQ(m_view.m_hardware, std::vector<std::wstring>{c.hardware});
        EXPECT_EQ(m_view.m_version.back(), c.versionAfter);
        EXPECT_EQ(m_view.m_buttons, (std::vector<bool>{true, false}));
        EXPECT_EQ(m_session.m_hDevice, 0u);

        // Disconnected again: the question comes back; No leaves only the header.
        EXPECT_EQ(m_session.OnOK().result, EUpdateResult::kDeclined);
        EXPECT_EQ(m_view.m_log, kHeader);
        EXPECT_EQ(
            m_view.m_questions,
            std::vector<std::wstring>(2, L"最初に見つかったデバイスに対して書込みを行います。続けますか？"));
        EXPECT_EQ(Calls(), calls);
    }
}

// Connects that stop, and the one that needs the second echo test.
TEST_F(UpdaterSequenceTest, Connect) {
    const std::string kOpen = "Q5120_FlashModeOpen family=0x40000000 reserved=0 -> H";
    const std::string kArea = "Kivo_FlshReadRWArea h=H area=7 -> ";
    const std::string kFirst = "Kivo_SetTimeouts h=H read=1000 write=1000 -> 0";
    const std::string kEcho = "Kivo_FlshEchoTest h=H -> ";
    const std::string kClose = "Kivo_Close h=H -> 0";
    const std::wstring kZeros = L"00000000-0000-0000-0000-000000000000";
    const std::wstring kMismatch =
        L"\r\n### 製品情報が一致しませんでした。番号を書き換えるデバイス以外は取り外してください。" +
        kStopped;
    struct SCase {
        const char* name;
        std::vector<std::string> settings;
        std::wstring uuid, logTail;
        const wchar_t* boxTitle; // nullptr: no box
        std::vector<std::string> calls;
        size_t boxAfterCalls;
        EUpdateResult result;
    };
    // clang-format off
    const SCase kCases[] = {
        {"open fails", {"fail_open=1"}, L"", L"\r\n### デバイスとの接続ができません。" + kStopped, nullptr,
         {"Q5120_FlashModeOpen family=0x40000000 reserved=0 -> 0"}, 0, EUpdateResult::kFailed},
        {"echo fails once", {"fail_echo=1"}, L"", L"\r\n接続処理継続中...完了\r\n", nullptr,
         {kOpen, kFirst, kEcho + "4", kEcho + "0", "Kivo_SetTimeouts h=H read=5000 write=5000 -> 0",
          "Kivo_FlshReadHwVersion h=H -> 0", "Kivo_FlshRead h=H addr=0x00008000 -> 0"}, 0, EUpdateResult::kConnected},
        {"echo fails twice", {"fail_echo=2"}, L"",
         L"\r\n接続処理継続中...\r\n### デバイスとの通信ができません。" + kStopped, L"通信エラー",
         {kOpen, kFirst, kEcho + "4", kEcho + "4", kClose}, 5, EUpdateResult::kFailed},
        {"other identity", {}, L"00112233-4455-6677-8899-AABBCCDDEEFF", kMismatch, L"接続エラー",
         {kOpen, kArea + "0", kClose}, 2, EUpdateResult::kRefused},
        {"identity differs in its last byte", {}, L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A39", kMismatch,
         L"接続エラー", {kOpen, kArea + "0", kClose}, 2, EUpdateResult::kRefused},
        // Neither an identifier that does not parse nor an area that was not read may match.
        {"malformed identity", {"uuid=00000000-0000-0000-0000-000000000000"}, L"{" + kZeros + L"}", kMismatch,
         L"接続エラー", {kOpen, kArea + "0", kClose}, 2, EUpdateResult::kRefused},
        {"area read fails", {"fail_area_read=1"}, kZeros, kMismatch,
         L"接続エラー", {kOpen, kArea + "4", kClose}, 2, EUpdateResult::kRefused},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Reset();
        Set(c.settings);
        m_session.m_strUuid = c.uuid;
        EXPECT_EQ(m_session.OnConnect().result, c.result);

        bool connected = c.boxTitle == nullptr && c.calls.size() > 1;
        EXPECT_EQ(m_view.m_log, L"デバイスと接続中..." + c.logTail);
        EXPECT_EQ(Calls(), c.calls);
        EXPECT_EQ(m_session.m_hDevice != 0, connected);
        EXPECT_EQ(m_view.m_buttons, connected ? std::vector<bool>{true} : std::vector<bool>{});
        ASSERT_EQ(m_view.m_boxes.size(), c.boxTitle ? 1u : 0u);
        if (c.boxTitle) {
            EXPECT_EQ(m_view.m_boxes[0].title, c.boxTitle);
            EXPECT_NE(m_view.m_log.find(L"\r\n### " + m_view.m_boxes[0].text + kStopped), std::wstring::npos);
            EXPECT_EQ(m_view.m_boxes[0].callsBefore, c.boxAfterCalls);
        }
        m_session.OnDisconnect();
        EXPECT_EQ(CSimEngine::Instance().OpenHandleCount(), m_openBefore);
    }
}

TEST(UpdaterSequence, StartUpOptions) {
    struct SCase {
        const wchar_t* cmdLine;
        const wchar_t* uuid;
        const wchar_t* product;
    };
    const SCase kCases[] = {
        {L"", L"", L""},
        {L"-UUID:a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38 -PRODUCT:Tesk-I4861",
         L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38", L"Tesk-I4861"},
        {L"-PRODUCT:Tesk-I4861 -UUID:a4d29e6b", L"A4D29E6B", L"Tesk-I4861"},
        {L"-product:abc", L"", L"abc"},
        {L"-uuid:not-a-uuid", L"NOT-A-UUID", L""},
        {L"x -PRODUCT:", L"", L""},
        {L"-PRODUCT:\"My Tools\"", L"", L"My"},
        {L"-PRODUCT:\"Plant3\"", L"", L"Plant3"},
        {L"-PRODUCT:first -PRODUCT:second", L"", L"first"},
        {L"C:\\tools\\NeraUpdater.exe-product:Kivo5120", L"", L"Kivo5120"},
    };
    for (const SCase& c : kCases) {
        const SUpdaterOptions options = ParseUpdaterOptions(c.cmdLine);
        EXPECT_EQ(options.m_strUuid, c.uuid) << testing::PrintToString(std::wstring(c.cmdLine));
        EXPECT_EQ(options.m_strProduct, c.product) << testing::PrintToString(std::wstring(c.cmdLine));
    }
}

} // namespace
