// Kivo5120.dll and Q5120Common.dll called through their import libraries, as the programs
// call them: results, buffers, the call log and the two library windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "common/Kivo5120.h"
#include "common/Q5120Common.h"
#include "common/Utf8Text_win.h"
#include "devsim/Q5120CommonRes.h"
#include "devsim/SimBytes.h"
#include "devsim/SimLog.h"
#include "devsim/SimStore.h"
#include "devsim/tests/TestStore.h"

namespace nerasim {
namespace {

const wchar_t kProductInfoCaption[] = L"NeraSim \u88FD\u54C1\u60C5\u5831"; // 製品情報
const wchar_t kOptionsCaption[] = L"NeraSim \u63A5\u7D9A\u8A2D\u5B9A";     // 接続設定
const wchar_t kPasswordNone[] = L"\u306A\u3057";                           // なし

struct SFindDialog {
    int m_controlId;
    HWND m_found;
};

BOOL CALLBACK FindDialogProc(HWND window, LPARAM parameter) {
    auto* find = reinterpret_cast<SFindDialog*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process == GetCurrentProcessId() && std::wcscmp(className, L"#32770") == 0 &&
        IsWindowVisible(window) && GetDlgItem(window, find->m_controlId) != nullptr) {
        find->m_found = window;
        return FALSE;
    }
    return TRUE;
}

// Waits for a visible dialog of this process that has the control.
HWND WaitForDialog(int controlId, DWORD timeoutMs = 10000) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        SFindDialog find = {controlId, nullptr};
        EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&find));
        if (find.m_found != nullptr)
            return find.m_found;
        Sleep(20);
    }
    return nullptr;
}

std::wstring Text(HWND window) {
    LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    LRESULT got = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::wstring ItemText(HWND dialog, int id) {
    return Text(GetDlgItem(dialog, id));
}

// Presses a dialog button from another thread, the way a test driver does.
void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A private store with module "m", a call log and a settings file, all through the
// environment that the libraries read on every call.
class DllTest : public ::testing::Test {
protected:
    DllTest()
        : m_storeEnv(kStoreEnvironment, m_temp.Folder()), m_logEnv(kLogEnvironment, m_temp.File("calls.log")),
          m_settingsEnv(kSettingsEnvironment, m_temp.File("settings.txt")), m_store(m_temp.Folder()) {
        std::string error;
        EXPECT_TRUE(m_store.CreateModule("m", CModuleIdentity::Default(), error)) << error;
    }

    void SetFault(const std::string& key, const std::string& value) {
        SetModuleValue(m_store, "m", key, value);
    }

    std::vector<std::string> Log() { return ReadLines(FsGetEnv(kLogEnvironment)); }
    void ClearLog() { FsWriteAllAtomic(FsGetEnv(kLogEnvironment), std::string()); }

    CTempStore m_temp;
    CScopedEnv m_storeEnv;
    CScopedEnv m_logEnv;
    CScopedEnv m_settingsEnv;
    CSimStore m_store;
};

TEST_F(DllTest, ExportsHavePlainNames) {
    HMODULE kivo = GetModuleHandleW(L"Kivo5120.dll");
    HMODULE common = GetModuleHandleW(L"Q5120Common.dll");
    ASSERT_NE(kivo, nullptr);
    ASSERT_NE(common, nullptr);
    for (const char* name : {"Kivo_FlshReadRWArea", "Kivo_FlshWriteRWArea", "Kivo_Close", "Kivo_SetTimeouts",
                             "Kivo_FlshEchoTest", "Kivo_FlshReadHwVersion", "Kivo_FlshRead",
                             "Kivo_FlshGetEraseBlk", "Kivo_FlshErase", "Kivo_FlshWrite"})
        EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(kivo, name)), nullptr) << name;
    for (const char* name : {"Q5120_NeraFlashModeOpen", "Q5120_NeraFlashModeClose", "Q5120_FlashModeOpen",
                             "Q5120_FlashModeClose", "Q5120_ShowProductInfo", "Q5120_OptionDlg2"})
        EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(common, name)), nullptr) << name;
}

