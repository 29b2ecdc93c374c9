// A line of simulated modules through the batch: what each module gets (its report line, its
// area 6, its backup, its firmware) and how the run ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>

#include "batch/BatchSession.h"
#include "common/HexText.h"
#include "devsim/tests/SimModuleTest.h"
#include "settings/SettingsFile.h"

namespace {

using nerasim::CModuleIdentity;

// The line as the test delivers it: each pause of the batch moves it on by one event ("a":
// module a is plugged in, "-": none is). When the events run out, Ctrl+C.
class CLineView : public IBatchView {
public:
    CLineView(nerasim::CSimStore& store, std::deque<std::string> events) : m_store(store), m_events(std::move(events)) {}

    void Status(const std::wstring& line) override { m_status += line + L"\n"; }
    bool StopRequested() override { return m_stop; }
    void Pause(unsigned) override {
        if (m_events.empty()) {
            m_stop = true;
            return;
        }
        const std::string event = m_events.front();
        m_events.pop_front();
        EXPECT_TRUE(m_store.AttachModule(event == "-" ? "" : event));
    }
    bool CanAsk() override { return false; }
    bool Ask(const std::wstring&) override { return false; }
    std::string UtcNow() override { return "2026-12-09T01:02:03Z"; }
    bool FileExists(const std::wstring& path) override { return m_files.count(path) != 0; }
    bool WriteNewFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) override {
        if (m_readOnly || m_files.count(path) != 0) {
            reason = L"denied";
            return false;
        }
        m_files[path] = data;
        return true;
    }
    bool AppendReport(const std::string& text, std::wstring&) override {
        m_report += text;
        return true;
    }

    nerasim::CSimStore& m_store;
    std::deque<std::string> m_events;
    bool m_stop = false;
    bool m_readOnly = false;
    std::wstring m_status;
    std::map<std::wstring, std::vector<uint8_t>> m_files;
    std::string m_report;
};

class BatchSessionTest : public nerasim::CSimModuleTest {
protected:
    // Modules a, b and c: uuids ...0A, ...0B, ...0C, MACs 02:00:00:00:00:0A, ...
    void MakeLine(const std::map<std::string, std::vector<std::string>>& faults,
                  const std::map<std::string, uint8_t>& firmwareMinor = {}) {
        for (const char* name : {"a", "b", "c"}) {
            CModuleIdentity identity = CModuleIdentity::Default();
            identity.m_uuid[15] = static_cast<uint8_t>(name[0] - 'a' + 0x0A);
            identity.m_mac[5] = identity.m_uuid[15];
            std::memset(identity.m_mac + 1, 0, 4);
            const auto minor = firmwareMinor.find(name);
            identity.m_firmware[1] = minor == firmwareMinor.end() ? 6 : minor->second;
            const auto fault = faults.find(name);
            nerasim::ReplaceModule(m_store, name, identity,
                                   fault == faults.end() ? std::vector<std::string>() : fault->second);
        }
        ASSERT_TRUE(m_store.AttachModule(""));
    }

    // a and b in the table, each with an address of its own.
    std::vector<SBatchRecipe> Recipes(const SSettingsSource& templateFile) {
        SBatchTable table;
        CTableProblems problems;
        EXPECT_TRUE(ReadBatchTable("uuid,ip,mask\n"
                                   "A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A0A,192.168.0.10,255.255.255.0\n"
                                   "a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a0b,192.168.0.11,255.255.255.0\n",
                                   table, problems));
        std::vector<SBatchRecipe> recipes;
        EXPECT_TRUE(BuildBatchRecipes(templateFile, table, recipes, problems));
        return recipes;
    }

    std::string Area(const std::string& name) {
        nerasim::CStoreLock lock(m_store);
        uint8_t area[128];
        EXPECT_TRUE(m_store.ReadArea(name, 6, area));
        return HexFromBytes(area, sizeof area);
    }
};

SSettingsSource Template() {
    SSettingsSource source;
    MakeDefaultSettings(source.record, kDefaultServerPort);
    SEditorFields fields;
    SEditorProblem problem;
    EXPECT_TRUE(CollectEditorSettings(fields, source.record, problem));
    return source;
}

// An image of 0x8400 bytes whose version record says 5.minor.0 for the default hardware code.
SFirmwareImage Image(uint8_t minor) {
    SFirmwareImage image;
    image.m_data.assign(0x8400, 0x5A);
    const uint8_t record[12] = {0, 0, 0, 0, 0x40, 0x01, 0x00, 0x01, 0, 5, minor, 0};
    std::memcpy(&image.m_data[0x8000], record, sizeof record);
    image.m_version = L"5." + std::to_wstring(minor) + L".0";
    return image;
}

// The results of the report's lines, in order.
std::vector<std::string> Results(const std::string& report) {
    std::vector<std::string> results;
    for (size_t at = report.find("\"result\": \""); at != std::string::npos;
         at = report.find("\"result\": \"", at + 1)) {
        const size_t start = at + 11;
        results.push_back(report.substr(start, report.find('"', start) - start));
    }
    return results;
}

