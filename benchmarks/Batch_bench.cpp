// nera batch on a production line, three figures, each beside its reference in the same run:
// - checking a table of 10,000 rows (read, every row made into set's record, repeated
//   addresses); reference: reading the same table's structure alone. Goal: under 0.5 s.
// - the engine's own cost per module, against modules kept in memory that answer at once;
//   reference: the same device calls made directly. Goal: under 1 ms.
// - a batch of 100 simulated modules delivered one after another through the native simulated
//   line (store files, locks, call log off). Goal: under 2 s.
#include <benchmark/benchmark.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "batch/BatchSession.h"
#include "common/HexText.h"
#include "common/UuidText.h"
#include "devsim/SimDeviceApi.h"
#include "devsim/SimLog.h"
#include "devsim/SimModule.h"
#include "devsim/SimStore.h"
#include "devsim/tests/TestStore.h"

namespace {

// The identifier of module i: the default one with its last two bytes replaced.
std::wstring ModuleUuid(size_t i) {
    return L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F0" + WideHexFromNumber(static_cast<uint32_t>(i), 4);
}

std::string Table(size_t rows) {
    std::string csv = "uuid,ip,mask,gateway,ntp,password\n";
    for (size_t i = 0; i < rows; ++i) {
        const std::wstring uuid = ModuleUuid(i);
        csv += std::string(uuid.begin(), uuid.end()) + ",10." + std::to_string(i / 65536) + "." +
               std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) +
               ",255.0.0.0,10.255.255.254,ntp.example,pw" + std::to_string(i) + "\n";
    }
    return csv;
}

SSettingsSource Template() {
    SSettingsSource source;
    MakeDefaultSettings(source.record, kDefaultServerPort);
    SEditorFields fields;
    SEditorProblem problem;
    CollectEditorSettings(fields, source.record, problem);
    return source;
}

std::vector<SBatchRecipe> Recipes(size_t rows) {
    SBatchTable table;
    CTableProblems problems;
    std::vector<SBatchRecipe> recipes;
    ReadBatchTable(Table(rows), table, problems);
    BuildBatchRecipes(Template(), table, recipes, problems);
    return recipes;
}

void BM_BatchTableCheck(benchmark::State& state) {
    const std::string csv = Table(10000);
    const SSettingsSource templateFile = Template();
    for (auto _ : state) {
        SBatchTable table;
        CTableProblems problems;
        std::vector<SBatchRecipe> recipes;
        const bool ok =
            ReadBatchTable(csv, table, problems) && BuildBatchRecipes(templateFile, table, recipes, problems);
        benchmark::DoNotOptimize(ok);
        if (!ok || recipes.size() != 10000) {
            state.SkipWithError("the table was refused");
        }
    }
}
BENCHMARK(BM_BatchTableCheck)->Unit(benchmark::kMillisecond);

void BM_BatchTableReadOnly(benchmark::State& state) {
    const std::string csv = Table(10000);
    for (auto _ : state) {
        SBatchTable table;
        CTableProblems problems;
        benchmark::DoNotOptimize(ReadBatchTable(csv, table, problems));
    }
}
BENCHMARK(BM_BatchTableReadOnly)->Unit(benchmark::kMillisecond);

// Modules in memory on a line: one is plugged in at a time, areas 6 and 7 and the version
// record answer at once, writes land in memory.
class CMemoryLine : public IDeviceApi {
public:
    explicit CMemoryLine(size_t modules) {
        for (size_t i = 0; i < modules; ++i) {
            SModule& module = m_modules[i];
            std::memset(module.area6, 0xFF, sizeof module.area6);
            std::memset(module.area7, 0xFF, sizeof module.area7);
            ParseUuidText(ModuleUuid(i), module.area7);
            NeraSettings record;
            MakeDefaultSettings(record, kDefaultServerPort);
            const uint8_t mac[6] = {0x02, 0, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
            std::memcpy(record.Mac(), mac, sizeof mac);
            std::memcpy(module.area6, record.bytes, sizeof module.area6);
        }
    }
    // Plugs in module i, or none (-1).
    void Plug(int module) { m_plugged = module; }

    uint32_t NeraFlashModeOpen(uint32_t) override { return Open(); }
    int NeraFlashModeClose(uint32_t, uint32_t) override { return 0; }
    uint32_t FlashModeOpen(uint32_t, uint32_t) override { return Open(); }
    int FlashModeClose(uint32_t, uint32_t) override { return 0; }
    int ShowProductInfo(uint32_t) override { return 0; }
    int OptionDlg2() override { return 0; }
    int ReadRWArea(uint32_t, uint32_t area, uint8_t* buffer) override {
        ++m_calls;
        std::memcpy(buffer, area == 7 ? Plugged().area7 : Plugged().area6, 128);
        return 0;
    }
    int WriteRWArea(uint32_t, uint32_t, const uint8_t* buffer) override {
        ++m_calls;
        std::memcpy(Plugged().area6, buffer, 128);
        return 0;
    }
    int Close(uint32_t) override { return 0; }
    int SetTimeouts(uint32_t, uint32_t, uint32_t) override { return 0; }
    int EchoTest(uint32_t) override { return 0; }
    int ReadHwVersion(uint32_t, uint32_t* code) override {
        ++m_calls;
        *code = 0x40010001u;
        return 0;
    }
    int FlashRead(uint32_t, uint32_t, uint8_t* buffer) override {
        ++m_calls;
        static const uint8_t kVersion[12] = {0, 0, 0, 0, 0x40, 0x01, 0x00, 0x01, 0, 5, 6, 0};
        std::memset(buffer, 0xFF, 128);
        std::memcpy(buffer, kVersion, sizeof kVersion);
        return 0;
    }
    uint32_t GetEraseBlk(uint32_t) override { return 0; }
    int Erase(uint32_t, uint32_t) override { return 0; }
    int FlashWrite(uint32_t, uint32_t, const uint8_t*, uint32_t) override { return 0; }

    uint64_t m_calls = 0;

private:
    struct SModule {
        uint8_t area6[128];
        uint8_t area7[128];
    };
    uint32_t Open() {
        ++m_calls;
        return m_plugged < 0 ? 0 : 1;
    }
    SModule& Plugged() { return m_modules[m_plugged < 0 ? 0 : m_plugged]; }

    std::map<size_t, SModule> m_modules;
    int m_plugged = -1;
};

// The line moves on at every pause: module 0, none, module 1, none, ...; no output, files in
// memory.
class CQuietLineView : public IBatchView {
public:
    explicit CQuietLineView(std::function<void(int)> plug) : m_plug(std::move(plug)) {}
    void Status(const std::wstring&) override {}
    bool StopRequested() override { return false; }
    void Pause(unsigned) override {
        m_plug(m_step % 2 == 0 ? static_cast<int>(m_step / 2) : -1);
        ++m_step;
    }
    bool CanAsk() override { return false; }
    bool Ask(const std::wstring&) override { return false; }
    std::string UtcNow() override { return "2026-12-09T01:02:03Z"; }
    bool FileExists(const std::wstring&) override { return false; }
    bool WriteNewFile(const std::wstring&, const std::vector<uint8_t>&, std::wstring&) override {
        return true;
    }
    bool AppendReport(const std::string& text, std::wstring&) override {
        m_reportBytes += text.size();
        return true;
    }

