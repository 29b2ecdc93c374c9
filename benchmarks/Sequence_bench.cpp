// The updater's whole connect-and-write sequence for the largest image (0x80000 bytes):
// against the simulated module in a temporary store, and, as the reference measured in the
// same run, against a device that keeps its flash in memory and answers at once, which is
// what the sequence itself costs. Goal: the simulated write well under one second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "devsim/SimDeviceApi.h"
#include "devsim/SimLog.h"
#include "devsim/SimStore.h"
#include "devsim/tests/TestStore.h"
#include "firmware/UpdaterSequence.h"

namespace {

constexpr uint32_t kLargestImage = 0x80000;
// The identifier of a new store's module.
const wchar_t kUuid[] = L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38";

// Counts the device calls it passes on.
class CCountingDevice : public IDeviceApi {
public:
    explicit CCountingDevice(IDeviceApi& inner) : m_inner(inner) {}
    uint32_t NeraFlashModeOpen(uint32_t r) override { return Next().NeraFlashModeOpen(r); }
    int NeraFlashModeClose(uint32_t h, uint32_t r) override { return Next().NeraFlashModeClose(h, r); }
    uint32_t FlashModeOpen(uint32_t f, uint32_t r) override { return Next().FlashModeOpen(f, r); }
    int FlashModeClose(uint32_t h, uint32_t r) override { return Next().FlashModeClose(h, r); }
    int ShowProductInfo(uint32_t h) override { return Next().ShowProductInfo(h); }
    int OptionDlg2() override { return Next().OptionDlg2(); }
    int ReadRWArea(uint32_t h, uint32_t a, uint8_t* b) override { return Next().ReadRWArea(h, a, b); }
    int WriteRWArea(uint32_t h, uint32_t a, const uint8_t* b) override { return Next().WriteRWArea(h, a, b); }
    int Close(uint32_t h) override { return Next().Close(h); }
    int SetTimeouts(uint32_t h, uint32_t r, uint32_t w) override { return Next().SetTimeouts(h, r, w); }
    int EchoTest(uint32_t h) override { return Next().EchoTest(h); }
    int ReadHwVersion(uint32_t h, uint32_t* c) override { return Next().ReadHwVersion(h, c); }
    int FlashRead(uint32_t h, uint32_t a, uint8_t* b) override { return Next().FlashRead(h, a, b); }
    uint32_t GetEraseBlk(uint32_t l) override { return Next().GetEraseBlk(l); }
    int Erase(uint32_t h, uint32_t b) override { return Next().Erase(h, b); }
    int FlashWrite(uint32_t h, uint32_t a, const uint8_t* d, uint32_t l) override {
        return Next().FlashWrite(h, a, d, l);
    }

    uint64_t m_calls = 0;

private:
    IDeviceApi& Next() {
        ++m_calls;
        return m_inner;
    }

