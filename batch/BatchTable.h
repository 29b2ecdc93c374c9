#pragma once
// The table a batch of modules is set up from: CSV in UTF-8 (RFC 4180 quoting, a header row),
// whose first column names the key that identifies a module and whose other columns are options
// of nera set. Only the structure is read here: the keys are checked and normalised, the cells
// are kept as text for the caller, who converts them as nera set converts its options. A table
// with any problem is refused whole, with every problem listed (up to a limit).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Limits far above any real table, so that a wrong file is refused before it costs much.
constexpr uint64_t kMaxTableBytes = 16u * 1024 * 1024;
constexpr size_t kMaxTableRows = 100000;
// Characters (code points) of one field; the longest real value is a 32-byte host name.
constexpr size_t kMaxTableFieldChars = 256;
// Problems listed before the rest are only counted.
constexpr size_t kMaxTableProblems = 50;

enum class EBatchKey { kUuid, kMac };

// The key column's name in the header: "uuid" or "mac".
const wchar_t* BatchKeyName(EBatchKey key);

// One problem of a table: its line (1-based, 0 for the file as a whole), the column it concerns
// (the header's name, "N 列目" where the name cannot serve, "" for the whole row) and why.
struct STableProblem {
    size_t line = 0;
    std::wstring column;
    std::wstring message;
};

// "table.csv:12: ip: message", leaving out the line when it is 0 and the column when empty.
std::wstring FormatTableProblem(const std::wstring& fileName, const STableProblem& problem);

// The problems of one table in the order they were found. The reader adds its own; the caller
// adds those it finds in the rows' values, of the same shape. Past the limit they are counted.
class CTableProblems {
public:
    explicit CTableProblems(size_t limit = kMaxTableProblems) : m_limit(limit) {}

    void Add(size_t line, const std::wstring& column, const std::wstring& message);
    bool Empty() const { return Count() == 0; }
    // Every problem added, kept or not.
    size_t Count() const { return m_kept.size() + m_leftOut; }
    const std::vector<STableProblem>& Kept() const { return m_kept; }
    size_t LeftOut() const { return m_leftOut; }
    // One formatted line per kept problem, then one saying how many more were left out.
    std::vector<std::wstring> Lines(const std::wstring& fileName) const;

private:
    size_t m_limit;
    std::vector<STableProblem> m_kept;
    size_t m_leftOut = 0;
};

// One data row. A cell without a value (empty, quoted or not) means "as the template".
struct SBatchRow {
    size_t line = 0;  // the table line where the row starts
    std::wstring key; // uuid: upper-case 8-4-4-4-12 text; mac: 12 upper-case hex digits
    std::vector<std::optional<std::wstring>> cells; // one per option column
};

struct SBatchTable {
    EBatchKey key = EBatchKey::kUuid;
    std::vector<std::wstring> columns; // the option columns, after the key column
    std::vector<SBatchRow> rows;
};

// A table file's size checked before it is read: false, with the problem added, when it is
// over kMaxTableBytes.
bool CheckTableSize(uint64_t size, CTableProblems& problems);

// Reads the table's bytes. True when it finds no problem (those already in the list do not
// count); otherwise false with table empty and every problem it found added (also when the
// bytes are over kMaxTableBytes, without reading them).
bool ReadBatchTable(const std::string& bytes, SBatchTable& table, CTableProblems& problems);
