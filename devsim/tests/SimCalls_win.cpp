// A separate Windows process that calls the device libraries in a loop, for the tests and
// measurements that need one:
//   devsim_calls peer STOPFILE READYFILE SECONDS
//       echo tests and hardware-version reads on the first module until STOPFILE exists (or
//       SECONDS passed); READYFILE is made after the first pair of calls. Prints the results
//       by value and whether the hardware code ever went backwards.
//   devsim_calls time COUNT
//       calls per second of Kivo_FlshRead (128 bytes) and Kivo_FlshEchoTest.
//   devsim_calls open READYFILE GOFILE
//       makes READYFILE, waits until GOFILE exists (at most 60 s), opens the first module and
//       prints "opened" (exit 0) or "open failed" (exit 1).
//   devsim_calls line STOPFILE SECONDS
//       waits for modules as a program on a production line does: opens every 50 ms until it
//       finds one, then uses it (echo tests) until a call says it was removed (3), and again.
//       Prints a line whenever what it sees changes: "none", "module 0xHWCODE", "removed",
//       "result N" for any other result.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "common/Kivo5120.h"
#include "common/Q5120Common.h"

namespace {

bool Exists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

std::string Counts(const std::map<int, unsigned>& counts) {
    std::string text;
    for (const auto& entry : counts)
        text += " " + std::to_string(entry.first) + ":" + std::to_string(entry.second);
    return text.empty() ? std::string(" none") : text;
}

int Peer(const wchar_t* stopFile, const wchar_t* readyFile, unsigned seconds) {
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    if (h == 0) {
        std::printf("open failed\n");
        return 3;
    }
    std::map<int, unsigned> echo;
    std::map<int, unsigned> hwVersion;
    unsigned backwards = 0;
    uint32_t last = 0;
    ULONGLONG end = GetTickCount64() + seconds * 1000ull;
    for (unsigned round = 0; !Exists(stopFile) && GetTickCount64() < end; ++round) {
        ++echo[Kivo_FlshEchoTest(h)];
        uint32_t code = 0;
        int result = Kivo_FlshReadHwVersion(h, &code);
        ++hwVersion[result];
        if (result == 0) {
            backwards += code < last;
            last = code;
        }
        if (round == 0)
            Touch(readyFile);
    }
    Q5120_NeraFlashModeClose(h, 0);
    std::printf("echo%s\nhw_version%s\nbackwards %u\nlast_hw_code %u\n", Counts(echo).c_str(),
                Counts(hwVersion).c_str(), backwards, static_cast<unsigned>(last));
    return 0;
}

// Calls per second of one call, measured over count calls.
template <typename TCall> double Rate(unsigned count, TCall call) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER stop;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (unsigned i = 0; i < count; ++i)
        call(i);
    QueryPerformanceCounter(&stop);
    double seconds =
        static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    return seconds > 0 ? count / seconds : 0;
}

int Time(unsigned count) {
    uint32_t h = Q5120_FlashModeOpen(kQ5120FamilyLan, 0);
    if (h == 0) {
        std::printf("open failed\n");
        return 3;
    }
    uint8_t unit[128];
    int failures = 0;
    double read =
        Rate(count, [&](unsigned i) { failures += Kivo_FlshRead(h, 0x8000 + (i % 0x400) * 128, unit) != 0; });
    double echo = Rate(count, [&](unsigned) { failures += Kivo_FlshEchoTest(h) != 0; });
    Q5120_FlashModeClose(h, 0);
    std::printf("Kivo_FlshRead %.0f calls/s\nKivo_FlshEchoTest %.0f calls/s\nfailures %d\n", read, echo,
                failures);
    return failures == 0 ? 0 : 1;
}

int Open(const wchar_t* readyFile, const wchar_t* goFile) {
    Touch(readyFile);
    ULONGLONG end = GetTickCount64() + 60000;
    while (!Exists(goFile)) {
        if (GetTickCount64() > end) {
            std::printf("no start file within 60 s\n");
            return 2;
        }
        Sleep(1);
    }
    uint32_t h = Q5120_NeraFlashModeOpen(0);
    if (h == 0) {
        std::printf("open failed\n");
        return 1;
    }
    Q5120_NeraFlashModeClose(h, 0);
    std::printf("opened\n");
    return 0;
}

// Prints what the program sees now, when it differs from what it saw last.
void Report(std::string& last, const std::string& now) {
    if (now == last)
        return;
    last = now;
    std::printf("%s\n", now.c_str());
    std::fflush(stdout);
}

int Line(const wchar_t* stopFile, unsigned seconds) {
    std::string last;
    uint32_t h = 0;
    ULONGLONG end = GetTickCount64() + seconds * 1000ull;
    while (!Exists(stopFile) && GetTickCount64() < end) {
        if (h == 0) {
            h = Q5120_NeraFlashModeOpen(0);
            uint32_t code = 0;
            int result = h == 0 ? 0 : Kivo_FlshReadHwVersion(h, &code);
            char text[32];
            std::snprintf(text, sizeof text, "module 0x%08X", static_cast<unsigned>(code));
            Report(last, h == 0 ? "none" : result == 0 ? text : "result " + std::to_string(result));
        } else {
            int result = Kivo_FlshEchoTest(h);
            if (result == 3) {
                Report(last, "removed");
                Q5120_NeraFlashModeClose(h, 0);
                h = 0;
                continue; // look for the next module at once
            }
            if (result != 0)
                Report(last, "result " + std::to_string(result));
        }
        Sleep(50);
    }
    if (h != 0)
        Q5120_NeraFlashModeClose(h, 0);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"peer" && argc == 5)
        return Peer(argv[2], argv[3], static_cast<unsigned>(std::wcstoul(argv[4], nullptr, 10)));
    if (mode == L"open" && argc == 4)
        return Open(argv[2], argv[3]);
    if (mode == L"line" && argc == 4)
        return Line(argv[2], static_cast<unsigned>(std::wcstoul(argv[3], nullptr, 10)));
    if (mode == L"time" && argc == 3)
        return Time(static_cast<unsigned>(std::wcstoul(argv[2], nullptr, 10)));
    std::fprintf(stderr,
                 "usage: devsim_calls peer STOPFILE READYFILE SECONDS | time COUNT | open READYFILE GOFILE"
                 " | line STOPFILE SECONDS\n");
    return 2;
}
