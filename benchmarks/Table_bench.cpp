// Reading a batch table of 10,000 rows, against decoding the same bytes as UTF-8 text alone
// (reference in the same run). The goal for the whole check of a table: well under 0.5 s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "batch/BatchTable.h"
#include "common/Utf8Text.h"

namespace {

// A table as a production line would have it: the key and six options, some cells quoted,
// some empty, about 130 bytes a row.
std::string LineTable(size_t rows) {
    std::string csv = "uuid,ip,mask,gateway,server,port,password\r\n";
    for (size_t i = 0; i < rows; ++i) {
        char row[192];
        std::snprintf(row, sizeof row,
                      "%08zx-0f17-4c3a-8e5b-%012zx,192.168.%zu.%zu,255.255.255.0,192.168.%zu.1,"
                      "\"line-%zu.example\",%s,\"pw,%zu\"\r\n",
                      i, i * 7919, i / 250, i % 250 + 2, i / 250, i % 8, i % 3 == 0 ? "" : "502", i);
        csv += row;
    }
    return csv;
}

void BM_TableRead10000Rows(benchmark::State& state) {
    const std::string csv = LineTable(10000);
    for (auto _ : state) {
        SBatchTable table;
        CTableProblems problems;
        if (!ReadBatchTable(csv, table, problems) || table.rows.size() != 10000) {
            state.SkipWithError("the generated table was refused");
            break;
        }
        benchmark::DoNotOptimize(table);
    }
    state.counters["bytes"] = static_cast<double>(csv.size());
}
BENCHMARK(BM_TableRead10000Rows)->Unit(benchmark::kMillisecond);

void BM_TableUtf8Reference(benchmark::State& state) {
    const std::string csv = LineTable(10000);
    for (auto _ : state) {
        std::wstring text;
        benchmark::DoNotOptimize(StrictWideFromUtf8(csv, text));
        benchmark::DoNotOptimize(text);
    }
    state.counters["bytes"] = static_cast<double>(csv.size());
}
BENCHMARK(BM_TableUtf8Reference)->Unit(benchmark::kMillisecond);

} // namespace