TEST_F(DllTest, SettingsToolSequence) {
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    ASSERT_NE(h, 0u);
    uint8_t area[128];
    ASSERT_EQ(Kivo_FlshReadRWArea(h, 6, area), 0);
    EXPECT_EQ(SettingsMacText(area), "02:4E:45:52:41:01");
    area[21] = 0x10; // port 0xC010
    ASSERT_EQ(Kivo_FlshWriteRWArea(h, 6, area), 0);
    uint8_t back[128];
    ASSERT_EQ(Kivo_FlshReadRWArea(h, 6, back), 0);
    EXPECT_EQ(std::memcmp(area, back, 128), 0);
    EXPECT_EQ(Q5120_NeraFlashModeClose(h, 0), 0);
    const std::string hs = std::to_string(h);
    const std::vector<std::string> expected = {
        "Q5120_NeraFlashModeOpen reserved=0 -> " + hs,
        "Kivo_FlshReadRWArea h=" + hs + " area=6 -> 0",
        "Kivo_FlshWriteRWArea h=" + hs + " area=6 data=" + HexFromBytes(area, 128) + " -> 0",
        "Kivo_FlshReadRWArea h=" + hs + " area=6 -> 0",
        "Q5120_NeraFlashModeClose h=" + hs + " reserved=0 -> 0",
    };
    EXPECT_EQ(Log(), expected);
}

TEST_F(DllTest, UpdaterSequence) {
    const uint32_t size = 0x15800;
    std::vector<uint8_t> image(size);
    for (uint32_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i ^ (i >> 9));
    uint32_t h = Q5120_FlashModeOpen(kQ5120FamilyLan, 0);
    ASSERT_NE(h, 0u);
    uint8_t unit[128];
    ASSERT_EQ(Kivo_FlshReadRWArea(h, 7, unit), 0);
    EXPECT_EQ(HexFromBytes(unit, 16), "6B9ED2A4170F3A4C8E5B72C6D1F09A38");
    EXPECT_EQ(Kivo_SetTimeouts(h, 1000, 1000), 0);
    EXPECT_EQ(Kivo_FlshEchoTest(h), 0);
    EXPECT_EQ(Kivo_SetTimeouts(h, 5000, 5000), 0);
    uint32_t code = 0xFFFFFFFF;
    EXPECT_EQ(Kivo_FlshReadHwVersion(h, &code), 0);
    EXPECT_EQ(code, 0x40010001u);
    ASSERT_EQ(Kivo_FlshRead(h, 0x8000, unit), 0);
    EXPECT_EQ(FormatVersionRecord(unit), "5.6.0");
    uint32_t blocks = Kivo_FlshGetEraseBlk(size);
    EXPECT_EQ(blocks, 0x1FFu);
    EXPECT_EQ(Kivo_FlshErase(h, blocks & 0xFF01u), 0);
    EXPECT_EQ(Kivo_FlshWrite(h, 0, image.data(), 0x1000), 0);
    EXPECT_EQ(Kivo_FlshWrite(h, 0x8000, image.data() + 0x8000, size - 0x8000), 0);
    int differences = 0;
    for (uint32_t a = 0; a < size; a += 128) {
        if (a == 0x1000)
            a = 0x8000;
        ASSERT_EQ(Kivo_FlshRead(h, a, unit), 0);
        differences += std::memcmp(unit, image.data() + a, 128) != 0;
    }
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(Q5120_FlashModeClose(h, 0), 0);

    const std::vector<std::string> log = Log();
    const std::string hs = std::to_string(h);
    ASSERT_GE(log.size(), 10u);
    EXPECT_EQ(log[0], "Q5120_FlashModeOpen family=0x40000000 reserved=0 -> " + hs);
    EXPECT_EQ(log[7], "Kivo_FlshGetEraseBlk len=0x00015800 -> 0x000001FF");
    EXPECT_EQ(log[8], "Kivo_FlshErase h=" + hs + " blocks=0x00000101 -> 0");
    EXPECT_EQ(log[9], "Kivo_FlshWrite h=" + hs + " addr=0x00000000 len=0x00001000 crc=" +
                          FormatHex32(Crc32(image.data(), 0x1000)) + " -> 0");
    EXPECT_EQ(log.back(), "Q5120_FlashModeClose h=" + hs + " reserved=0 -> 0");
}

