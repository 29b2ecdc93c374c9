// The nerasim tool: commands, their output forms and their refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "devsim/NeraSimTool.h"
#include "devsim/SimBytes.h"
#include "devsim/SimStore.h"
#include "devsim/tests/TestStore.h"

namespace nerasim {
namespace {

// Runs the tool on a private store and keeps what it printed.
class NeraSimToolTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--store", m_temp.Folder()});
        m_out.clear();
        m_err.clear();
        return RunNeraSimTool(args, m_out, m_err);
    }

    // Value of a "key = value" line of the last output.
    std::string Shown(const std::string& key) {
        size_t at = m_out.find(key + " = ");
        if (at == std::string::npos)
            return "<missing>";
        size_t start = at + key.size() + 3;
        return m_out.substr(start, m_out.find('\n', start) - start);
    }

    CTempStore m_temp;
    std::string m_out;
    std::string m_err;
};

TEST_F(NeraSimToolTest, CreateListFirstRemove) {
    EXPECT_EQ(Run({"list"}), kToolOk);
    EXPECT_EQ(m_out, "");
    ASSERT_EQ(Run({"create", "b"}), kToolOk) << m_err;
    ASSERT_EQ(Run({"create", "a", "--hw", "0x80010001", "--product", "Kivo5120"}), kToolOk) << m_err;
    EXPECT_EQ(Run({"create", "a"}), kToolError);
    EXPECT_NE(m_err.find("exists"), std::string::npos);
    ASSERT_EQ(Run({"list"}), kToolOk);
    EXPECT_EQ(m_out, "a\nb\n");
    ASSERT_EQ(Run({"first", "b"}), kToolOk);
    ASSERT_EQ(Run({"list"}), kToolOk);
    EXPECT_EQ(m_out, "b\na\n");
    EXPECT_EQ(Run({"first", "zz"}), kToolError);
    ASSERT_EQ(Run({"remove", "b"}), kToolOk);
    ASSERT_EQ(Run({"list"}), kToolOk);
    EXPECT_EQ(m_out, "a\n");
}

// The simulated line, step by step: what each command answers, and what list and show say after.
TEST_F(NeraSimToolTest, AttachAndDetach) {
    for (const char* name : {"a", "b", "c"})
        ASSERT_EQ(Run({"create", name}), kToolOk) << m_err;
    struct SStep {
        std::vector<std::string> command;
        int result;
        std::string list;
        std::string attached; // as show without a name says it
    };
    const SStep kSteps[] = {
        {{"attach", "b"}, kToolOk, "b (attached)\na\nc\n", "b"},
        {{"detach"}, kToolOk, "(none attached)\na\nb\nc\n", "none"},
        {{"attach", "zz"}, kToolError, "(none attached)\na\nb\nc\n", "none"},
        {{"attach"}, kToolUsage, "(none attached)\na\nb\nc\n", "none"},
        {{"attach", "c"}, kToolOk, "c (attached)\na\nb\n", "c"},
        {{"detach", "c"}, kToolUsage, "c (attached)\na\nb\n", "c"},
        {{"remove", "c"}, kToolOk, "(none attached)\na\nb\n", "none"},
        {{"create", "c"}, kToolOk, "(none attached)\na\nb\nc\n", "none"},
        {{"first", "b"}, kToolOk, "b\na\nc\n", "<missing>"},
    };
    for (const SStep& step : kSteps) {
        EXPECT_EQ(Run(step.command), step.result) << step.command[0] << ": " << m_err;
        ASSERT_EQ(Run({"list"}), kToolOk);
        EXPECT_EQ(m_out, step.list) << step.command[0];
        ASSERT_EQ(Run({"show"}), kToolOk) << m_err;
        EXPECT_EQ(Shown("attached"), step.attached) << step.command[0];
    }
    ASSERT_EQ(Run({"detach"}), kToolOk);
    ASSERT_EQ(Run({"show"}), kToolOk);
    EXPECT_EQ(m_out, "attached = none\n");
    ASSERT_EQ(Run({"attach", "a"}), kToolOk);
    ASSERT_EQ(Run({"show", "b"}), kToolOk);
    EXPECT_EQ(Shown("first"), "no");
    EXPECT_EQ(Shown("attached"), "a");
    CTempStore missing;
    std::string out;
    std::string err;
    EXPECT_EQ(RunNeraSimTool({"--store", missing.Folder(), "detach"}, out, err), kToolError);
    EXPECT_FALSE(FsIsDirectory(missing.Folder()));
}