    size_t m_reportBytes = 0;

private:
    std::function<void(int)> m_plug;
    size_t m_step = 0;
};

constexpr size_t kLineModules = 100;

void BM_BatchPerModuleInMemory(benchmark::State& state) {
    const std::vector<SBatchRecipe> recipes = Recipes(kLineModules);
    SBatchOptions options;
    options.templateFile = Template();
    options.backupFolder = L"b/";
    for (auto _ : state) {
        CMemoryLine device(kLineModules);
        CQuietLineView view([&](int module) { device.Plug(module); });
        SReportMemory memory;
        CBatchSession session(device, view, options, recipes, memory);
        const SBatchSummary summary = session.Run();
        if (summary.counts[static_cast<size_t>(EBatchResult::kOk)] != kLineModules) {
            state.SkipWithError("not every module was set up");
        }
    }
    state.counters["per_module_us"] =
        benchmark::Counter(static_cast<double>(kLineModules),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BatchPerModuleInMemory)->Unit(benchmark::kMillisecond);

// The reference: the device calls of one module (open, area 6, identity, version, write,
// read back, and the checks for its removal) made directly, for a line of the same length.
void BM_BatchDeviceCallsAlone(benchmark::State& state) {
    for (auto _ : state) {
        CMemoryLine device(kLineModules);
        uint8_t buffer[128];
        uint32_t code = 0;
        for (size_t i = 0; i < kLineModules; ++i) {
            device.Plug(static_cast<int>(i));
            const uint32_t handle = device.NeraFlashModeOpen(0);
            device.ReadRWArea(handle, 6, buffer);
            device.ReadHwVersion(handle, &code);
            device.FlashRead(handle, 0x8000, buffer);
            device.ReadRWArea(handle, 7, buffer);
            device.WriteRWArea(handle, 6, buffer);
            device.ReadRWArea(handle, 6, buffer);
            device.NeraFlashModeClose(handle, 0);
            device.ReadRWArea(device.NeraFlashModeOpen(0), 7, buffer);
            device.Plug(-1);
            benchmark::DoNotOptimize(device.NeraFlashModeOpen(0));
        }
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_BatchDeviceCallsAlone)->Unit(benchmark::kMillisecond);

// 100 modules of a simulated store, attached one after another while the batch waits.
void BM_BatchOfSimulatedModules(benchmark::State& state) {
    nerasim::CTempStore temp;
    nerasim::CScopedEnv storeEnv(nerasim::kStoreEnvironment, temp.Folder());
    nerasim::CScopedEnv logEnv(nerasim::kLogEnvironment, "");
    nerasim::CSimStore store(temp.Folder());
    const std::vector<SBatchRecipe> recipes = Recipes(kLineModules);
    SBatchOptions options;
    options.templateFile = Template();
    options.backupFolder = L"b/";
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < kLineModules; ++i) {
            nerasim::CModuleIdentity identity = nerasim::CModuleIdentity::Default();
            identity.m_uuid[14] = 0; // the last two bytes of the text, first three fields reversed
            identity.m_uuid[15] = static_cast<uint8_t>(i);
            identity.m_mac[5] = static_cast<uint8_t>(i);
            nerasim::ReplaceModule(store, "m" + std::to_string(i), identity, {});
        }
        store.AttachModule("");
        state.ResumeTiming();
        nerasim::CSimDeviceApi device;
        CQuietLineView view(
            [&](int module) { store.AttachModule(module < 0 ? "" : "m" + std::to_string(module)); });
        SReportMemory memory;
        CBatchSession session(device, view, options, recipes, memory);
        const SBatchSummary summary = session.Run();
        if (summary.counts[static_cast<size_t>(EBatchResult::kOk)] != kLineModules) {
            state.SkipWithError("not every module was set up");
        }
    }
}
BENCHMARK(BM_BatchOfSimulatedModules)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