    IDeviceApi& m_inner;
};

// A module that costs nothing: flash in memory, every call succeeds, erase clears all.
class CMemoryDevice : public IDeviceApi {
public:
    uint32_t NeraFlashModeOpen(uint32_t) override { return 1; }
    int NeraFlashModeClose(uint32_t, uint32_t) override { return 0; }
    uint32_t FlashModeOpen(uint32_t, uint32_t) override { return 1; }
    int FlashModeClose(uint32_t, uint32_t) override { return 0; }
    int ShowProductInfo(uint32_t) override { return 0; }
    int OptionDlg2() override { return 0; }
    int ReadRWArea(uint32_t, uint32_t, uint8_t* buffer) override {
        std::memcpy(buffer, kIdentity, sizeof kIdentity);
        return 0;
    }
    int WriteRWArea(uint32_t, uint32_t, const uint8_t*) override { return 0; }
    int Close(uint32_t) override { return 0; }
    int SetTimeouts(uint32_t, uint32_t, uint32_t) override { return 0; }
    int EchoTest(uint32_t) override { return 0; }
    int ReadHwVersion(uint32_t, uint32_t* code) override {
        *code = 0x40010001u;
        return 0;
    }
    int FlashRead(uint32_t, uint32_t address, uint8_t* buffer) override {
        if (address > m_flash.size() - 128)
            return 6;
        std::memcpy(buffer, &m_flash[address], 128);
        return 0;
    }
    uint32_t GetEraseBlk(uint32_t) override { return 0xFFFF; }
    int Erase(uint32_t, uint32_t) override {
        m_flash.assign(m_flash.size(), 0xFF);
        return 0;
    }
    int FlashWrite(uint32_t, uint32_t address, const uint8_t* data, uint32_t length) override {
        if (address > m_flash.size() || length > m_flash.size() - address)
            return 6;
        for (uint32_t i = 0; i < length; ++i)
            m_flash[address + i] &= data[i];
        return 0;
    }

private:
    // Area 7 of a module whose identifier is kUuid; the rest of the area is not compared.
    static constexpr uint8_t kIdentity[128] = {0x6B, 0x9E, 0xD2, 0xA4, 0x17, 0x0F, 0x3A, 0x4C,
                                               0x8E, 0x5B, 0x72, 0xC6, 0xD1, 0xF0, 0x9A, 0x38};
    std::vector<uint8_t> m_flash = std::vector<uint8_t>(kLargestImage, 0xFF);
};

// Answers Yes and keeps only the log, to tell a finished write from a stopped one.
class CQuietView : public IUpdaterView {
public:
    void AppendLogText(const std::wstring& text) override { m_log += text; }
    void ClearLog() override { m_log.clear(); }
    void ShowErrorBox(const std::wstring&, const std::wstring&) override {}
    bool AskYesNo(const std::wstring&) override { return true; }
    void SetHardwareInfo(const std::wstring&) override {}
    void SetCurrentVersion(const std::wstring&) override {}
    void SetConnectButtons(bool) override {}

    bool Finished() const {
        const std::wstring kEnd = L"正常に終了しました。\r\n";
        return m_log.size() >= kEnd.size() &&
               m_log.compare(m_log.size() - kEnd.size(), kEnd.size(), kEnd) == 0;
    }

    std::wstring m_log;
};

std::vector<uint8_t> LargestImage() {
    std::vector<uint8_t> image(kLargestImage);
    for (uint32_t i = 0; i < kLargestImage; ++i)
        image[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
    const uint8_t record[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 7, 1};
    std::memcpy(&image[0x8000], record, sizeof record);
    return image;
}

// One write per iteration, from the disconnected state, with the identity check.
void RunWrites(benchmark::State& state, IDeviceApi& device) {
    CCountingDevice counting(device);
    const std::vector<uint8_t> image = LargestImage();
    uint64_t writes = 0;
    for (auto _ : state) {
        CQuietView view;
        CUpdaterSession session(counting, view, ParseUuidText);
        session.m_strUuid = kUuid;
        session.m_image = image;
        session.OnOK();
        if (!view.Finished()) {
            state.SkipWithError("the write did not finish");
            return;
        }
        ++writes;
    }
    if (writes > 0)
        state.counters["calls"] = static_cast<double>(counting.m_calls / writes);
}

void BM_UpdaterWriteSimulatedModule(benchmark::State& state) {
    nerasim::CTempStore store;
    nerasim::CScopedEnv storeEnv(nerasim::kStoreEnvironment, store.Folder());
    nerasim::CScopedEnv logEnv(nerasim::kLogEnvironment, state.range(0) ? store.File("calls.log") : "");
    nerasim::CSimDeviceApi device;
    RunWrites(state, device);
}
// Argument: 1 = with the call log, as the end-to-end tests run it.
BENCHMARK(BM_UpdaterWriteSimulatedModule)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UpdaterWriteMemoryDevice(benchmark::State& state) {
    CMemoryDevice device;
    RunWrites(state, device);
}
BENCHMARK(BM_UpdaterWriteMemoryDevice)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
