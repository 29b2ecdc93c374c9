#include "batch/BatchTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A valid table; each refusal below changes one thing of it.
const std::string kTemplate = "mac,ip,server\n02:4e:45:52:41:01,10.0.0.1,srv\n024E45524102,,\n";
const std::wstring kRowA = L"2 024E45524101 [10.0.0.1] [srv]";
const std::wstring kRowB = L"3 024E45524102 - -";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The table as text: the columns, then per row its line, its key and its cells ("-": no value).
std::vector<std::wstring> TableText(const SBatchTable& table) {
    std::vector<std::wstring> text = {BatchKeyName(table.key)};
    for (const std::wstring& column : table.columns) {
        text[0] += L"," + column;
    }
    for (const SBatchRow& row : table.rows) {
        text.push_back(std::to_wstring(row.line) + L" " + row.key);
        for (const auto& cell : row.cells) {
            text.back() += cell ? L" [" + *cell + L"]" : L" -";
        }
    }
    return text;
}

TEST(BatchTable, AcceptedShapes) {
    const std::string a = "a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38";
    std::string long256;
    for (int i = 0; i < 256; ++i) {
        long256 += "\xE3\x81\x82"; // あ, three bytes, one character
    }
    const std::vector<std::wstring> plain = {L"mac,ip,server", kRowA, kRowB};
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::wstring> table;
    } cases[] = {
        {"LF", kTemplate, plain},
        {"CRLF, BOM, no final line end",
         "\xEF\xBB\xBF" + Replace(Replace(kTemplate, "\n", "\r\n"), ",,\n", ",,"), plain},
        {"blank lines count as lines",
         "\n\r\n" + Replace(kTemplate, "02:", "\n02:") + "\n\n",
         {L"mac,ip,server", L"5 024E45524101 [10.0.0.1] [srv]", L"6 024E45524102 - -"}},
        {"quoting: commas, quotes, line breaks, blanks; \"\" is no value",
         "mac,server,ip\n02-4e-45-52-41-01,\"a,\"\"b\"\"\nc\r\nd\",\"\"\n024E45524102, x ,\"\"\"\"\n",
         {L"mac,server,ip", L"2 024E45524101 [a,\"b\"\nc\r\nd] -", L"5 024E45524102 [ x ] [\"]"}},
        {"256 characters",
         "mac,server\n024E45524101," + long256 + "\n",
         {L"mac,server", L"2 024E45524101 [" + std::wstring(256, L'\u3042') + L"]"}},
        {"uuid key, upper-cased",
         "uuid,dhcp\n" + a + ",on\n",
         {L"uuid,dhcp", L"2 A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38 [on]"}},
        {"a header without rows", "uuid,ip\n", {L"uuid,ip"}},
    };
    for (const auto& c : cases) {
        SBatchTable table;
        CTableProblems problems;
        EXPECT_TRUE(ReadBatchTable(c.bytes, table, problems)) << c.what;
        EXPECT_EQ(TableText(table), c.table) << c.what;
    }
}

