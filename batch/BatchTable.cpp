#include "batch/BatchTable.h"

#include <unordered_map>
#include <utility>

#include "common/FieldChecks.h"
#include "common/PrintableText.h"
#include "common/Utf8Text.h"
#include "common/UuidText.h"

namespace {

// The columns a table may have besides its key: nera set's options without their dashes.
const wchar_t* const kOptionColumns[] = {
    L"ip",   L"mask",        L"gateway", L"dns",      L"dhcp",        L"ntp", L"server",
    L"port", L"server-port", L"client",  L"password", L"no-password", L"mac",
};

const char kUtf8Bom[] = "\xEF\xBB\xBF";

bool IsOptionColumn(const std::wstring& name) {
    for (const wchar_t* option : kOptionColumns) {
        if (name == option) {
            return true;
        }
    }
    return false;
}

std::wstring OptionColumnList() {
    std::wstring list;
    for (const wchar_t* option : kOptionColumns) {
        list += list.empty() ? L"" : L", ";
        list += option;
    }
    return list;
}

// Fields of one record that are kept. A table has at most 14 columns, so a wider header always
// has a bad name among these, and a wider row is refused for its count; what lies beyond is
// counted, not kept, so that a line of millions of commas costs no memory.
constexpr size_t kMaxKeptFields = 64;

std::wstring NthColumn(size_t index) {
    return std::to_wstring(index + 1) + L" 列目";
}

// One field as it stands in the bytes: quotes taken off and "" made one, not yet decoded.
struct SRawField {
    size_t line = 0; // where the field starts
    std::string bytes;
};

struct SRawRecord {
    size_t line = 0;
    size_t count = 0; // fields in the record; the first kMaxKeptFields are in fields
    std::vector<SRawField> fields;
};

// Reads the records of the table one by one and checks them against the header. Every problem
// goes to the list; the reader goes on after each one it can step over, so that one run shows
// them all, and stops only where nothing after it can be read sensibly (an unterminated quote,
// too many rows).
class CTableReader {
public:
    CTableReader(const std::string& bytes, CTableProblems& problems)
        : m_bytes(bytes), m_problems(problems), m_problemsBefore(problems.Count()) {}

    void Read(SBatchTable& table) {
        if (m_bytes.compare(0, 3, kUtf8Bom) == 0) {
            m_pos = 3;
        }
        SRawRecord record;
        if (!NextRecord(record)) {
            if (!m_stopped) {
                m_problems.Add(1, L"",
                               L"表が空です。1 行目に見出しの行（uuid か mac で始まる列名）が必要です。");
            }
            return;
        }
        ReadHeader(record, table);
        size_t rows = 0;
        while (NextRecord(record)) {
            if (++rows > kMaxTableRows) {
                m_problems.Add(record.line, L"",
                               L"データの行が多すぎます（" + std::to_wstring(kMaxTableRows) + L" 行まで）。");
                return;
            }
            ReadRow(record, table);
        }
    }

private:
    bool AtEnd() const { return m_pos >= m_bytes.size(); }
    char At(size_t pos) const { return pos < m_bytes.size() ? m_bytes[pos] : '\0'; }
    bool AtLineEnd() const { return At(m_pos) == '\n' || (At(m_pos) == '\r' && At(m_pos + 1) == '\n'); }

    // The column as problems name it: the header's name where it has one.
    std::wstring Label(size_t index) const {
        if (index < m_labels.size() && !m_labels[index].empty()) {
            return m_labels[index];
        }
        return NthColumn(index);
    }

    // The next record, blank lines skipped; false at the end of the bytes or after an
    // unterminated quote, which leaves nothing to read.
    bool NextRecord(SRawRecord& record) {
        while (!m_stopped && AtLineEnd()) {
            m_pos += At(m_pos) == '\r' ? 2 : 1;
            ++m_line;
        }
        if (m_stopped || AtEnd()) {
            return false;
        }
        record.line = m_line;
        record.count = 0;
        record.fields.clear();
        SRawField beyond;
        for (;;) {
            if (record.count < kMaxKeptFields) {
                record.fields.emplace_back();
            }
            SRawField& field = record.count < kMaxKeptFields ? record.fields.back() : beyond;
            field.line = m_line;
            field.bytes.clear();
            ReadField(field, record.count++);
            if (m_stopped) {
                return false;
            }
            if (At(m_pos) == ',') {
                ++m_pos;
                continue;
            }
            if (!AtEnd()) {
                m_pos += At(m_pos) == '\r' ? 2 : 1;
                ++m_line;
            }
            return true;
        }
    }

