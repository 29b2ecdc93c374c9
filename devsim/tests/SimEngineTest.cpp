// The simulated libraries' calls: handles, argument checks, areas, flash rules, faults,
// time-outs, the call log and concurrent use of one store.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "devsim/SimBytes.h"
#include "devsim/SimDeviceApi.h"
#include "devsim/SimEngine.h"
#include "devsim/SimLog.h"
#include "devsim/tests/TestStore.h"

namespace nerasim {
namespace {

// A store with one default module "m", used through NERA_SIM_STORE, with a call log.
class SimEngineTest : public ::testing::Test {
protected:
    SimEngineTest()
        : m_storeEnv(kStoreEnvironment, m_temp.Folder()), m_logEnv(kLogEnvironment, m_temp.File("calls.log")),
          m_store(m_temp.Folder()) {
        std::string error;
        EXPECT_TRUE(m_store.CreateModule("m", CModuleIdentity::Default(), error)) << error;
    }

    void SetFault(const std::string& key, const std::string& value) {
        SetModuleValue(m_store, "m", key, value);
    }

    CModuleConfig Config() {
        CStoreLock lock(m_store);
        CModuleConfig config;
        std::string error;
        EXPECT_TRUE(m_store.LoadConfig("m", config, error));
        return config;
    }

    std::vector<uint8_t> Flash(uint32_t address, uint32_t length) {
        CStoreLock lock(m_store);
        std::vector<uint8_t> data(length);
        EXPECT_TRUE(m_store.ReadFlash("m", address, data.data(), length));
        return data;
    }

    std::vector<std::string> Log() { return ReadLines(FsGetEnv(kLogEnvironment)); }

