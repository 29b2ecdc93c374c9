// Refusing a settings JSON of 1 MB made of 131,000 members, against reading the valid settings
// object once (reference in the same run). The goal: well under a second.
#include <benchmark/benchmark.h>

#include <string>

#include "settings/NeraSettings.h"
#include "settings/SettingsJson.h"

namespace {

// The valid object of a default record with 131,000 extra members of distinct names, 1 MB.
std::string ManyMembers() {
    NeraSettings record;
    MakeDefaultSettings(record, kDefaultServerPort);
    std::string json = SettingsToJson(record, nullptr);
    // Three-character names, as compact as such a file gets: about 8 bytes a member.
    static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string extra;
    for (int i = 0; i < 131000; ++i) {
        extra += '"';
        extra += kDigits[i % 62];
        extra += kDigits[(i / 62) % 62];
        extra += kDigits[i / (62 * 62)];
        extra += "\":1,";
    }
    return json.insert(2, extra);
}

void BM_JsonRefuse1MB(benchmark::State& state) {
    const std::string json = ManyMembers();
    for (auto _ : state) {
        NeraSettings settings;
        uint16_t flag = 0;
        std::wstring message;
        benchmark::DoNotOptimize(SettingsFromJson(json, settings, flag, message));
    }
    state.counters["bytes"] = static_cast<double>(json.size());
}
BENCHMARK(BM_JsonRefuse1MB)->Unit(benchmark::kMillisecond);

void BM_JsonReadSettings(benchmark::State& state) {
    NeraSettings record;
    MakeDefaultSettings(record, kDefaultServerPort);
    const std::string json = SettingsToJson(record, nullptr);
    for (auto _ : state) {
        NeraSettings settings;
        uint16_t flag = 0;
        std::wstring message;
        benchmark::DoNotOptimize(SettingsFromJson(json, settings, flag, message));
    }
}
BENCHMARK(BM_JsonReadSettings)->Unit(benchmark::kMicrosecond);

} // namespace