TEST_F(DllTest, EveryExportFailsCleanlyOnABadHandle) {
    uint32_t closed = Q5120_FlashModeOpen(kQ5120FamilyLan, 0);
    ASSERT_EQ(Kivo_Close(closed), 0);
    uint8_t data[128] = {};
    for (uint32_t h : {0u, closed, 0x7777u}) {
        uint8_t buffer[128];
        std::memset(buffer, 0xA5, sizeof buffer);
        uint32_t code = 0x12345678;
        EXPECT_NE(Kivo_FlshReadRWArea(h, 6, buffer), 0);
        EXPECT_NE(Kivo_FlshWriteRWArea(h, 6, data), 0);
        EXPECT_NE(Kivo_SetTimeouts(h, 1000, 1000), 0);
        EXPECT_NE(Kivo_FlshEchoTest(h), 0);
        EXPECT_NE(Kivo_FlshReadHwVersion(h, &code), 0);
        EXPECT_NE(Kivo_FlshRead(h, 0x8000, buffer), 0);
        EXPECT_NE(Kivo_FlshErase(h, 0xFF01), 0);
        EXPECT_NE(Kivo_FlshWrite(h, 0x8000, data, 128), 0);
        EXPECT_NE(Q5120_ShowProductInfo(h), 0); // no window: it would block this test
        EXPECT_NE(Kivo_Close(h), 0);
        EXPECT_NE(Q5120_FlashModeClose(h, 0), 0);
        EXPECT_NE(Q5120_NeraFlashModeClose(h, 0), 0);
        EXPECT_EQ(code, 0x12345678u);
        EXPECT_EQ(HexFromBytes(buffer, 2), "A5A5");
    }
    EXPECT_EQ(Q5120_FlashModeOpen(0x20000000u, 0), 0u);
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    EXPECT_NE(Kivo_FlshReadRWArea(h, 6, nullptr), 0);
    EXPECT_NE(Kivo_FlshReadRWArea(h, 8, data), 0);
    EXPECT_NE(Kivo_FlshReadHwVersion(h, nullptr), 0);
    EXPECT_NE(Kivo_FlshWrite(h, 0x1000, data, 128), 0); // boot monitor
    Kivo_Close(h);
    std::vector<std::string> log = Log();
    EXPECT_EQ(log[2], "Kivo_FlshReadRWArea h=0 area=6 -> 1");
    EXPECT_EQ(log[10], "Q5120_ShowProductInfo h=0 -> 1");
}

TEST_F(DllTest, InjectedFaultsReachTheCaller) {
    SetFault("fail_open", "1");
    EXPECT_EQ(Q5120_FlashModeOpen(kQ5120FamilyLan, 0), 0u);
    uint32_t h = Q5120_FlashModeOpen(kQ5120FamilyLan, 0);
    ASSERT_NE(h, 0u);
    SetFault("fail_echo", "1");
    EXPECT_NE(Kivo_FlshEchoTest(h), 0);
    EXPECT_EQ(Kivo_FlshEchoTest(h), 0);
    SetFault("fail_hw_version", "1");
    uint32_t code = 0xFFFFFFFF;
    EXPECT_NE(Kivo_FlshReadHwVersion(h, &code), 0);
    EXPECT_EQ(code, 0xFFFFFFFFu);
    SetFault("fail_area_write", "1");
    uint8_t area[128] = {};
    EXPECT_NE(Kivo_FlshWriteRWArea(h, 6, area), 0);
    SetFault("fail_product_info", "1");
    EXPECT_NE(Q5120_ShowProductInfo(h), 0);
    SetFault("bad_byte", "0x8001");
    uint8_t unit[128];
    ASSERT_EQ(Kivo_FlshRead(h, 0x8000, unit), 0);
    EXPECT_EQ(unit[1], 0xFF); // stored 0x00, read back inverted
    SetFault("delay_ms", "200");
    EXPECT_EQ(Kivo_SetTimeouts(h, 50, 50), 0);
    EXPECT_NE(Kivo_FlshEchoTest(h), 0);
    EXPECT_EQ(Kivo_SetTimeouts(h, 1000, 1000), 0);
    EXPECT_EQ(Kivo_FlshEchoTest(h), 0);
    Kivo_Close(h);
    const std::vector<std::string> log = Log();
    EXPECT_EQ(log[0], "Q5120_FlashModeOpen family=0x40000000 reserved=0 -> 0");
    EXPECT_EQ(log[2], "Kivo_FlshEchoTest h=" + std::to_string(h) + " -> 4");
}

TEST_F(DllTest, ProductInfoWindowShowsTheModule) {
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    ASSERT_NE(h, 0u);
    std::vector<std::wstring> seen;
    std::wstring caption;
    std::thread driver([&] {
        HWND dialog = WaitForDialog(IDC_PI_PRODUCT);
        if (dialog == nullptr)
            return;
        caption = Text(dialog);
        for (int id :
             {IDC_PI_PRODUCT, IDC_PI_HWCODE, IDC_PI_FIRMWARE, IDC_PI_MAC, IDC_PI_UUID, IDC_PI_PASSWORD})
            seen.push_back(ItemText(dialog, id));
        Press(dialog, IDOK);
    });
    int result = Q5120_ShowProductInfo(h);
    driver.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(caption, kProductInfoCaption);
    const std::vector<std::wstring> expected = {
        L"Nera5120",  L"0x40010001", L"5.6.0", L"02:4E:45:52:41:01", L"a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38",
        kPasswordNone};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(Log().back(), "Q5120_ShowProductInfo h=" + std::to_string(h) + " -> 0");
    Q5120_NeraFlashModeClose(h, 0);
}