// Each refusal of the template changed in one place: its problems exactly, and nothing kept.
TEST(BatchTable, Refusals) {
    const std::wstring count = L"値の数が見出しの列の数と違います（見出しは 3 列、この行は ";
    const std::wstring macForm = L"MAC アドレスは XX:XX:XX:XX:XX:XX（16進数）の形で書いてください。";
    const struct {
        const char* what;
        std::string bytes;
        std::vector<STableProblem> problems;
    } cases[] = {
        {"empty",
         "\xEF\xBB\xBF\n",
         {{1, L"", L"表が空です。1 行目に見出しの行（uuid か mac で始まる列名）が必要です。"}}},
        {"no header",
         kTemplate.substr(14),
         {{1, L"", L"見出しの行がありません。1 行目は uuid か mac で始まる列名の行にしてください。"}}},
        {"not a key column",
         Replace(kTemplate, "mac,", "id,"),
         {{1, L"id", L"最初の列はモジュールを見分けるキーの列です。列名は uuid か mac にしてください。"}}},
        {"unknown column",
         Replace(kTemplate, "server", "colour"),
         {{1, L"colour",
           L"不明な列名です。使える列名: ip, mask, gateway, dns, dhcp, ntp, server, port, server-port, "
           L"client, password, no-password, mac。"}}},
        {"repeated column",
         Replace(kTemplate, "server", "ip"),
         {{1, L"ip", L"同じ列名が 2 列目にもあります。"}}},
        {"empty column name", Replace(kTemplate, ",ip,", ",,"), {{1, L"2 列目", L"列名がありません。"}}},
        {"mac column beside a mac key",
         Replace(kTemplate, "server", "mac"),
         {{1, L"mac",
           L"mac がキーの表に mac の列は置けません（キーは変更できません）。MAC アドレスを書き込むには "
           L"uuid をキーにしてください。"}}},
        {"overlong",
         Replace(kTemplate, "srv", std::string(257, 's')),
         {{2, L"server", L"値が長すぎます（257 文字。256 文字まで）。"}}},
        {"NUL",
         Replace(kTemplate, "srv", std::string("s\0v", 3)),
         {{2, L"server", L"NUL 文字（0x00）があります。"}}},
        {"not UTF-8, at its own line",
         Replace(kTemplate, "srv", "\"s\n\xC3\x28\""),
         {{3, L"server", L"UTF-8 として読めないバイトがあります（表は UTF-8 で保存してください）。"}}},
        {"quote in an unquoted field",
         Replace(kTemplate, "srv", "s\"v"),
         {{2, L"server",
           L"「\"」で囲まれていない値の中に「\"」があります（「\"」を含む値は全体を「\"」で囲み、"
           L"中の「\"」は「\"\"」と書きます）。"}}},
        {"text after a closing quote",
         Replace(kTemplate, "srv", "\"s\"v"),
         {{2, L"server", L"「\"」で閉じた値の後ろに文字があります（値の中の「\"」は「\"\"」と書きます）。"}}},
        {"unterminated quote, at its first line",
         Replace(kTemplate, "srv", "\"srv"),
         {{2, L"server", L"「\"」で始まる値が閉じられていません。"}}},
        {"a lone CR",
         Replace(kTemplate, "srv\n", "srv\r"),
         {{2, L"server", L"CR だけの改行があります（行末は CRLF か LF にしてください）。"},
          {2, L"", count + L"5 列）。"}}},
        {"more cells", Replace(kTemplate, ",,", ",,,"), {{3, L"", count + L"4 列）。"}}},
        {"fewer cells", Replace(kTemplate, ",,", ","), {{3, L"", count + L"2 列）。"}}},
        {"far more cells than kept",
         Replace(kTemplate, ",,", std::string(99, ',')),
         {{3, L"", count + L"100 列）。"}}},
        {"no key", Replace(kTemplate, "024E45524102", ""), {{3, L"mac", L"キーの値がありません。"}}},
        {"malformed mac", Replace(kTemplate, "024E45524102", "024E455241"), {{3, L"mac", macForm}}},
        {"malformed uuid",
         "uuid\na4d29e6b-0f17-4c3a-8e5b-72c6d1f09a3\n",
         {{2, L"uuid",
           L"製品識別子は xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx（16進数）の形で書いてください。"}}},
        {"repeated key, written otherwise",
         Replace(kTemplate, "024E45524102", "02-4E-45-52-41-01"),
         {{3, L"mac", L"同じキーが 2 行目にもあります。"}}},
        {"every problem, in order",
         "mac,ip,ip\n024E45524101,1\nx,,\n",
         {{1, L"ip", L"同じ列名が 2 列目にもあります。"},
          {2, L"", count + L"2 列）。"},
          {3, L"mac", macForm}}},
    };
    for (const auto& c : cases) {
        SBatchTable table;
        CTableProblems problems;
        EXPECT_FALSE(ReadBatchTable(c.bytes, table, problems)) << c.what;
        EXPECT_TRUE(table.rows.empty() && table.columns.empty()) << c.what;
        ASSERT_EQ(problems.Kept().size(), c.problems.size()) << c.what;
        for (size_t i = 0; i < c.problems.size(); ++i) {
            EXPECT_EQ(FormatTableProblem(L"t", problems.Kept()[i]), FormatTableProblem(L"t", c.problems[i]))
                << c.what;
        }
    }
}

// Over a limit: one problem, found before the rest is read.
TEST(BatchTable, Limits) {
    SBatchTable table;
    CTableProblems problems;
    EXPECT_TRUE(CheckTableSize(kMaxTableBytes, problems));
    // Bytes that would give a problem in every line if they were read.
    EXPECT_FALSE(ReadBatchTable(std::string(kMaxTableBytes + 1, '"'), table, problems));
    EXPECT_EQ(problems.Lines(L"t.csv"),
              std::vector<std::wstring>{L"t.csv: 表が大きすぎます（16777217 バイト。16 MiB まで）。"});

    std::string rows = "mac\n";
    for (size_t i = 0; i <= kMaxTableRows; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "%012zX\n", i);
        rows += key;
    }
    CTableProblems tooMany;
    EXPECT_FALSE(ReadBatchTable(rows, table, tooMany));
    EXPECT_EQ(tooMany.Lines(L"t.csv"),
              std::vector<std::wstring>{L"t.csv:100002: データの行が多すぎます（100000 行まで）。"});
}

// The caller adds problems of the same shape; past the limit they are counted in a last line.
TEST(BatchTable, ProblemLines) {
    CTableProblems problems(2);
    std::string many = "mac\n";
    for (int i = 0; i < 3; ++i) {
        many += "x\n";
    }
    SBatchTable table;
    EXPECT_FALSE(ReadBatchTable(many, table, problems));
    problems.Add(0, L"", L"表の外");
    const std::vector<std::wstring> expected = {
        L"t.csv:2: mac: MAC アドレスは XX:XX:XX:XX:XX:XX（16進数）の形で書いてください。",
        L"t.csv:3: mac: MAC アドレスは XX:XX:XX:XX:XX:XX（16進数）の形で書いてください。",
        L"t.csv: ほかに 2 件の問題があります（表示を省略しました）。",
    };
    EXPECT_EQ(problems.Lines(L"t.csv"), expected);
}

} // namespace
