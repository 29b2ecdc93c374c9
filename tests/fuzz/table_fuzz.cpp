// Fuzz target for the batch table: the reader on any bytes, and the round trip of what it takes.
//
// Properties: a refused table keeps no row and no column and says why, at a line the bytes have;
// an accepted one, written again as CSV (every value quoted) and read again, gives the same key,
// columns, keys and cells; its keys are in their normal form.
#include <cstddef>
#include <cstdint>
#include <string>

#include "batch/BatchTable.h"
#include "common/Utf8Text.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

std::string QuotedField(const std::wstring& text) {
    std::string out = "\"";
    for (char c : Utf8FromWide(text)) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

std::string WriteTable(const SBatchTable& table) {
    std::string csv = Utf8FromWide(BatchKeyName(table.key));
    for (const std::wstring& column : table.columns) {
        csv += "," + Utf8FromWide(column);
    }
    csv += "\r\n";
    for (const SBatchRow& row : table.rows) {
        csv += Utf8FromWide(row.key);
        for (const auto& cell : row.cells) {
            csv += "," + (cell ? QuotedField(*cell) : std::string());
        }
        csv += "\n";
    }
    return csv;
}

bool SameRows(const SBatchTable& a, const SBatchTable& b) {
    if (a.key != b.key || a.columns != b.columns || a.rows.size() != b.rows.size()) {
        return false;
    }
    for (size_t i = 0; i < a.rows.size(); ++i) {
        if (a.rows[i].key != b.rows[i].key || a.rows[i].cells != b.rows[i].cells) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    SBatchTable table;
    CTableProblems problems;
    if (!ReadBatchTable(bytes, table, problems)) {
        FUZZ_CHECK(table.rows.empty() && table.columns.empty());
        FUZZ_CHECK(!problems.Empty());
        size_t lines = 1;
        for (char c : bytes) {
            lines += c == '\n';
        }
        for (const STableProblem& problem : problems.Kept()) {
            FUZZ_CHECK(!problem.message.empty());
            FUZZ_CHECK(problem.line >= 1 && problem.line <= lines);
        }
        return 0;
    }
    FUZZ_CHECK(problems.Empty());
    size_t lastLine = 1;
    for (const SBatchRow& row : table.rows) {
        FUZZ_CHECK(row.line > lastLine);
        lastLine = row.line;
        FUZZ_CHECK(row.cells.size() == table.columns.size());
        FUZZ_CHECK(row.key.size() == (table.key == EBatchKey::kUuid ? 36u : 12u));
        for (wchar_t c : row.key) {
            FUZZ_CHECK((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || c == L'-');
        }
        for (const auto& cell : row.cells) {
            FUZZ_CHECK(!cell || (!cell->empty() && cell->size() <= 2 * kMaxTableFieldChars));
        }
    }
    SBatchTable again;
    CTableProblems againProblems;
    FUZZ_CHECK(ReadBatchTable(WriteTable(table), again, againProblems));
    FUZZ_CHECK(SameRows(table, again));
    return 0;
}