TEST_F(BatchSessionTest, EachModuleGetsItsLine) {
    const SSettingsSource templateFile = Template();
    const std::vector<SBatchRecipe> recipes = Recipes(templateFile);
    const struct {
        const char* name;
        std::map<std::string, std::vector<std::string>> faults;
        std::map<std::string, uint8_t> firmware; // minor version of a module's 5.x.0
        std::deque<std::string> line;
        std::vector<std::string> doneBefore; // uuids whose row an earlier run did
        bool once, dryRun, update, allowDowngrade, readOnlyBackups;
        std::vector<std::string> results;
        int exitStatus;
        std::vector<std::string> written; // modules whose area 6 now holds their row
        std::string reportPart;
    } kCases[] = {
        {"a line of three, one not in the table", {}, {}, {"a", "-", "c", "-", "b"}, {}, false, false, false, false,
         false, {"ok", "unknown", "ok"}, 0, {"a", "b"}, "\"backup\": \"backups/A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A0A-"},
        {"a re-run skips the rows done", {}, {}, {"a", "-", "b"}, {"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A0A"}, false,
         false, false, false, false, {"skipped", "ok"}, 0, {"b"}, "\"exit\": 0"},
        {"a write fault: the line goes on, the row stays to do", {{"a", {"fail_area_write=1"}}}, {},
         {"a", "-", "b"}, {}, false, false, false, false, false, {"failed", "ok"}, 130, {"b"},
         "\"exit\": 1"},
        {"no backup, no write", {}, {}, {"a"}, {}, true, false, false, false, true, {"failed"},
         kExitBatchIncomplete, {}, "\"exit\": 3"},
        {"a dry run plans and writes nothing", {}, {}, {"a"}, {}, true, true, false, false, false, {"planned"},
         kExitBatchIncomplete, {}, "\"changed\": [\"ipAddress\", \"subnetMask\", \"gateway\", \"dnsServer\"]"},
        {"--once with no module", {}, {}, {}, {}, true, false, false, false, false, {}, 1, {}, ""},
        {"Ctrl+C while waiting", {}, {}, {"-", "-"}, {}, false, false, false, false, false, {}, 130, {}, ""},
        {"firmware updated on the same pass", {}, {}, {"a"}, {}, true, false, true, false, false, {"ok"},
         kExitBatchIncomplete, {"a"}, "\"firmware\": {\"from\": \"5.6.0\", \"to\": \"5.7.0\", \"action\": \"updated\"}"},
        {"the same firmware is left", {}, {{"a", 7}}, {"a"}, {}, true, false, true, false, false, {"ok"},
         kExitBatchIncomplete, {"a"}, "\"action\": \"same\""},
        {"a newer module is not downgraded", {}, {{"a", 8}}, {"a"}, {}, true, false, true, false, false, {"refused"},
         kExitBatchIncomplete, {"a"}, "\"exit\": 2, "},
        {"unless --allow-downgrade", {}, {{"a", 8}}, {"a"}, {}, true, false, true, true, false, {"ok"},
         kExitBatchIncomplete, {"a"}, "\"to\": \"5.7.0\", \"action\": \"updated\""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        MakeLine(c.faults, c.firmware);
        const std::string before = Area("b");
        std::deque<std::string> line = c.line;
        if (c.once && !line.empty()) { // the module present now
            ASSERT_TRUE(m_store.AttachModule(line.front()));
            line.pop_front();
        }
        CLineView view(m_store, line);
        view.m_readOnly = c.readOnlyBackups;
        SReportMemory memory;
        for (const std::string& uuid : c.doneBefore) {
            memory.byUuid[std::wstring(uuid.begin(), uuid.end())] = EBatchResult::kOk;
        }
        SBatchOptions options;
        options.templateFile = templateFile;
        options.backupFolder = L"backups/";
        options.once = c.once;
        options.dryRun = c.dryRun;
        options.update = c.update;
        options.yes = c.update; // nobody at the test to answer the firmware question
        options.allowDowngrade = c.allowDowngrade;
        options.image = Image(7);
        nerasim::CSimDeviceApi device;
        CBatchSession session(device, view, options, recipes, memory);
        const SBatchSummary summary = session.Run();
        EXPECT_EQ(summary.exitStatus, c.exitStatus) << testing::PrintToString(view.m_status);
        EXPECT_EQ(Results(view.m_report), c.results) << view.m_report;
        EXPECT_NE(view.m_report.find(c.reportPart), std::string::npos) << view.m_report;
        for (const char* name : {"a", "b"}) {
            const bool written = std::find(c.written.begin(), c.written.end(), name) != c.written.end();
            // 192.168.0.10 or .11 in area 6 at the address's offset
            EXPECT_EQ(Area(name).substr(16, 8) == (name[0] == 'a' ? "C0A8000A" : "C0A8000B"), written) << name;
        }
        // A backup for every module a write was tried on.
        EXPECT_EQ(view.m_files.size(), c.dryRun || c.readOnlyBackups ? 0u : c.written.size() + c.faults.size());
        if (!c.written.empty() && !c.dryRun) {
            // The backup is the module's record before the write, as get -o would save it.
            const std::vector<uint8_t>& backup = view.m_files.begin()->second;
            ASSERT_EQ(backup.size(), kSettingsFileSize);
            EXPECT_EQ(HexFromBytes(backup.data() + kIpAddressOffset, 4), "00000000");
        }
    }
}

} // namespace