TEST_F(NeraSimToolTest, ShowReportsIdentityStateAndFaults) {
    ASSERT_EQ(Run({"create", "m", "--hw", "0x40020005", "--uuid", "00112233-4455-6677-8899-aabbccddeeff",
                   "--mac", "00:11:22:33:44:55", "--fw", "5.7.1", "--product", "Nera5120-S"}),
              kToolOk)
        << m_err;
    ASSERT_EQ(Run({"show", "m"}), kToolOk) << m_err;
    EXPECT_EQ(Shown("module"), "m");
    EXPECT_EQ(Shown("first"), "yes");
    EXPECT_EQ(Shown("product"), "Nera5120-S");
    EXPECT_EQ(Shown("hw_code"), "0x40020005");
    EXPECT_EQ(Shown("uuid"), "00112233-4455-6677-8899-aabbccddeeff");
    EXPECT_EQ(Shown("mac"), "00:11:22:33:44:55");
    EXPECT_EQ(Shown("firmware"), "5.7.1");
    EXPECT_EQ(Shown("password"), "none");
    EXPECT_EQ(Shown("monitor"), "intact");
    EXPECT_EQ(Shown("fail_echo"), "0");
    EXPECT_EQ(Shown("bad_byte"), "none");
}

TEST_F(NeraSimToolTest, SetChangesIdentityAndFaults) {
    ASSERT_EQ(Run({"create", "m", "--erased-settings"}), kToolOk);
    ASSERT_EQ(Run({"show"}), kToolOk);
    EXPECT_EQ(Shown("mac"), "none");
    EXPECT_EQ(Shown("password"), "not-initialised");
    ASSERT_EQ(Run({"set", "m", "hw_code=0x40420001", "fw=6.0.2", "mac=0A0B0C0D0E0F",
                   "uuid=8e3f1b27-6a9c-4d05-b7e2-1f4a9c3d8b60", "fail_echo=always", "bad_byte=0x8010",
                   "delay_ms=5", "product=X", "fail_area_read=2", "fail_read_addr=0x8080"}),
              kToolOk)
        << m_err;
    ASSERT_EQ(Run({"show", "m"}), kToolOk);
    EXPECT_EQ(Shown("hw_code"), "0x40420001");
    EXPECT_EQ(Shown("firmware"), "6.0.2");
    EXPECT_EQ(Shown("mac"), "0A:0B:0C:0D:0E:0F");
    EXPECT_EQ(Shown("password"), "none"); // the erased record became a factory record
    EXPECT_EQ(Shown("uuid"), "8e3f1b27-6a9c-4d05-b7e2-1f4a9c3d8b60");
    EXPECT_EQ(Shown("fail_echo"), "always");
    EXPECT_EQ(Shown("bad_byte"), "0x00008010");
    EXPECT_EQ(Shown("delay_ms"), "5");
    EXPECT_EQ(Shown("product"), "X");
    EXPECT_EQ(Shown("fail_area_read"), "2");
    EXPECT_EQ(Shown("fail_read_addr"), "0x00008080");
    ASSERT_EQ(Run({"dump-flash", "m", "0x8000", "12"}), kToolOk);
    EXPECT_EQ(m_out, "00008000: 00 00 00 00 40 42 00 01 00 06 00 02\n");
}

TEST_F(NeraSimToolTest, SetChecksEverythingBeforeChangingAnything) {
    ASSERT_EQ(Run({"create", "m"}), kToolOk);
    for (const char* bad : {"fail_echo=x", "uuid=nope", "mac=1", "fw=1.2", "colour=red", "=1", "noequals"}) {
        EXPECT_EQ(Run({"set", "m", "delay_ms=7", bad}), kToolUsage) << bad;
        ASSERT_EQ(Run({"show", "m"}), kToolOk);
        EXPECT_EQ(Shown("delay_ms"), "0") << bad;
    }
    EXPECT_EQ(Run({"set", "nosuch", "delay_ms=1"}), kToolError);
}

