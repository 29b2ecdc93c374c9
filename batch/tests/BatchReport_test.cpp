// The report as the batch's memory: the line it writes, and what a re-run takes from it.
#include <gtest/gtest.h>

#include "batch/BatchReport.h"

namespace {

TEST(BatchReport, OneLineAModule) {
    SReportLine line;
    line.time = "2026-12-09T01:02:03Z";
    line.row = 12;
    line.uuid = L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38";
    line.mac = L"024E45524101";
    line.result = EBatchResult::kOk;
    line.exitStatus = 0;
    line.changed = {L"ipAddress", L"subnetMask"};
    line.backup = L"C:\\b\\x.nera";
    line.firmware = SFirmwareNote{L"5.6.0", L"5.7.1", L"updated"};
    line.message = L"済";
    EXPECT_EQ(FormatReportLine(line),
              "{\"schema\": 1, \"time\": \"2026-12-09T01:02:03Z\", \"row\": 12, "
              "\"uuid\": \"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38\", \"mac\": \"024E45524101\", \"result\": \"ok\", "
              "\"exit\": 0, \"changed\": [\"ipAddress\", \"subnetMask\"], \"backup\": \"C:\\\\b\\\\x.nera\", "
              "\"firmware\": {\"from\": \"5.6.0\", \"to\": \"5.7.1\", \"action\": \"updated\"}, "
              "\"message\": \"\\u6E08\"}\n");
    SReportLine unknown;
    unknown.time = "2026-12-09T01:02:04Z";
    unknown.mac = L"020000000009";
    unknown.result = EBatchResult::kUnknown;
    EXPECT_EQ(FormatReportLine(unknown),
              "{\"schema\": 1, \"time\": \"2026-12-09T01:02:04Z\", \"row\": null, \"uuid\": null, "
              "\"mac\": \"020000000009\", \"result\": \"unknown\", \"exit\": null, \"changed\": [], \"backup\": null, "
              "\"firmware\": null, \"message\": \"\"}\n");
}

std::string Line(const char* uuid, const char* result) {
    SReportLine line;
    line.time = "2026-12-09T01:02:03Z";
    line.uuid = std::wstring(uuid, uuid + std::char_traits<char>::length(uuid));
    line.mac = L"024E45524101";
    line.result = result[0] == 'o'   ? EBatchResult::kOk
                  : result[0] == 's' ? EBatchResult::kSkipped
                  : result[0] == 'p' ? EBatchResult::kPlanned
                                     : EBatchResult::kFailed;
    return FormatReportLine(line);
}

TEST(BatchReport, ARerunTrustsOnlyWholeOkLines) {
    const std::string ok = Line("U1", "ok");
    const struct {
        const char* name;
        std::string text;
        bool done; // U1's row
        std::vector<std::wstring> warnings;
        std::wstring error;
    } kCases[] = {
        {"no report yet", "", false, {}, L""},
        {"ok", ok, true, {}, L""},
        {"ok, then skipped on a re-run", ok + Line("U1", "skipped"), true, {}, L""},
        {"failed after ok: the last line counts", ok + Line("U1", "failed"), false, {}, L""},
        {"a dry run's plan is not done", Line("U1", "planned"), false, {}, L""},
        {"CRLF line ends", ok.substr(0, ok.size() - 1) + "\r\n", true, {}, L""},
        {"a torn last line is never trusted", Line("U2", "ok") + ok.substr(0, ok.size() - 1), false,
         {L"2 行目は途中で切れているため無視します。"}, L""},
        {"a line cut short in the middle", ok + "{\"schema\": 1, \"res\n" + Line("U2", "ok"), true,
         {L"2 行目は読めないため無視します。"}, L""},
        {"another schema", "{\"schema\": 2, \"result\": \"ok\", \"uuid\": \"U1\"}\n", false, {},
         L"レポートのファイルではありません（1 行目がレポートの行として読めません）。"},
        {"not a report at all", "uuid,ip\nU1,10.0.0.1\n", false, {},
         L"レポートのファイルではありません（1 行目がレポートの行として読めません）。"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        SReportMemory memory;
        std::vector<std::wstring> warnings;
        std::wstring error;
        EXPECT_EQ(ReadReport(c.text, memory, warnings, error), c.error.empty());
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(warnings, c.warnings);
        EXPECT_EQ(memory.Done(L"U1", L"", false), c.done);
    }
}

} // namespace
