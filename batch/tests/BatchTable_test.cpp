#include "batch/BatchTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kUuidA[] = "a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38";
const wchar_t kUuidAUpper[] = L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38";
const char kUuidB[] = "8e3f1b27-6a9c-4d05-b7e2-1f4a9c3d8b60";
const wchar_t kUuidBUpper[] = L"8E3F1B27-6A9C-4D05-B7E2-1F4A9C3D8B60";

// A valid table of three lines; each refusal below changes one thing of it.
std::string Template() {
    return std::string("uuid,ip,server\n") + kUuidA + ",192.168.0.10,srv\n" + kUuidB + ",,\n";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A row as one line of text: its line, its key and its cells, "-" for a cell without a value.
std::wstring RowText(const SBatchRow& row) {
    std::wstring text = std::to_wstring(row.line) + L" " + row.key;
    for (const auto& cell : row.cells) {
        text += cell ? L" [" + *cell + L"]" : L" -";
    }
    return text;
}

std::wstring Columns(const SBatchTable& table) {
    std::wstring text = BatchKeyName(table.key);
    for (const std::wstring& column : table.columns) {
        text += L"," + column;
    }
    return text;
}

// Tables of every shape the reader accepts, each with the key, the columns and the rows it gives.
TEST(BatchTable, AcceptedShapes) {
    struct SCase {
        const char* what;
        std::string bytes;
        std::wstring columns;
        std::vector<std::wstring> rows;
    };
    const std::wstring rowA = std::to_wstring(2) + L" " + kUuidAUpper + L" [192.168.0.10] [srv]";
    const std::wstring rowB = std::to_wstring(3) + L" " + kUuidBUpper + L" - -";
    const std::string a = kUuidA;
    const std::string b = kUuidB;
    const std::string hiragana256 = [] {
        std::string text;
        for (int i = 0; i < 256; ++i) {
            text += "\xE3\x81\x82"; // あ
        }
        return text;
    }();
    const SCase cases[] = {
        {"LF, final line end", Template(), L"uuid,ip,server", {rowA, rowB}},
        {"LF, no final line end",
         Template().substr(0, Template().size() - 1),
         L"uuid,ip,server",
         {rowA, rowB}},
        {"CRLF",
         "uuid,ip,server\r\n" + a + ",192.168.0.10,srv\r\n" + b + ",,\r\n",
         L"uuid,ip,server",
         {rowA, rowB}},
        {"CRLF, no final line end",
         "uuid,ip,server\r\n" + a + ",192.168.0.10,srv\r\n" + b + ",,",
         L"uuid,ip,server",
         {rowA, rowB}},
        {"byte-order mark", "\xEF\xBB\xBF" + Template(), L"uuid,ip,server", {rowA, rowB}},
        {"blank lines anywhere",
         "\n\r\nuuid,ip,server\n\n" + a + ",192.168.0.10,srv\r\n\r\n\n" + b + ",,\n\n",
         L"uuid,ip,server",
         {std::wstring(L"5 ") + kUuidAUpper + L" [192.168.0.10] [srv]",
          std::wstring(L"8 ") + kUuidBUpper + L" - -"}},
        {"quoted fields, empty quotes are no value",
         "\"uuid\",\"ip\",server\n\"" + a + "\",\"192.168.0.10\",\"\"\n",
         L"uuid,ip,server",
         {std::to_wstring(2) + L" " + kUuidAUpper + L" [192.168.0.10] -"}},
        {"quoted comma, quote and line breaks; later rows keep their physical line",
         "uuid,server,password\n" + a + ",\"a,b\",\"say \"\"hi\"\"\nline 2\r\nline 3\"\n" + b +
             ",x,\"\"\"\"\n",
         L"uuid,server,password",
         {std::wstring(L"2 ") + kUuidAUpper + L" [a,b] [say \"hi\"\nline 2\r\nline 3]",
          std::wstring(L"5 ") + kUuidBUpper + L" [x] [\"]"}},
        {"blanks are kept in values",
         "uuid,server\n" + a + ", srv \n",
         L"uuid,server",
         {std::wstring(L"2 ") + kUuidAUpper + L" [ srv ]"}},
        {"256 characters in a field",
         "uuid,server\n" + a + "," + hiragana256 + "\n",
         L"uuid,server",
         {std::wstring(L"2 ") + kUuidAUpper + L" [" + std::wstring(256, L'\u3042') + L"]"}},
        {"mac keys in every written form",
         "mac,ip\n02:4e:45:52:41:01,\n02-4E-45-52-41-02,\n024e45524103,\n",
         L"mac,ip",
         {L"2 024E45524101 -", L"3 024E45524102 -", L"4 024E45524103 -"}},
        {"every option column",
         "uuid,ip,mask,gateway,dns,dhcp,ntp,server,port,server-port,client,password,no-password,mac\n" + a +
             ",,,,,,,,,,,,,\n",
         L"uuid,ip,mask,gateway,dns,dhcp,ntp,server,port,server-port,client,password,no-password,mac",
         {std::wstring(L"2 ") + kUuidAUpper + L" - - - - - - - - - - - - -"}},
        {"the key column alone", "uuid\n" + a + "\n", L"uuid", {std::wstring(L"2 ") + kUuidAUpper}},
        {"a header without rows", "uuid,ip\n", L"uuid,ip", {}},
    };
    for (const SCase& c : cases) {
        SBatchTable table;
        CTableProblems problems;
        ASSERT_TRUE(ReadBatchTable(c.bytes, table, problems))
            << c.what << ": first problem at line " << problems.Kept().front().line;
        EXPECT_EQ(Columns(table), c.columns) << c.what;
        std::vector<std::wstring> rows;
        for (const SBatchRow& row : table.rows) {
            rows.push_back(RowText(row));
        }
        EXPECT_EQ(rows, c.rows) << c.what;
    }
}

// Each refusal of the template changed in one place: the problems exactly, and no row kept.
TEST(BatchTable, Refusals) {
    struct SCase {
        const char* what;
        std::string bytes;
        std::vector<STableProblem> problems;
    };
    const std::string a = kUuidA;
    const std::string b = kUuidB;
    const std::wstring quoteHint =
        L"（「\"」を含む値は全体を「\"」で囲み、中の「\"」は「\"\"」と書きます）。";
    const std::wstring empty = L"表が空です。1 行目に見出しの行（uuid か mac で始まる列名）が必要です。";
    const std::wstring columnsWrong = L"値の数が見出しの列の数と違います";
    const SCase cases[] = {
        {"empty file", "", {{1, L"", empty}}},
        {"byte-order mark and blank lines only", "\xEF\xBB\xBF\n\r\n", {{1, L"", empty}}},
        {"no header: the first line is a row",
         Template().substr(Template().find('\n') + 1),
         {{1, L"", L"見出しの行がありません。1 行目は uuid か mac で始まる列名の行にしてください。"}}},
        {"first column is not a key",
         Replace(Template(), "uuid,", "id,"),
         {{1, L"id", L"最初の列はモジュールを見分けるキーの列です。列名は uuid か mac にしてください。"}}},
        {"key column names are exact",
         Replace(Template(), "uuid,", "UUID,"),
         {{1, L"UUID", L"最初の列はモジュールを見分けるキーの列です。列名は uuid か mac にしてください。"}}},
        {"unknown column",
         Replace(Template(), ",server", ",colour"),
         {{1, L"colour",
           L"不明な列名です。使える列名: ip, mask, gateway, dns, dhcp, ntp, server, port, server-port, "
           L"client, "
           L"password, no-password, mac。"}}},
        {"repeated column",
         Replace(Template(), ",server", ",ip"),
         {{1, L"ip", L"同じ列名が 2 列目にもあります。"}}},
        {"empty column name", Replace(Template(), ",ip,", ",,"), {{1, L"2 列目", L"列名がありません。"}}},
        {"mac column in a mac table",
         "mac,ip,mac\n02:4E:45:52:41:01,,\n",
         {{1, L"mac",
           L"mac がキーの表に mac の列は置けません（キーは変更できません）。MAC アドレスを書き込むには uuid "
           L"をキーにしてください。"}}},
        {"overlong field",
         Replace(Template(), ",srv", "," + std::string(257, 's')),
         {{2, L"server", L"値が長すぎます（257 文字。256 文字まで）。"}}},
        {"NUL byte",
         Replace(Template(), ",srv", std::string(",s\0v", 4)),
         {{2, L"server", L"NUL 文字（0x00）があります。"}}},
        {"bytes that are not UTF-8, named at their own line",
         Replace(Template(), ",srv", ",\"first line\nsecond \xC3\x28 line\""),
         {{3, L"server", L"UTF-8 として読めないバイトがあります（表は UTF-8 で保存してください）。"}}},
        {"UTF-8 in the old code page of the header",
         Replace(Template(), ",server", ",\x83\x54"),
         {{1, L"3 列目", L"UTF-8 として読めないバイトがあります（表は UTF-8 で保存してください）。"}}},
        {"quote inside an unquoted field",
         Replace(Template(), ",srv", ",s\"rv"),
         {{2, L"server", L"「\"」で囲まれていない値の中に「\"」があります" + quoteHint}}},
        {"characters after a closing quote",
         Replace(Template(), ",srv", ",\"s\"rv"),
         {{2, L"server", L"「\"」で閉じた値の後ろに文字があります（値の中の「\"」は「\"\"」と書きます）。"}}},
        {"unterminated quoted field, named at its first line",
         Replace(Template(), ",srv", ",\"srv"),
         {{2, L"server", L"「\"」で始まる値が閉じられていません。"}}},
        {"line end of a lone CR",
         Replace(Template(), "srv\n", "srv\r"),
         {{2, L"server", L"CR だけの改行があります（行末は CRLF か LF にしてください）。"},
          {2, L"", columnsWrong + L"（見出しは 3 列、この行は 5 列）。"}}},
        {"more cells than columns",
         Replace(Template(), ",,\n", ",,,\n"),
         {{3, L"", columnsWrong + L"（見出しは 3 列、この行は 4 列）。"}}},
        {"a row far wider than any table",
         Replace(Template(), ",,\n", std::string(99, ',') + "\n"),
         {{3, L"", columnsWrong + L"（見出しは 3 列、この行は 100 列）。"}}},
        {"fewer cells than columns",
         Replace(Template(), ",,\n", ",\n"),
         {{3, L"", columnsWrong + L"（見出しは 3 列、この行は 2 列）。"}}},
        {"missing key", Replace(Template(), b + ",,", ",,"), {{3, L"uuid", L"キーの値がありません。"}}},
        {"malformed uuid",
         Replace(Template(), b, b.substr(1)),
         {{3, L"uuid",
           L"製品識別子は xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx（16進数）の形で書いてください。"}}},
        {"malformed mac",
         "mac,ip\n02:4E:45:52:41\n",
         {{2, L"", columnsWrong + L"（見出しは 2 列、この行は 1 列）。"},
          {2, L"mac", L"MAC アドレスは XX:XX:XX:XX:XX:XX（16進数）の形で書いてください。"}}},
        {"repeated key in another letter case",
         Replace(Template(), b, "A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38"),
         {{3, L"uuid", L"同じキーが 2 行目にもあります。"}}},
        {"every problem of a table, in order",
         "uuid,ip,ip\n" + a + ",1\n" + a + ",,\nnot-a-key,,\n",
         {{1, L"ip", L"同じ列名が 2 列目にもあります。"},
          {2, L"", columnsWrong + L"（見出しは 3 列、この行は 2 列）。"},
          {3, L"uuid", L"同じキーが 2 行目にもあります。"},
          {4, L"uuid",
           L"製品識別子は xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx（16進数）の形で書いてください。"}}},
    };
    for (const SCase& c : cases) {
        SBatchTable table;
        CTableProblems problems;
        EXPECT_FALSE(ReadBatchTable(c.bytes, table, problems)) << c.what;
        EXPECT_TRUE(table.rows.empty()) << c.what;
        EXPECT_TRUE(table.columns.empty()) << c.what;
        ASSERT_EQ(problems.Kept().size(), c.problems.size()) << c.what;
        for (size_t i = 0; i < c.problems.size(); ++i) {
            const STableProblem& got = problems.Kept()[i];
            EXPECT_EQ(got.line, c.problems[i].line) << c.what;
            EXPECT_EQ(got.column, c.problems[i].column) << c.what;
            EXPECT_EQ(got.message, c.problems[i].message) << c.what;
        }
    }
}

// Files over the limits are refused with one problem, without reading the rest.
TEST(BatchTable, SizeAndRowLimits) {
    SBatchTable table;
    CTableProblems problems;
    EXPECT_TRUE(CheckTableSize(kMaxTableBytes, problems));
    EXPECT_FALSE(CheckTableSize(kMaxTableBytes + 1, problems));
    // Bytes that would give a problem in every line if they were read.
    EXPECT_FALSE(ReadBatchTable(std::string(kMaxTableBytes + 1, '"'), table, problems));
    ASSERT_EQ(problems.Kept().size(), 2u);
    EXPECT_EQ(FormatTableProblem(L"t.csv", problems.Kept()[1]),
              L"t.csv: 表が大きすぎます（16777217 バイト。16 MiB まで）。");

    std::string rows = "mac\n";
    for (size_t i = 0; i <= kMaxTableRows + 1; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "%012zX\n", i);
        rows += key;
    }
    CTableProblems tooMany;
    EXPECT_FALSE(ReadBatchTable(rows, table, tooMany));
    ASSERT_EQ(tooMany.Kept().size(), 1u);
    EXPECT_EQ(tooMany.Kept()[0].line, kMaxTableRows + 2);
    EXPECT_EQ(tooMany.Kept()[0].message, L"データの行が多すぎます（100000 行まで）。");
    EXPECT_TRUE(table.rows.empty());
}

