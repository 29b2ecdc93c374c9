// Deciphering the largest package (512 KiB) with our DES against the distribution's libcrypto
// DES-ECB on the same bytes (goal: at least as fast), and the updater's whole package load for
// the largest package against the smallest (goal: under 50 ms added).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "firmware/Des.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/PackageBuilder.h"

// The low-level DES calls are deprecated in OpenSSL 3 but are the plainest reference.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

namespace {

constexpr uint8_t kKey[8] = {0x3A, 0x6C, 0x15, 0xE2, 0x9B, 0x40, 0xD7, 0x58};

std::vector<uint8_t> LargestImageBytes() {
    std::vector<uint8_t> data(kMaxImageLength);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 131u + (i >> 9));
    }
    return data;
}

void BM_DesDecipher512KiB_Ours(benchmark::State& state) {
    std::vector<uint8_t> data = LargestImageBytes();
    for (auto _ : state) {
        DesEcb(kKey, data.data(), data.size(), kDesDecipher);
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_DesDecipher512KiB_Ours)->Unit(benchmark::kMillisecond);

void BM_DesDecipher512KiB_Libcrypto(benchmark::State& state) {
    std::vector<uint8_t> data = LargestImageBytes();
    for (auto _ : state) {
        // The key schedule is formed once per package, as ours is.
        DES_cblock key;
        std::memcpy(key, kKey, sizeof(key));
        DES_key_schedule schedule;
        DES_set_key_unchecked(&key, &schedule);
        for (size_t offset = 0; offset + 8 <= data.size(); offset += 8) {
            DES_cblock block;
            std::memcpy(block, &data[offset], 8);
            DES_ecb_encrypt(&block, &block, &schedule, DES_DECRYPT);
            std::memcpy(&data[offset], block, 8);
        }
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_DesDecipher512KiB_Libcrypto)->Unit(benchmark::kMillisecond);

// A package in memory after 64 KiB of program bytes, as the updater's executable carries it.
std::vector<uint8_t> PackageOfLength(uint32_t length) {
    std::vector<uint8_t> image(length, 0x5A);
    std::vector<uint8_t> program(0x10000, 0x90);
    std::vector<uint8_t> package;
    if (BuildPackage(program, image, L"5.7.1", kKey, package) != EBuildError::kNone) {
        package.clear();
    }
    return package;
}

// The load of the reader: checks, read, 0xFF fill and deciphering; arg = image length.
void BM_PackageLoad(benchmark::State& state) {
    std::vector<uint8_t> package = PackageOfLength(static_cast<uint32_t>(state.range(0)));
    if (package.empty()) {
        state.SkipWithError("package not built");
        return;
    }
    for (auto _ : state) {
        CBytePackageSource source(package);
        SFirmwareImage image;
        if (ReadFirmwarePackage(source, image) != EPackageError::kNone) {
            state.SkipWithError("package refused");
            return;
        }
        benchmark::DoNotOptimize(image.m_data.data());
    }
}
BENCHMARK(BM_PackageLoad)->Arg(kMinImageSize)->Arg(kMaxImageLength)->Unit(benchmark::kMillisecond);

} // namespace