    // One field up to its separator, its line end or the end of the bytes.
    void ReadField(SRawField& field, size_t index) {
        if (At(m_pos) == '"') {
            ReadQuotedField(field, index);
            return;
        }
        const size_t start = m_pos;
        bool quoteSeen = false;
        bool crSeen = false;
        while (!AtEnd() && At(m_pos) != ',' && !AtLineEnd()) {
            if (At(m_pos) == '"' && !quoteSeen) {
                quoteSeen = true;
                m_problems.Add(m_line, Label(index),
                               L"「\"」で囲まれていない値の中に「\"」があります"
                               L"（「\"」を含む値は全体を「\"」で囲み、中の「\"」は「\"\"」と書きます）。");
            } else if (At(m_pos) == '\r' && !crSeen) {
                crSeen = true;
                m_problems.Add(m_line, Label(index),
                               L"CR だけの改行があります（行末は CRLF か LF にしてください）。");
            }
            ++m_pos;
        }
        field.bytes.assign(m_bytes, start, m_pos - start);
    }

    void ReadQuotedField(SRawField& field, size_t index) {
        ++m_pos;
        for (;;) {
            if (AtEnd()) {
                m_problems.Add(field.line, Label(index), L"「\"」で始まる値が閉じられていません。");
                m_stopped = true;
                return;
            }
            const char c = m_bytes[m_pos];
            if (c == '"') {
                if (At(m_pos + 1) != '"') {
                    ++m_pos;
                    break;
                }
                ++m_pos; // "" stands for one quote
            } else if (c == '\n') {
                ++m_line;
            }
            field.bytes += c;
            ++m_pos;
        }
        if (!AtEnd() && At(m_pos) != ',' && !AtLineEnd()) {
            m_problems.Add(m_line, Label(index),
                           L"「\"」で閉じた値の後ろに文字があります（値の中の「\"」は「\"\"」と書きます）。");
            while (!AtEnd() && At(m_pos) != ',' && !AtLineEnd()) {
                ++m_pos;
            }
        }
    }

    // The field's text. Each kind of fault is named once per field, at the line of its first
    // byte; false when there was one. An overlong field is still read through for its faults
    // and its length, but only its first characters are kept.
    bool DecodeField(const SRawField& field, const std::wstring& column, std::wstring& text) {
        text.clear();
        size_t line = field.line;
        size_t chars = 0;
        bool nulSeen = false;
        bool badSeen = false;
        for (size_t pos = 0; pos < field.bytes.size();) {
            uint32_t codePoint = 0;
            size_t length = 0;
            if (field.bytes[pos] == '\0') {
                if (!nulSeen) {
                    m_problems.Add(line, column, L"NUL 文字（0x00）があります。");
                }
                nulSeen = true;
                length = 1;
            } else if (!DecodeUtf8Char(field.bytes, pos, codePoint, length)) {
                if (!badSeen) {
                    m_problems.Add(
                        line, column,
                        L"UTF-8 として読めないバイトがあります（表は UTF-8 で保存してください）。");
                }
                badSeen = true;
                length = 1;
            } else {
                line += codePoint == '\n';
                if (chars < kMaxTableFieldChars) {
                    AppendCodePoint(text, codePoint);
                }
            }
            ++chars;
            pos += length;
        }
        if (chars > kMaxTableFieldChars) {
            m_problems.Add(field.line, column,
                           L"値が長すぎます（" + std::to_wstring(chars) + L" 文字。" +
                               std::to_wstring(kMaxTableFieldChars) + L" 文字まで）。");
            return false;
        }
        return !nulSeen && !badSeen;
    }

    void ReadHeader(const SRawRecord& record, SBatchTable& table) {
        const size_t line = record.line;
        m_columnCount = record.count;
        const size_t kept = record.fields.size();
        std::vector<std::wstring> names(kept);
        std::vector<bool> readable(kept);
        for (size_t i = 0; i < kept; ++i) {
            readable[i] = DecodeField(record.fields[i], NthColumn(i), names[i]);
            m_labels.push_back(readable[i] ? PrintableText(names[i]) : std::wstring());
        }
        if (readable[0] && (names[0] == L"uuid" || names[0] == L"mac")) {
            m_keyKnown = true;
            table.key = names[0] == L"uuid" ? EBatchKey::kUuid : EBatchKey::kMac;
        } else if (readable[0]) {
            uint8_t uuid[16];
            std::wstring digits;
            if (ParseUuidText(names[0], uuid) || ParseMacOption(names[0], digits)) {
                m_problems.Add(
                    line, L"",
                    L"見出しの行がありません。1 行目は uuid か mac で始まる列名の行にしてください。");
                return; // the rest of the line holds values, not column names to find fault with
            } else {
                m_problems.Add(
                    line, Label(0),
                    L"最初の列はモジュールを見分けるキーの列です。列名は uuid か mac にしてください。");
            }
        }
        std::unordered_map<std::wstring, size_t> seen;
        for (size_t i = 1; i < kept; ++i) {
            const std::wstring& name = names[i];
            if (!readable[i]) { // its problem is listed already
                continue;
            }
            if (name.empty()) {
                m_problems.Add(line, Label(i), L"列名がありません。");
            } else if (!IsOptionColumn(name)) {
                m_problems.Add(line, Label(i), L"不明な列名です。使える列名: " + OptionColumnList() + L"。");
            } else if (!seen.emplace(name, i).second) {
                m_problems.Add(line, Label(i), L"同じ列名が " + NthColumn(seen[name]) + L"にもあります。");
            } else if (m_keyKnown && table.key == EBatchKey::kMac && name == L"mac") {
                m_problems.Add(line, Label(i),
                               L"mac がキーの表に mac の列は置けません（キーは変更できません）。"
                               L"MAC アドレスを書き込むには uuid をキーにしてください。");
            }
        }
        table.columns.assign(names.begin() + 1, names.end());
    }