// The caller's problems share the list and its limit; what is over it is counted in a last line.
TEST(BatchTable, ProblemLines) {
    CTableProblems problems(2);
    problems.Add(12, L"ip", L"A");
    problems.Add(0, L"", L"B");
    problems.Add(3, L"", L"C");
    problems.Add(4, L"", L"D");
    EXPECT_EQ(problems.Count(), 4u);
    const std::vector<std::wstring> expected = {
        L"table.csv:12: ip: A",
        L"table.csv: B",
        L"table.csv: ほかに 2 件の問題があります（表示を省略しました）。",
    };
    EXPECT_EQ(problems.Lines(L"table.csv"), expected);
    EXPECT_EQ(FormatTableProblem(L"t.csv", {7, L"", L"E"}), L"t.csv:7: E");

    // A table of more problems than the limit lists the first ones and counts the rest.
    std::string many = "mac\n";
    for (int i = 0; i < 60; ++i) {
        many += "x\n";
    }
    SBatchTable table;
    CTableProblems found;
    EXPECT_FALSE(ReadBatchTable(many, table, found));
    EXPECT_EQ(found.Kept().size(), kMaxTableProblems);
    EXPECT_EQ(found.LeftOut(), 10u);
    EXPECT_EQ(found.Kept().back().line, 51u);
}

} // namespace