TEST_F(DllTest, ProductInfoWindowClosesWithCancel) {
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    std::thread driver([] {
        HWND dialog = WaitForDialog(IDC_PI_PRODUCT);
        if (dialog != nullptr)
            Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(Q5120_ShowProductInfo(h), 0);
    driver.join();
    Kivo_Close(h);
}

TEST_F(DllTest, OptionsDialogChoosesTheFirstModule) {
    CModuleIdentity identity = CModuleIdentity::Default();
    identity.m_hwCode = 0x40020009;
    std::string error;
    ASSERT_TRUE(m_store.CreateModule("n", identity, error)) << error;
    std::wstring caption;
    LRESULT count = 0;
    std::thread driver([&] {
        HWND dialog = WaitForDialog(IDC_OPT_MODULES);
        if (dialog == nullptr)
            return;
        caption = Text(dialog);
        count = SendDlgItemMessageW(dialog, IDC_OPT_MODULES, LB_GETCOUNT, 0, 0);
        SendDlgItemMessageW(dialog, IDC_OPT_MODULES, LB_SETCURSEL, 1, 0);
        Press(dialog, IDC_OPT_MAKE_FIRST);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Q5120_OptionDlg2(), 0);
    driver.join();
    EXPECT_EQ(caption, kOptionsCaption);
    EXPECT_EQ(count, 2);
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    uint32_t code = 0;
    EXPECT_EQ(Kivo_FlshReadHwVersion(h, &code), 0);
    EXPECT_EQ(code, 0x40020009u);
    Kivo_Close(h);
    EXPECT_EQ(Log().front(), "Q5120_OptionDlg2 -> 0");
}

TEST_F(DllTest, OptionsDialogKeepsTheStoreFolderInItsSettings) {
    CScopedEnv noStore(kStoreEnvironment, "");
    const std::string chosen = m_temp.Folder();
    const std::string before = m_temp.Folder() + "-before";
    ASSERT_TRUE(CSimSettings::SaveStoreFolder(before));
    for (int button : {IDCANCEL, IDOK}) {
        std::thread driver([&] {
            HWND dialog = WaitForDialog(IDC_OPT_FOLDER);
            if (dialog == nullptr)
                return;
            std::wstring folder = WideFromUtf8(chosen);
            SendDlgItemMessageW(dialog, IDC_OPT_FOLDER, WM_SETTEXT, 0,
                                reinterpret_cast<LPARAM>(folder.c_str()));
            Press(dialog, IDC_OPT_RELOAD);
            Press(dialog, button);
        });
        EXPECT_EQ(Q5120_OptionDlg2(), 0);
        driver.join();
        EXPECT_EQ(CSimSettings::LoadStoreFolder(), button == IDOK ? chosen : before) << button;
    }
    // The dialog showed the folder from the settings first, which made its default module.
    EXPECT_TRUE(FsIsDirectory(FsJoin(before, kDefaultModuleName)));
    RemoveStoreTree(before);
    // Open calls now use the folder from the settings.
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    EXPECT_NE(h, 0u);
    Kivo_Close(h);
}

// Another program holds the store's lock and hangs half-way through a change: device calls
// end with the time-out result after about their time-out, the connection-settings dialog
// opens after a bounded wait and says that the store is busy, and an open call that waits
// goes on as soon as the lock is let go.
TEST_F(DllTest, StalledStoreLock) {
    using Ms = std::chrono::milliseconds;
    using Clock = std::chrono::steady_clock;
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(Kivo_SetTimeouts(h, 300, 300), 0);
    uint8_t area[128] = {};
    ASSERT_EQ(Kivo_FlshReadRWArea(h, 6, area), 0);
    CSimStore stalled(m_temp.Folder());
    CStoreLock hold(stalled);
    ASSERT_TRUE(hold.IsLocked());
    ASSERT_TRUE(stalled.WriteArea("m", 0, area));

    struct SCase {
        const char* what;
        int (*call)(uint32_t h, uint8_t* area);
    };
    const SCase kCases[] = {
        {"area read", [](uint32_t h, uint8_t* area) { return Kivo_FlshReadRWArea(h, 6, area); }},
        {"area write", [](uint32_t h, uint8_t* area) { return Kivo_FlshWriteRWArea(h, 5, area); }},
        {"flash read", [](uint32_t h, uint8_t* area) { return Kivo_FlshRead(h, 0x8000, area); }},
    };
    for (const SCase& c : kCases) {
        Clock::time_point start = Clock::now();
        std::future<int> result = std::async(std::launch::async, c.call, h, area);
        if (result.wait_for(Ms(5000)) != std::future_status::ready) {
            ADD_FAILURE() << c.what << ": still waiting for the lock";
            hold.Unlock();
        }
        EXPECT_EQ(result.get(), 5) << c.what;
        auto elapsed = std::chrono::duration_cast<Ms>(Clock::now() - start).count();
        EXPECT_GE(elapsed, 280) << c.what;
        EXPECT_LT(elapsed, 1500) << c.what;
    }

    const HMODULE common = GetModuleHandleW(L"Q5120Common.dll");
    std::wstring busyText(256, L'\0');
    busyText.resize(static_cast<size_t>(LoadStringW(common, IDS_STORE_BUSY, &busyText[0], 256)));
    std::wstring listed;
    Clock::time_point start = Clock::now();
    std::thread driver([&] {
        HWND dialog = WaitForDialog(IDC_OPT_MODULES);
        if (dialog == nullptr)
            return;
        HWND list = GetDlgItem(dialog, IDC_OPT_MODULES);
        std::wstring first(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, 0, 0)) + 1, L'\0');
        first.resize(
            static_cast<size_t>(SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(&first[0]))));
        listed = first;
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(Q5120_OptionDlg2(), 0);
    driver.join();
    EXPECT_LT(std::chrono::duration_cast<Ms>(Clock::now() - start).count(), 6000);
    EXPECT_FALSE(busyText.empty());
    EXPECT_EQ(listed, busyText);

    start = Clock::now();
    std::future<uint32_t> opened = std::async(std::launch::async, [] { return Q5120_NeraFlashModeOpen(0); });
    std::this_thread::sleep_for(Ms(500));
    hold.Unlock();
    uint32_t h2 = opened.get();
    EXPECT_NE(h2, 0u);
    EXPECT_GE(std::chrono::duration_cast<Ms>(Clock::now() - start).count(), 480);
    Q5120_NeraFlashModeClose(h2, 0);
    Q5120_NeraFlashModeClose(h, 0);
}

// A store folder far beyond the classic path limit works through both libraries, and the
// product-information window names it whole.
TEST_F(DllTest, LongStoreFolder) {
    const std::string base = m_temp.Folder() + "-long";
    std::vector<std::string> levels = {base};
    for (char c = 'a'; c < 'j'; ++c)
        levels.push_back(FsJoin(levels.back(), std::string(120, c)));
    const std::string folder = levels.back();
    ASSERT_GT(folder.size(), 1100u);
    CScopedEnv store(kStoreEnvironment, folder);
    uint32_t h = Q5120_NeraFlashModeOpen(0); // makes the folder with its default module
    ASSERT_NE(h, 0u);
    uint8_t area[128];
    ASSERT_EQ(Kivo_FlshReadRWArea(h, 6, area), 0);
    EXPECT_EQ(SettingsMacText(area), "02:4E:45:52:41:01");
    area[21] = 0x20;
    ASSERT_EQ(Kivo_FlshWriteRWArea(h, 6, area), 0);
    uint8_t back[128] = {};
    ASSERT_EQ(Kivo_FlshReadRWArea(h, 6, back), 0);
    EXPECT_EQ(back[21], 0x20);

    std::wstring module;
    std::thread driver([&] {
        HWND dialog = WaitForDialog(IDC_PI_PRODUCT);
        if (dialog == nullptr)
            return;
        module = ItemText(dialog, IDC_PI_MODULE);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Q5120_ShowProductInfo(h), 0);
    driver.join();
    EXPECT_EQ(module, L"module1 (" + WideFromUtf8(folder) + L")");
    Q5120_NeraFlashModeClose(h, 0);

    RemoveStoreTree(folder);
    for (size_t i = levels.size() - 1; i-- > 0;)
        FsRemoveFolder(levels[i]);
    EXPECT_FALSE(FsIsDirectory(base));
}

} // namespace
} // namespace nerasim
