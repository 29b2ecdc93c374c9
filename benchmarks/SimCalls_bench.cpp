// Calls per second of the simulated module's device calls on a module that nobody else changes,
// with and without the call log. Reference: one uncached read of 128 bytes from the module's
// flash file (open, read, close), the least that a call which goes to the files each time costs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "devsim/SimEngine.h"
#include "devsim/SimFs.h"
#include "devsim/SimLog.h"
#include "devsim/SimStore.h"

namespace {

using namespace nerasim;

// A store with one module in a private temporary folder, removed at the end of the run.
class CBenchStore {
public:
    CBenchStore() {
        std::string pattern = FsGetEnv("TMPDIR");
        pattern = (pattern.empty() ? std::string("/tmp") : pattern) + "/nerasim-bench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) == nullptr)
            std::abort();
        m_root = name.data();
        std::string error;
        if (!CSimStore(Store()).CreateModule("m", CModuleIdentity::Default(), error))
            std::abort();
        FsSetEnv(kStoreEnvironment, Store());
    }
    ~CBenchStore() {
        FsRemoveFolder(FsJoin(Store(), "m"));
        FsRemoveFolder(Store());
        std::remove(Log().c_str());
        FsRemoveFolder(m_root);
    }
    std::string Store() const { return FsJoin(m_root, "store"); }
    std::string Log() const { return FsJoin(m_root, "calls.log"); }

private:
    std::string m_root;
};

CBenchStore& Store() {
    static CBenchStore store;
    return store;
}

// Runs one call in a loop on an open handle; range(0) = 1 writes the call log.
template <typename TCall> void RunCalls(benchmark::State& state, TCall call) {
    FsSetEnv(kLogEnvironment, state.range(0) != 0 ? Store().Log() : std::string());
    CSimEngine engine;
    uint32_t h = engine.FlashModeOpen(kLanProductFamily, 0);
    if (h == 0) {
        state.SkipWithError("open failed");
        return;
    }
    int failures = 0;
    uint32_t i = 0;
    for (auto _ : state)
        failures += call(engine, h, i++) != kSimOk;
    engine.Close(h);
    FsSetEnv(kLogEnvironment, std::string());
    std::remove(Store().Log().c_str());
    if (failures != 0)
        state.SkipWithError("calls failed");
    state.SetItemsProcessed(state.iterations());
}

void BM_SimFlshRead128(benchmark::State& state) {
    uint8_t unit[kFlashReadUnit];
    RunCalls(state, [&](CSimEngine& engine, uint32_t h, uint32_t i) {
        int result = engine.FlashRead(h, 0x8000 + (i % 0x400) * kFlashReadUnit, unit);
        benchmark::DoNotOptimize(unit);
        return result;
    });
}
BENCHMARK(BM_SimFlshRead128)->ArgName("log")->Arg(0)->Arg(1)->UseRealTime();

void BM_SimFlshEchoTest(benchmark::State& state) {
    RunCalls(state, [](CSimEngine& engine, uint32_t h, uint32_t) { return engine.EchoTest(h); });
}
BENCHMARK(BM_SimFlshEchoTest)->ArgName("log")->Arg(0)->Arg(1)->UseRealTime();

void BM_ReferenceUncachedFileRead128(benchmark::State& state) {
    std::string flash = FsJoin(FsJoin(Store().Store(), "m"), "flash.bin");
    uint8_t unit[kFlashReadUnit];
    uint32_t i = 0;
    for (auto _ : state) {
        int fd = open(flash.c_str(), O_RDONLY | O_CLOEXEC);
        ssize_t got = pread(fd, unit, sizeof unit, 0x8000 + (i++ % 0x400) * kFlashReadUnit);
        close(fd);
        benchmark::DoNotOptimize(got);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReferenceUncachedFileRead128)->UseRealTime();

} // namespace