TEST_F(NeraSimToolTest, DumpAndWriteAreas) {
    ASSERT_EQ(Run({"create", "m"}), kToolOk);
    ASSERT_EQ(Run({"dump-area", "m", "7"}), kToolOk);
    EXPECT_EQ(m_out.substr(0, 58), "00000000: 6B 9E D2 A4 17 0F 3A 4C 8E 5B 72 C6 D1 F0 9A 38\n");
    EXPECT_EQ(std::count(m_out.begin(), m_out.end(), '\n'), 8);

    std::string hex;
    for (int i = 0; i < 128; ++i)
        hex += HexFromBytes(reinterpret_cast<const uint8_t*>("\x42"), 1);
    ASSERT_EQ(Run({"write-area", "m", "2", hex}), kToolOk) << m_err;
    ASSERT_EQ(Run({"dump-area", "m", "2"}), kToolOk);
    std::string line = "00000070:";
    for (int i = 0; i < 16; ++i)
        line += " 42";
    EXPECT_NE(m_out.find(line + "\n"), std::string::npos) << m_out;

    std::string file = m_temp.File("settings.nera");
    ASSERT_TRUE(FsWriteAllAtomic(file, std::string(128, '\x01') + "\x00\x01"));
    ASSERT_EQ(Run({"write-area", "m", "6", "--file", file}), kToolOk) << m_err;
    ASSERT_EQ(Run({"dump-area", "m", "6"}), kToolOk);
    EXPECT_EQ(m_out.substr(0, 16), "00000000: 01 01 ");

    EXPECT_EQ(Run({"write-area", "m", "2", hex.substr(2)}), kToolUsage); // 127 bytes
    EXPECT_EQ(Run({"write-area", "m", "8", hex}), kToolUsage);
    ASSERT_TRUE(FsWriteAllAtomic(file, std::string(127, '\x01')));
    EXPECT_EQ(Run({"write-area", "m", "6", "--file", file}), kToolError);
}

TEST_F(NeraSimToolTest, CompareFlashWithAFile) {
    ASSERT_EQ(Run({"create", "m", "--fw", "5.7.1"}), kToolOk);
    std::string file = m_temp.File("image.bin");
    std::string image(0x8010, '\x00');
    image[0x8004] = '\x40';
    image[0x8005] = '\x01';
    image[0x8007] = '\x01';
    image[0x8009] = '\x05';
    image[0x800A] = '\x07';
    image[0x800B] = '\x01';
    image.replace(0x800C, 4, "\xFF\xFF\xFF\xFF");
    image[0] = static_cast<char>(FactoryCodeByte(0) ^ 0x01);
    ASSERT_TRUE(FsWriteAllAtomic(file, image));
    EXPECT_EQ(Run({"compare-flash", "m", "0x8000", file, "--offset", "0x8000"}), kToolOk) << m_err;
    EXPECT_EQ(m_out, "equal\n");
    EXPECT_EQ(Run({"compare-flash", "m", "0x8000", file, "--offset", "0x8000", "--length", "8"}), kToolOk);
    EXPECT_EQ(Run({"compare-flash", "m", "0", file, "--length", "0x10"}), kToolDifferent);
    EXPECT_EQ(m_out.substr(0, 22), "differs at 0x00000000:");
    EXPECT_EQ(Run({"compare-flash", "m", "0x8000", file, "--offset", "0x9000"}), kToolError);
    EXPECT_EQ(Run({"compare-flash", "m", "0x7FFFF", file, "--length", "2"}), kToolError);
}

TEST_F(NeraSimToolTest, BadCommandLinesPrintUsage) {
    const std::vector<std::vector<std::string>> kBad = {
        {},
        {"frobnicate"},
        {"list", "extra"},
        {"create"},
        {"create", "m", "--hw"},
        {"create", "m", "--hw", "zz"},
        {"create", "m", "--uuid", "1-2-3"},
        {"create", "m", "--colour", "red"},
        {"dump-area", "m"},
        {"dump-flash", "m", "0x7FFF0", "0x20"},
        {"compare-flash", "m", "0"},
    };
    for (const auto& args : kBad) {
        EXPECT_EQ(Run(args), kToolUsage) << (args.empty() ? "" : args[0]);
        EXPECT_NE(m_err.find("usage: nerasim"), std::string::npos);
    }
    std::string out;
    std::string err;
    EXPECT_EQ(RunNeraSimTool({"--store"}, out, err), kToolUsage);
}

TEST_F(NeraSimToolTest, HelpPrintsUsageAndSucceeds) {
    EXPECT_EQ(Run({"--help"}), kToolOk);
    EXPECT_EQ(m_out.rfind("usage: nerasim", 0), 0u);
    EXPECT_EQ(m_err, "");
}

TEST_F(NeraSimToolTest, StoreFromTheEnvironment) {
    CScopedEnv store(kStoreEnvironment, m_temp.Folder());
    std::string out;
    std::string err;
    ASSERT_EQ(RunNeraSimTool({"where"}, out, err), kToolOk);
    EXPECT_EQ(out, m_temp.Folder() + "\n");
}

} // namespace
} // namespace nerasim