    void ReadRow(const SRawRecord& record, SBatchTable& table) {
        const size_t line = record.line;
        std::vector<std::wstring> texts(record.fields.size());
        std::vector<bool> readable(record.fields.size());
        for (size_t i = 0; i < record.fields.size(); ++i) {
            readable[i] = DecodeField(record.fields[i], Label(i), texts[i]);
        }
        if (record.count != m_columnCount) {
            const std::wstring counts = L"（見出しは " + std::to_wstring(m_columnCount) + L" 列、この行は " +
                                        std::to_wstring(record.count) + L" 列）。";
            m_problems.Add(line, L"", L"値の数が見出しの列の数と違います" + counts);
        }
        if (!m_keyKnown || !readable[0]) {
            return;
        }
        const std::wstring keyColumn = BatchKeyName(table.key);
        SBatchRow row;
        row.line = line;
        if (texts[0].empty()) {
            m_problems.Add(line, keyColumn, L"キーの値がありません。");
            return;
        }
        if (table.key == EBatchKey::kUuid) {
            uint8_t uuid[16];
            if (!ParseUuidText(texts[0], uuid)) {
                m_problems.Add(
                    line, keyColumn,
                    L"製品識別子は xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx（16進数）の形で書いてください。");
                return;
            }
            row.key = WideTextFromUuid(uuid, EHexCase::kUpper);
        } else if (!ParseMacOption(texts[0], row.key)) {
            m_problems.Add(line, keyColumn,
                           L"MAC アドレスは XX:XX:XX:XX:XX:XX（16進数）の形で書いてください。");
            return;
        }
        const auto first = m_keys.emplace(row.key, line);
        if (!first.second) {
            m_problems.Add(line, keyColumn,
                           L"同じキーが " + std::to_wstring(first.first->second) + L" 行目にもあります。");
            return;
        }
        if (m_problems.Count() != m_problemsBefore) {
            return; // the table is refused: its rows are checked, not kept
        }
        for (size_t i = 1; i < record.fields.size(); ++i) {
            if (texts[i].empty()) {
                row.cells.emplace_back();
            } else {
                row.cells.emplace_back(std::move(texts[i]));
            }
        }
        table.rows.push_back(std::move(row));
    }

    const std::string& m_bytes;
    CTableProblems& m_problems;
    const size_t m_problemsBefore;
    size_t m_pos = 0;
    size_t m_line = 1;
    bool m_stopped = false;
    size_t m_columnCount = 0;
    bool m_keyKnown = false;
    std::vector<std::wstring> m_labels;
    std::unordered_map<std::wstring, size_t> m_keys;
};

} // namespace

const wchar_t* BatchKeyName(EBatchKey key) {
    return key == EBatchKey::kUuid ? L"uuid" : L"mac";
}

std::wstring FormatTableProblem(const std::wstring& fileName, const STableProblem& problem) {
    std::wstring line = fileName;
    if (problem.line != 0) {
        line += L":" + std::to_wstring(problem.line);
    }
    line += L": ";
    if (!problem.column.empty()) {
        line += problem.column + L": ";
    }
    return line + problem.message;
}

void CTableProblems::Add(size_t line, const std::wstring& column, const std::wstring& message) {
    if (m_kept.size() < m_limit) {
        m_kept.push_back({line, column, message});
    } else {
        ++m_leftOut;
    }
}

std::vector<std::wstring> CTableProblems::Lines(const std::wstring& fileName) const {
    std::vector<std::wstring> lines;
    for (const STableProblem& problem : m_kept) {
        lines.push_back(FormatTableProblem(fileName, problem));
    }
    if (m_leftOut > 0) {
        lines.push_back(fileName + L": ほかに " + std::to_wstring(m_leftOut) +
                        L" 件の問題があります（表示を省略しました）。");
    }
    return lines;
}

bool CheckTableSize(uint64_t size, CTableProblems& problems) {
    if (size <= kMaxTableBytes) {
        return true;
    }
    problems.Add(0, L"",
                 L"表が大きすぎます（" + std::to_wstring(size) + L" バイト。" +
                     std::to_wstring(kMaxTableBytes / (1024 * 1024)) + L" MiB まで）。");
    return false;
}

bool ReadBatchTable(const std::string& bytes, SBatchTable& table, CTableProblems& problems) {
    table = SBatchTable();
    const size_t before = problems.Count();
    if (CheckTableSize(bytes.size(), problems)) {
        CTableReader(bytes, problems).Read(table);
    }
    if (problems.Count() == before) {
        return true;
    }
    table = SBatchTable();
    return false;
}
