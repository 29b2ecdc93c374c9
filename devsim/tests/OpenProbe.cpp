// A separate native process for the new-store test: it makes READYFILE, waits until GOFILE
// exists (at most 60 s), then opens the first module of the store (NERA_SIM_STORE) as a
// program's open call does and prints the module's name.
//   devsim_open_probe READYFILE GOFILE
// Exit status: 0 a module was opened, 1 the open failed, 2 bad usage or no GOFILE.
#include <chrono>
#include <cstdio>
#include <thread>

#include "devsim/SimEngine.h"
#include "devsim/SimFs.h"

int main(int argc, char** argv) {
    using namespace nerasim;
    if (argc != 3 || !FsAppend(argv[1], "")) {
        std::fprintf(stderr, "usage: devsim_open_probe READYFILE GOFILE\n");
        return 2;
    }
    // Polled briefly, so that the processes of one round open within a few hundred microseconds.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    uint64_t size = 0;
    while (!FsFileSize(argv[2], size)) {
        if (std::chrono::steady_clock::now() > end) {
            std::fprintf(stderr, "no %s within 60 s\n", argv[2]);
            return 2;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    CSimEngine engine;
    const uint32_t handle = engine.NeraFlashModeOpen(0);
    if (handle == 0) {
        std::printf("open failed\n");
        return 1;
    }
    SProductInfo info;
    const int result = engine.GetProductInfo(handle, info);
    engine.NeraFlashModeClose(handle, 0);
    std::printf("%s\n", result == kSimOk ? info.module : "no product information");
    return result == kSimOk ? 0 : 1;
}