    CTempStore m_temp;
    CScopedEnv m_storeEnv;
    CScopedEnv m_logEnv;
    CSimStore m_store;
    CSimEngine m_engine;
};

TEST_F(SimEngineTest, OpenCallsFindTheFirstModuleWithUniqueHandles) {
    uint32_t a = m_engine.NeraFlashModeOpen(0);
    uint32_t b = m_engine.FlashModeOpen(kLanProductFamily, 0);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(m_engine.FlashModeOpen(0x80000000u, 0), 0u);
    EXPECT_EQ(m_engine.FlashModeOpen(0, 0), 0u);
    EXPECT_EQ(m_engine.OpenHandleCount(), 2u);
    EXPECT_EQ(m_engine.NeraFlashModeClose(a, 0), kSimOk);
    EXPECT_EQ(m_engine.FlashModeClose(b, 0), kSimOk);
    uint32_t c = m_engine.NeraFlashModeOpen(0);
    EXPECT_NE(c, a); // handles are not reused within a process
    EXPECT_NE(c, b);
    EXPECT_EQ(m_engine.Close(c), kSimOk);
    EXPECT_EQ(m_engine.OpenHandleCount(), 0u);
}

TEST_F(SimEngineTest, NoModuleNoHandle) {
    ASSERT_TRUE(m_store.RemoveModule("m"));
    EXPECT_EQ(m_engine.NeraFlashModeOpen(0), 0u);
}

TEST_F(SimEngineTest, FirstUseOfANewStoreMakesTheDefaultModule) {
    CScopedEnv fresh(kStoreEnvironment, m_temp.Folder() + "-fresh");
    uint32_t h = m_engine.NeraFlashModeOpen(0);
    ASSERT_NE(h, 0u);
    uint32_t code = 0;
    EXPECT_EQ(m_engine.ReadHwVersion(h, &code), kSimOk);
    EXPECT_EQ(code, kDefaultHwCode);
    m_engine.Close(h);
    RemoveStoreTree(m_temp.Folder() + "-fresh");
}

TEST_F(SimEngineTest, EveryCallFailsCleanlyOnUnknownOrClosedHandles) {
    uint32_t closed = m_engine.NeraFlashModeOpen(0);
    ASSERT_EQ(m_engine.Close(closed), kSimOk);
    uint8_t data[kAreaSize];
    std::memset(data, 0x00, sizeof data);
    for (uint32_t h : {0u, closed, 0xDEADBEEFu}) {
        uint8_t buffer[kAreaSize];
        std::memset(buffer, 0xA5, sizeof buffer);
        uint32_t code = 0x12345678;
        EXPECT_EQ(m_engine.ReadRWArea(h, 6, buffer), kSimBadHandle);
        EXPECT_EQ(m_engine.WriteRWArea(h, 6, data), kSimBadHandle);
        EXPECT_EQ(m_engine.SetTimeouts(h, 1, 1), kSimBadHandle);
        EXPECT_EQ(m_engine.EchoTest(h), kSimBadHandle);
        EXPECT_EQ(m_engine.ReadHwVersion(h, &code), kSimBadHandle);
        EXPECT_EQ(m_engine.FlashRead(h, 0x8000, buffer), kSimBadHandle);
        EXPECT_EQ(m_engine.Erase(h, 0xFF01), kSimBadHandle);
        EXPECT_EQ(m_engine.FlashWrite(h, 0x8000, data, sizeof data), kSimBadHandle);
        SProductInfo info;
        EXPECT_EQ(m_engine.GetProductInfo(h, info), kSimBadHandle);
        EXPECT_EQ(m_engine.Close(h), kSimBadHandle);
        EXPECT_EQ(m_engine.NeraFlashModeClose(h, 0), kSimBadHandle);
        EXPECT_EQ(m_engine.FlashModeClose(h, 0), kSimBadHandle);
        EXPECT_EQ(code, 0x12345678u);
        EXPECT_EQ(HexFromBytes(buffer, 4), "A5A5A5A5");
    }
    // Nothing reached the module.
    EXPECT_EQ(Flash(0x8000, 4), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(SimEngineTest, BadArgumentsFailWithoutTouchingAnything) {
    uint32_t h = m_engine.NeraFlashModeOpen(0);
    uint8_t buffer[kAreaSize];
    std::memset(buffer, 0xA5, sizeof buffer);
    struct SCase {
        const char* what;
        std::function<int()> call;
        int result;
    };
    const SCase kCases[] = {
        {"read area null", [&] { return m_engine.ReadRWArea(h, 6, nullptr); }, kSimBadArgument},
        {"read area 8", [&] { return m_engine.ReadRWArea(h, 8, buffer); }, kSimBadArgument},
        {"write area null", [&] { return m_engine.WriteRWArea(h, 6, nullptr); }, kSimBadArgument},
        {"write area 8", [&] { return m_engine.WriteRWArea(h, 8, buffer); }, kSimBadArgument},
        {"hw code null", [&] { return m_engine.ReadHwVersion(h, nullptr); }, kSimBadArgument},
        {"flash read null", [&] { return m_engine.FlashRead(h, 0, nullptr); }, kSimBadArgument},
        {"flash read end", [&] { return m_engine.FlashRead(h, 0x7FF81, buffer); }, kSimOutOfRange},
        {"flash read wrap", [&] { return m_engine.FlashRead(h, 0xFFFFFFC0u, buffer); }, kSimOutOfRange},
        {"erase bit 16", [&] { return m_engine.Erase(h, 0x10101); }, kSimBadArgument},
        {"write null", [&] { return m_engine.FlashWrite(h, 0x8000, nullptr, 16); }, kSimBadArgument},
        {"write end", [&] { return m_engine.FlashWrite(h, 0x7FFF0, buffer, 0x20); }, kSimOutOfRange},
        {"write wrap", [&] { return m_engine.FlashWrite(h, 0xFFFFFFF0u, buffer, 0x20); }, kSimOutOfRange},
        {"write monitor", [&] { return m_engine.FlashWrite(h, 0x0F80, buffer, 0x100); }, kSimProtected},
        {"write monitor end", [&] { return m_engine.FlashWrite(h, 0x7FFF, buffer, 2); }, kSimProtected},
    };
    for (const SCase& c : kCases)
        EXPECT_EQ(c.call(), c.result) << c.what;
    EXPECT_EQ(HexFromBytes(buffer, 4), "A5A5A5A5");
    // The refused writes changed nothing: boot block and version record as made.
    EXPECT_EQ(Flash(0x0F80, 1)[0], FactoryCodeByte(0x0F80));
    EXPECT_EQ(Flash(0x8000, 4), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(m_engine.FlashWrite(h, 0x8000, nullptr, 0), kSimOk); // nothing to write
}

TEST_F(SimEngineTest, AreasReadBackWhatWasWritten) {
    uint32_t h = m_engine.NeraFlashModeOpen(0);
    uint8_t area[kAreaSize];
    ASSERT_EQ(m_engine.ReadRWArea(h, kIdentityArea, area), kSimOk);
    EXPECT_EQ(HexFromBytes(area, 16), "6B9ED2A4170F3A4C8E5B72C6D1F09A38");
    ASSERT_EQ(m_engine.ReadRWArea(h, kSettingsArea, area), kSimOk);
    EXPECT_EQ(SettingsMacText(area), "02:4E:45:52:41:01");

    for (uint32_t n = 0; n < kAreaCount; ++n) {
        uint8_t data[kAreaSize];
        for (uint32_t i = 0; i < kAreaSize; ++i)
            data[i] = static_cast<uint8_t>(n * 31 + i);
        ASSERT_EQ(m_engine.WriteRWArea(h, n, data), kSimOk) << n;
    }
    for (uint32_t n = 0; n < kAreaCount; ++n) {
        ASSERT_EQ(m_engine.ReadRWArea(h, n, area), kSimOk);
        EXPECT_EQ(area[0], static_cast<uint8_t>(n * 31)) << n;
        EXPECT_EQ(area[127], static_cast<uint8_t>(n * 31 + 127)) << n;
    }
}

TEST_F(SimEngineTest, UpdaterSequenceProgramsAndVerifiesTheImage) {
    const uint32_t size = 0x15800;
    std::vector<uint8_t> image(size);
    for (uint32_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    const std::vector<uint8_t> monitorBefore = Flash(kMonitorStart, kMonitorEnd - kMonitorStart);

    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    ASSERT_NE(h, 0u);
    uint32_t blocks = CSimEngine::GetEraseBlk(size);
    EXPECT_EQ(blocks, 0x01FFu);
    ASSERT_EQ(m_engine.Erase(h, blocks & 0xFF01u), kSimOk);
    ASSERT_EQ(m_engine.FlashWrite(h, 0, image.data(), 0x1000), kSimOk);
    ASSERT_EQ(m_engine.FlashWrite(h, 0x8000, image.data() + 0x8000, size - 0x8000), kSimOk);
    uint8_t unit[kFlashReadUnit];
    for (uint32_t a = 0; a < size; a += kFlashReadUnit) {
        if (a == 0x1000)
            a = 0x8000;
        ASSERT_EQ(m_engine.FlashRead(h, a, unit), kSimOk);
        ASSERT_EQ(std::memcmp(unit, image.data() + a, kFlashReadUnit), 0) << std::hex << a;
    }
    EXPECT_EQ(Flash(kMonitorStart, kMonitorEnd - kMonitorStart), monitorBefore);
    // The rest of the erased 64 KiB block reads erased.
    EXPECT_EQ(Flash(size, 0x18000 - size), std::vector<uint8_t>(0x18000 - size, kErasedByte));
}

TEST_F(SimEngineTest, WritingOverUnerasedFlashFailsVerification) {
    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    std::vector<uint8_t> data(kFlashReadUnit, 0xF0);
    ASSERT_EQ(m_engine.FlashWrite(h, 0, data.data(), kFlashReadUnit), kSimOk);
    uint8_t unit[kFlashReadUnit];
    ASSERT_EQ(m_engine.FlashRead(h, 0, unit), kSimOk);
    for (uint32_t i = 0; i < kFlashReadUnit; ++i)
        ASSERT_EQ(unit[i], FactoryCodeByte(i) & 0xF0) << i;
    EXPECT_NE(std::memcmp(unit, data.data(), kFlashReadUnit), 0);
}

TEST_F(SimEngineTest, EraseWithoutTheMaskDestroysTheMonitor) {
    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    ASSERT_EQ(m_engine.Erase(h, CSimEngine::GetEraseBlk(0x15800)), kSimOk);
    EXPECT_EQ(Flash(0, kMonitorEnd), std::vector<uint8_t>(kMonitorEnd, kErasedByte));
    // Only the touched 64 KiB block went: the next one still holds what it held.
    EXPECT_EQ(Flash(0x18000, 1)[0], kErasedByte);
    ASSERT_EQ(m_engine.Erase(h, 0x8000), kSimOk); // the last, clipped block
    EXPECT_EQ(Flash(0x7FFFF, 1)[0], kErasedByte);
}

TEST_F(SimEngineTest, InjectedFaults) {
    struct SCase {
        const char* key;
        const char* value;
        std::function<int(uint32_t)> call;
        int failures; // calls that fail before one succeeds
    };
    uint8_t area[kAreaSize] = {};
    uint32_t code = 0;
    SProductInfo info;
    const SCase kCases[] = {
        {"fail_echo", "2", [&](uint32_t h) { return m_engine.EchoTest(h); }, 2},
        {"fail_area_write", "1", [&](uint32_t h) { return m_engine.WriteRWArea(h, 6, area); }, 1},
        {"fail_area_read", "2", [&](uint32_t h) { return m_engine.ReadRWArea(h, 7, area); }, 2},
        {"fail_hw_version", "3", [&](uint32_t h) { return m_engine.ReadHwVersion(h, &code); }, 3},
        {"fail_product_info", "1", [&](uint32_t h) { return m_engine.GetProductInfo(h, info); }, 1},
    };
    uint32_t h = m_engine.NeraFlashModeOpen(0);
    for (const SCase& c : kCases) {
        SetFault(c.key, c.value);
        for (int i = 0; i < c.failures; ++i)
            EXPECT_EQ(c.call(h), kSimDeviceFault) << c.key << " call " << i;
        EXPECT_EQ(c.call(h), kSimOk) << c.key;
    }
    EXPECT_EQ(Config().Format(), CModuleConfig().Format()); // every counter ran down to 0

    SetFault("fail_echo", "always");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_engine.EchoTest(h), kSimDeviceFault);
    EXPECT_EQ(Config().m_failEcho, kFaultAlways);
}

TEST_F(SimEngineTest, FailedHardwareVersionReadLeavesTheCode) {
    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    SetFault("fail_hw_version", "1");
    uint32_t code = 0xFFFFFFFF;
    EXPECT_EQ(m_engine.ReadHwVersion(h, &code), kSimDeviceFault);
    EXPECT_EQ(code, 0xFFFFFFFFu);
}

TEST_F(SimEngineTest, OpenFault) {
    SetFault("fail_open", "1");
    EXPECT_EQ(m_engine.NeraFlashModeOpen(0), 0u);
    EXPECT_NE(m_engine.NeraFlashModeOpen(0), 0u);
}

TEST_F(SimEngineTest, WeakByteReadsBackWrongOnlyThere) {
    SetFault("bad_byte", "0x8085");
    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    const std::vector<uint8_t> stored = Flash(0x8080, kFlashReadUnit);
    uint8_t unit[kFlashReadUnit];
    ASSERT_EQ(m_engine.FlashRead(h, 0x8080, unit), kSimOk);
    for (uint32_t i = 0; i < kFlashReadUnit; ++i)
        EXPECT_EQ(unit[i], i == 5 ? static_cast<uint8_t>(stored[i] ^ 0xFF) : stored[i]) << i;
    ASSERT_EQ(m_engine.FlashRead(h, 0x8000, unit), kSimOk);
    ASSERT_EQ(m_engine.FlashRead(h, 0x8006, unit), kSimOk);
    EXPECT_EQ(unit[0x7F], static_cast<uint8_t>(Flash(0x8085, 1)[0] ^ 0xFF));
    EXPECT_EQ(Flash(0x8085, 1), std::vector<uint8_t>(1, stored[5])); // the stored byte is intact
}

TEST_F(SimEngineTest, FailingReadUnitDeliversNothing) {
    SetFault("fail_read_addr", "0x8085");
    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    const uint32_t kFailing[] = {0x8080, 0x8006};
    const uint32_t kReading[] = {0x8000, 0x8086, 0x8100};
    uint8_t unit[kFlashReadUnit];
    for (uint32_t address : kFailing) {
        std::memset(unit, 0xA5, sizeof unit);
        EXPECT_EQ(m_engine.FlashRead(h, address, unit), kSimDeviceFault) << std::hex << address;
        EXPECT_EQ(std::vector<uint8_t>(unit, unit + kFlashReadUnit),
                  std::vector<uint8_t>(kFlashReadUnit, 0xA5));
    }
    for (uint32_t address : kReading)
        EXPECT_EQ(m_engine.FlashRead(h, address, unit), kSimOk) << std::hex << address;
}

TEST_F(SimEngineTest, DelayIsMeasuredAgainstTheTimeouts) {
    SetFault("delay_ms", "300");
    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    ASSERT_EQ(m_engine.SetTimeouts(h, 20, 1000), kSimOk);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_engine.EchoTest(h), kSimTimeout);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(20));
    EXPECT_LT(elapsed, std::chrono::milliseconds(250));
    uint8_t data[kAreaSize] = {};
    EXPECT_EQ(m_engine.WriteRWArea(h, 0, data), kSimOk); // write time-out 1000
    ASSERT_EQ(m_engine.SetTimeouts(h, 1000, 20), kSimOk);
    EXPECT_EQ(m_engine.EchoTest(h), kSimOk);
    EXPECT_EQ(m_engine.Erase(h, 1), kSimTimeout);
    EXPECT_EQ(Flash(0, 1)[0], FactoryCodeByte(0));    // the timed-out erase did nothing
    ASSERT_EQ(m_engine.SetTimeouts(h, 0, 0), kSimOk); // 0: no time-out
    EXPECT_EQ(m_engine.Erase(h, 1), kSimOk);
}

TEST_F(SimEngineTest, HandlesKeepTheirModuleWhenTheStoreSettingChanges) {
    uint32_t h = m_engine.NeraFlashModeOpen(0);
    CScopedEnv other(kStoreEnvironment, m_temp.Folder() + "-other");
    uint8_t area[kAreaSize];
    EXPECT_EQ(m_engine.ReadRWArea(h, kIdentityArea, area), kSimOk);
    EXPECT_FALSE(FsIsDirectory(m_temp.Folder() + "-other"));
}

TEST_F(SimEngineTest, ModuleRemovedWhileOpen) {
    uint32_t h = m_engine.NeraFlashModeOpen(0);
    ASSERT_TRUE(m_store.RemoveModule("m"));
    EXPECT_EQ(m_engine.EchoTest(h), kSimNoModule);
    EXPECT_EQ(m_engine.Close(h), kSimOk);
}

// A production line, simulated: modules attached one after another and detached. After each
// step, open calls of this program, of another that was running already and of the native
// device interface find the attached module alone (or none), and a handle opened before the
// step, with its module in memory, fails as an unplugged module's; ending the line unplugs none.
TEST_F(SimEngineTest, SimulatedLineDeliversOneModuleAfterAnother) {
    const uint32_t kCodeN = 0x40010022;
    CModuleIdentity identity = CModuleIdentity::Default();
    identity.m_hwCode = kCodeN;
    std::string error;
    ASSERT_TRUE(m_store.CreateModule("n", identity, error)) << error;
    CSimEngine running;
    CSimDeviceApi deviceApi;
    // The hardware code of the module that an open call finds, 0 when it finds none.
    auto found = [](auto& api) {
        uint32_t h = api.NeraFlashModeOpen(0);
        uint32_t code = 0;
        if (h != 0 && api.ReadHwVersion(h, &code) != kSimOk)
            code = 0xFFFFFFFF;
        api.Close(h);
        return code;
    };
    ASSERT_EQ(found(running), kDefaultHwCode); // started before the line
    struct SStep {
        const char* what;
        std::function<bool()> change;
        uint32_t opened; // hardware code of the module open calls find, 0 for none
        int held;        // result of a handle opened before the step
    };
    const SStep kSteps[] = {
        {"attach n", [&] { return m_store.AttachModule("n"); }, kCodeN, kSimNoModule},
        {"detach", [&] { return m_store.AttachModule(""); }, 0, kSimNoModule},
        {"attach m to an empty line", [&] { return m_store.AttachModule("m"); }, kDefaultHwCode,
         kSimNoModule},
        {"attach m again", [&] { return m_store.AttachModule("m"); }, kDefaultHwCode, kSimNoModule},
        {"attach n in place of m", [&] { return m_store.AttachModule("n"); }, kCodeN, kSimNoModule},
        {"attach a missing module", [&] { return !m_store.AttachModule("x"); }, kCodeN, kSimOk},
        {"first m ends the line", [&] { return m_store.SetFirstModule("m"); }, kDefaultHwCode, kSimOk},
    };
    for (const SStep& step : kSteps) {
        uint32_t held = m_engine.NeraFlashModeOpen(0);
        uint8_t area[kAreaSize] = {};
        ASSERT_EQ(held == 0 ? kSimOk : m_engine.EchoTest(held), kSimOk) << step.what; // now in memory
        ASSERT_TRUE(step.change()) << step.what;
        EXPECT_EQ(found(m_engine), step.opened) << step.what;
        EXPECT_EQ(found(running), step.opened) << step.what;
        EXPECT_EQ(found(deviceApi), step.opened) << step.what;
        if (held != 0) {
            EXPECT_EQ(m_engine.EchoTest(held), step.held) << step.what;
            EXPECT_EQ(m_engine.WriteRWArea(held, 0, area), step.held) << step.what;
            EXPECT_EQ(m_engine.EchoTest(held), step.held) << step.what; // once the lock saw the change
            EXPECT_EQ(m_engine.Close(held), kSimOk) << step.what;
        }
    }
}

TEST_F(SimEngineTest, CallLogLines) {
    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    ASSERT_EQ(h, 1u);
    uint8_t area[kAreaSize];
    std::memset(area, 0x3C, sizeof area);
    uint32_t code = 0;
    const uint8_t image[4] = {1, 2, 3, 4};
    m_engine.ReadRWArea(h, 7, area);
    m_engine.SetTimeouts(h, 1000, 1000);
    m_engine.EchoTest(h);
    m_engine.ReadHwVersion(h, &code);
    m_engine.FlashRead(h, 0x8000, area);
    CSimEngine::GetEraseBlk(0x15800);
    m_engine.Erase(h, 0x101);
    m_engine.FlashWrite(h, 0x8000, image, 4);
    std::memset(area, 0x3C, sizeof area);
    m_engine.WriteRWArea(h, 6, area);
    m_engine.WriteRWArea(h, 6, nullptr);
    m_engine.FlashModeClose(h, 0);
    m_engine.Close(h);
    m_engine.NeraFlashModeClose(h, 0);
    uint32_t h2 = m_engine.NeraFlashModeOpen(0);
    m_engine.FlashModeOpen(0x80000000u, 0);
    m_engine.Close(h2);

    const std::vector<std::string> expected = {
        "Q5120_FlashModeOpen family=0x40000000 reserved=0 -> 1",
        "Kivo_FlshReadRWArea h=1 area=7 -> 0",
        "Kivo_SetTimeouts h=1 read=1000 write=1000 -> 0",
        "Kivo_FlshEchoTest h=1 -> 0",
        "Kivo_FlshReadHwVersion h=1 -> 0",
        "Kivo_FlshRead h=1 addr=0x00008000 -> 0",
        "Kivo_FlshGetEraseBlk len=0x00015800 -> 0x000001FF",
        "Kivo_FlshErase h=1 blocks=0x00000101 -> 0",
        "Kivo_FlshWrite h=1 addr=0x00008000 len=0x00000004 crc=0xB63CFBCD -> 0",
        "Kivo_FlshWriteRWArea h=1 area=6 data=" + HexFromBytes(area, kAreaSize) + " -> 0",
        "Kivo_FlshWriteRWArea h=1 area=6 data=null -> 2",
        "Q5120_FlashModeClose h=1 reserved=0 -> 0",
        "Kivo_Close h=1 -> 1",
        "Q5120_NeraFlashModeClose h=1 reserved=0 -> 1",
        "Q5120_NeraFlashModeOpen reserved=0 -> 2",
        "Q5120_FlashModeOpen family=0x80000000 reserved=0 -> 0",
        "Kivo_Close h=2 -> 0",
    };
    EXPECT_EQ(Log(), expected);
}

// Two engines stand for two processes: each has its own handles and opens the store files
// and the lock file on its own.
TEST_F(SimEngineTest, ConcurrentUsersDoNotLoseUpdates) {
    const int kCallsPerUser = 150;
    SetFault("fail_echo", "200");
    int failures[2] = {0, 0};
    bool areasIntact[2] = {true, true};
    auto user = [&](int index) {
        CSimEngine engine;
        uint32_t h = engine.NeraFlashModeOpen(0);
        uint8_t mine[kAreaSize];
        std::memset(mine, 0x11 * (index + 1), sizeof mine);
        for (int i = 0; i < kCallsPerUser; ++i) {
            if (engine.EchoTest(h) == kSimDeviceFault)
                ++failures[index];
            engine.WriteRWArea(h, static_cast<uint32_t>(index), mine);
            uint8_t back[kAreaSize];
            if (engine.ReadRWArea(h, static_cast<uint32_t>(index), back) != kSimOk ||
                std::memcmp(back, mine, kAreaSize) != 0)
                areasIntact[index] = false;
        }
        engine.Close(h);
    };
    {
        CScopedEnv quiet(kLogEnvironment, "");
        std::thread first(user, 0);
        std::thread second(user, 1);
        first.join();
        second.join();
    }
    EXPECT_EQ(failures[0] + failures[1], 200);
    EXPECT_EQ(Config().m_failEcho, 0u);
    EXPECT_TRUE(areasIntact[0]);
    EXPECT_TRUE(areasIntact[1]);
}

// Another program holds the store's lock and hangs half-way through a change. Calls that need
// the lock give up with the time-out result after about their time-out, open calls after their
// bound; a call that is waiting goes on as soon as the lock is let go.
TEST_F(SimEngineTest, StalledStoreLockEndsInTheTimeout) {
    using Ms = std::chrono::milliseconds;
    CSimEngine engine(300); // open calls wait 300 ms
    uint32_t h = engine.NeraFlashModeOpen(0);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(engine.SetTimeouts(h, 200, 400), kSimOk);
    uint8_t unit[kFlashReadUnit];
    uint8_t area[kAreaSize] = {};
    ASSERT_EQ(engine.FlashRead(h, 0x8000, unit), kSimOk); // the module is in the handle's memory

    CSimStore stalled(m_temp.Folder());
    CStoreLock hold(stalled);
    ASSERT_TRUE(hold.IsLocked());
    ASSERT_TRUE(stalled.WriteArea("m", 0, area)); // the change has begun: memory is out of date
    struct SCase {
        const char* what;
        std::function<int()> call;
        int result;
        int waitMs;
    };
    const SCase kCases[] = {
        {"flash read", [&] { return engine.FlashRead(h, 0x8000, unit); }, kSimTimeout, 200},
        {"echo test", [&] { return engine.EchoTest(h); }, kSimTimeout, 200},
        {"area write", [&] { return engine.WriteRWArea(h, 1, area); }, kSimTimeout, 400},
        {"erase", [&] { return engine.Erase(h, 0x100); }, kSimTimeout, 400},
        {"open", [&] { return static_cast<int>(engine.NeraFlashModeOpen(0)); }, 0, 300},
    };
    for (const SCase& c : kCases) {
        auto start = std::chrono::steady_clock::now();
        std::future<int> result = std::async(std::launch::async, c.call);
        if (result.wait_for(Ms(c.waitMs + 3000)) != std::future_status::ready) {
            ADD_FAILURE() << c.what << ": still waiting for the lock";
            hold.Unlock(); // let it finish
        }
        EXPECT_EQ(result.get(), c.result) << c.what;
        auto elapsed = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
        EXPECT_GE(elapsed.count(), c.waitMs - 20) << c.what;
        EXPECT_LT(elapsed.count(), c.waitMs + 1000) << c.what;
    }

    ASSERT_EQ(engine.SetTimeouts(h, 5000, 5000), kSimOk);
    auto start = std::chrono::steady_clock::now();
    std::future<int> waiting = std::async(std::launch::async, [&] { return engine.ReadRWArea(h, 0, area); });
    std::this_thread::sleep_for(Ms(150));
    hold.Unlock();
    EXPECT_EQ(waiting.get(), kSimOk);
    auto elapsed = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(elapsed.count(), 140);
    EXPECT_LT(elapsed.count(), 1500);
}

// A handle keeps what it read of its module in memory. Every change that another program
// makes reaches the handle's next call: through the store, module.txt edited by hand, even
// the whole store made anew.
TEST_F(SimEngineTest, ChangesByOthersReachAHandleThatKeepsItsModule) {
    uint32_t h = m_engine.FlashModeOpen(kLanProductFamily, 0);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(m_engine.SetTimeouts(h, 5000, 200), kSimOk);
    CSimStore other(m_temp.Folder());
    uint8_t unit[kFlashReadUnit];
    uint8_t area[kAreaSize];
    uint32_t code = 0;
    // Two writes within one tick of the file-system clock leave a file's size and time stamp
    // as they were: the writes below put the old time stamp back, so only the store's change
    // count tells that the file is new.
    auto sameStamp = [&](const char* fileName, const std::function<void()>& write) {
        const std::string file = FsJoin(m_store.ModuleFolder("m"), fileName);
        SFileStamp before;
        SFileStamp after;
        ASSERT_TRUE(FsFileStamp(file, before));
        write();
        ASSERT_TRUE(FsSetModifiedTime(file, before.m_modified));
        ASSERT_TRUE(FsFileStamp(file, after));
        ASSERT_EQ(after, before);
    };
    auto writeArea = [&] {
        sameStamp("areas.bin", [&] {
            CStoreLock lock(other);
            std::vector<uint8_t> data(kAreaSize, 0x5A);
            ASSERT_TRUE(other.WriteArea("m", 3, data.data()));
        });
    };
    auto writeFlash = [&] {
        sameStamp("flash.bin", [&] {
            CStoreLock lock(other);
            const uint8_t data[4] = {1, 2, 3, 4};
            ASSERT_TRUE(other.WriteFlash("m", 0x9000, data, 4));
        });
    };
    auto editByHand = [&] {
        CModuleConfig config = Config();
        config.m_hwCode = 0x40420008;
        const std::string file = FsJoin(m_store.ModuleFolder("m"), "module.txt");
        ASSERT_TRUE(FsWriteAllAtomic(file, "# edited by hand\n" + config.Format()));
    };
    // The whole store removed and made again: the handle's lock file is gone with it.
    auto remakeStore = [&] {
        RemoveStoreTree(m_temp.Folder());
        CModuleIdentity identity = CModuleIdentity::Default();
        identity.m_hwCode = 0x40420009;
        std::string error;
        ASSERT_TRUE(CSimStore(m_temp.Folder()).CreateModule("m", identity, error)) << error;
    };
    struct SCase {
        const char* what;
        std::function<void()> change;
        std::function<bool()> seen;
    };
    const SCase kCases[] = {
        {"identity", [&] { SetModuleValue(other, "m", "hw_code", "0x40420007"); },
         [&] { return m_engine.ReadHwVersion(h, &code) == kSimOk && code == 0x40420007u; }},
        {"fault", [&] { SetModuleValue(other, "m", "fail_echo", "1"); },
         [&] { return m_engine.EchoTest(h) == kSimDeviceFault && m_engine.EchoTest(h) == kSimOk; }},
        {"area", writeArea, [&] { return m_engine.ReadRWArea(h, 3, area) == kSimOk && area[127] == 0x5A; }},
        {"flash", writeFlash, [&] { return m_engine.FlashRead(h, 0x9000, unit) == kSimOk && unit[3] == 4; }},
        {"module.txt by hand", editByHand,
         [&] { return m_engine.ReadHwVersion(h, &code) == kSimOk && code == 0x40420008u; }},
        {"store made again", remakeStore,
         [&] {
             if (m_engine.ReadHwVersion(h, &code) != kSimOk || code != 0x40420009u)
                 return false;
             CSimStore holder(m_temp.Folder()); // and the new store's lock holds the handle off
             CStoreLock hold(holder);
             return hold.IsLocked() && m_engine.WriteRWArea(h, 4, area) == kSimTimeout;
         }},
        {"module removed", [&] { ASSERT_TRUE(other.RemoveModule("m")); },
         [&] { return m_engine.EchoTest(h) == kSimNoModule; }},
    };
    for (const SCase& c : kCases) {
        // Everything the handle can read is in its memory before the change.
        ASSERT_EQ(m_engine.FlashRead(h, 0x9000, unit), kSimOk) << c.what;
        ASSERT_EQ(m_engine.ReadRWArea(h, 3, area), kSimOk) << c.what;
        ASSERT_EQ(m_engine.ReadHwVersion(h, &code), kSimOk) << c.what;
        ASSERT_EQ(m_engine.EchoTest(h), kSimOk) << c.what;
        c.change();
        EXPECT_TRUE(c.seen()) << c.what;
    }
}

TEST_F(SimEngineTest, ConcurrentLogLinesStayWhole) {
    auto user = [] {
        for (int i = 0; i < 100; ++i)
            CSimEngine::GetEraseBlk(0x15800);
    };
    std::thread first(user);
    std::thread second(user);
    first.join();
    second.join();
    const std::vector<std::string> lines = Log();
    EXPECT_EQ(lines.size(), 200u);
    for (const std::string& line : lines)
        ASSERT_EQ(line, "Kivo_FlshGetEraseBlk len=0x00015800 -> 0x000001FF");
}

} // namespace
} // namespace nerasim
