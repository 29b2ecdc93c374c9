// "nera convert": settings files as NeraConfig writes them go to JSON and back to the same
// bytes; JSON that is not a whole, valid record is refused with exit status 2 and no file.
#include <gtest/gtest.h>

#include <cstring>

#include "cli/NeraCommand.h"
#include "cli/tests/FakeHost.h"
#include "devsim/SimDeviceApi.h"
#include "settings/SettingsEditor.h"
#include "settings/SettingsFile.h"

namespace {

std::vector<uint8_t> FileBytes(const NeraSettings& record, uint16_t flag) {
    const SettingsFileBytes file = SerializeSettingsFile(record, flag);
    return std::vector<uint8_t>(file.begin(), file.end());
}

// A file as the dialog saves it: the editor's fields collected into its record.
std::vector<uint8_t> EditorFile(SEditorFields fields, uint16_t flag) {
    NeraSettings record;
    MakeDefaultSettings(record, kDefaultServerPort);
    SEditorProblem problem;
    EXPECT_TRUE(CollectEditorSettings(fields, record, problem));
    return FileBytes(record, flag);
}

std::vector<std::vector<uint8_t>> RealFiles() {
    std::vector<std::vector<uint8_t>> files;
    // A fresh editor saved as it is, in normal mode.
    files.push_back(EditorFile(SEditorFields(), 0));
    // A static address, a typed password, client mode with names, saved in MAC edit mode.
    SEditorFields full;
    full.macText = L"0a1b2c3d4e5f";
    full.dhcp = false;
    full.ipAddress = 0xC0A8000A;
    full.subnetMask = 0xFFFFFF00;
    full.gateway = 0xC0A80001;
    full.dnsAuto = false;
    full.dnsServer = 0x08080404;
    full.ntpServer = L"192.168.1.10";
    full.password = L"secret";
    full.clientMode = true;
    full.server = L"relay-host";
    full.serverPort = 10001;
    files.push_back(EditorFile(full, 1));
    // An erased area saved as it was read.
    files.push_back(std::vector<uint8_t>(kSettingsFileSize, 0xFF));
    // Bytes the editor never writes: an address host field with a zero tail, a 32-byte
    // double-byte name without terminator, reserved bytes, all flag bits, a name with a byte
    // pair the code page does not know, and one with JSON's special characters.
    NeraSettings odd;
    MakeDefaultSettings(odd, kDefaultServerPort);
    const uint8_t ntp[6] = {0x00, 0x00, 0xC0, 0xA8, 0x01, 0x0A};
    std::memset(odd.NtpServer(), 0, kHostFieldSize);
    std::memcpy(odd.NtpServer(), ntp, sizeof ntp);
    for (size_t i = 0; i < kHostFieldSize; i += 2) {
        odd.Server()[i] = 0x82;
        odd.Server()[i + 1] = 0xA0;
    }
    odd.Reserved()[0] = 0x12;
    odd.Reserved()[1] = 0x34;
    odd.SetFlags(0xFFFF);
    files.push_back(FileBytes(odd, 0x0102));
    EncodeHostField(L"a\"b\\c\x01", odd.NtpServer());
    std::memset(odd.Server(), 0, kHostFieldSize);
    std::memcpy(odd.Server(), "\x81\x20x", 3);
    files.push_back(FileBytes(odd, 0));
    return files;
}

class SettingsJsonTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::wstring>& args) {
        m_host.m_out.clear();
        m_host.m_err.clear();
        return RunNera(args, m_device, m_host);
    }

    nerasim::CSimDeviceApi m_device; // convert never opens a module
    CFakeHost m_host;
};

TEST_F(SettingsJsonTest, RealFilesComeBackByteForByte) {
    const std::vector<std::vector<uint8_t>> files = RealFiles();
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        m_host.m_files[L"a.nera"] = files[i];
        m_host.m_files.erase(L"a.json");
        m_host.m_files.erase(L"b.nera");
        ASSERT_EQ(Run({L"convert", L"a.nera", L"--json", L"-o", L"a.json"}), kExitOk);
        const std::string json = m_host.Text(L"a.json");
        for (char c : json) {
            ASSERT_TRUE(static_cast<unsigned char>(c) < 0x80) << json;
        }
        ASSERT_EQ(Run({L"convert", L"a.json", L"-o", L"b.nera"}), kExitOk) << std::string(json);
        EXPECT_EQ(m_host.m_files[L"b.nera"], files[i]) << json;
        // Standard output carries the same text as the file.
        ASSERT_EQ(Run({L"convert", L"b.nera", L"--json"}), kExitOk);
        EXPECT_EQ(m_host.m_out, std::wstring(json.begin(), json.end()));
    }
}

TEST_F(SettingsJsonTest, FieldsReadAsTheRecordNamesThem) {
    m_host.m_files[L"a.nera"] = RealFiles()[1];
    ASSERT_EQ(Run({L"convert", L"a.nera", L"--json"}), kExitOk);
    EXPECT_EQ(m_host.m_out, L"{\n"
                            L"  \"format\": 0,\n"
                            L"  \"mac\": \"0A1B2C3D4E5F\",\n"
                            L"  \"ipAddress\": \"192.168.0.10\",\n"
                            L"  \"gateway\": \"192.168.0.1\",\n"
                            L"  \"subnetMask\": \"255.255.255.0\",\n"
                            L"  \"port\": 49152,\n"
                            L"  \"passwordDigest\": "
                            L"\"2BB80D537B1DA3E38BD30361AA855686BDE0EACD7162FEF6A25FE97BF527A25B\",\n"
                            L"  \"dnsServer\": \"8.8.4.4\",\n"
                            L"  \"reserved\": \"FFFF\",\n"
                            L"  \"ntpServer\": \"192.168.1.10\",\n"
                            L"  \"flags\": 4,\n"
                            L"  \"server\": \"relay-host\",\n"
                            L"  \"serverPort\": 10001,\n"
                            L"  \"macEdit\": 1\n"
                            L"}\n");
}

TEST_F(SettingsJsonTest, BrokenJsonIsRefusedAndWritesNothing) {
    m_host.m_files[L"a.nera"] = RealFiles()[0];
    ASSERT_EQ(Run({L"convert", L"a.nera", L"--json"}), kExitOk);
    const std::string valid(m_host.m_out.begin(), m_host.m_out.end());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = valid;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    struct SBroken {
        const char* name;
        std::string text;
        std::wstring reason;
    };
    const SBroken broken[] = {
        {"empty", "", L"1 行 1 文字目）: 値がありません"},
        {"cut short", valid.substr(0, 30), L"文字列が閉じていません"},
        {"comma before the end", replaced("\"macEdit\": 0\n", "\"macEdit\": 0,\n"), L"メンバー名"},
        {"text after the object", valid + "{}", L"余分な文字"},
        {"not an object", "\"0000\"", L"オブジェクト { ... } ではありません"},
        {"field missing", replaced("  \"reserved\": \"FFFF\",\n", ""), L"reserved がありません"},
        {"member unknown", replaced("{\n", "{\n  \"extra\": 1,\n"), L"設定にないメンバーがあります: extra"},
        {"member twice", replaced("{\n", "{\n  \"port\": 1,\n"), L"同じ名前のメンバーが 2 回あります"},
        {"number too large", replaced("49152", "65536"), L"port: 0～65535 の整数"},
        {"negative number", replaced("49152", "-1"), L"0 以上の整数"},
        {"fraction", replaced("49152", "4915.2"), L"整数でなければなりません"},
        {"leading zero", replaced("49152", "049152"), L"先頭に 0"},
        {"true is not a number", replaced("49152", "true"), L"port: 0～65535 の整数"},
        {"MAC of 11 digits", replaced("\"FFFFFFFFFFFF\"", "\"FFFFFFFFFFF\""), L"mac: 16進数 12 桁"},
        {"address of three parts", replaced("\"0.0.0.0\"", "\"0.0.0\""), L"ipAddress: A.B.C.D"},
        {"name over 32 bytes",
         replaced("\"ntpServer\": \"\"", "\"ntpServer\": \"" + std::string(33, 'n') + "\""),
         L"ntpServer: 名前が長すぎます"},
        {"character the code page lacks",
         replaced("\"ntpServer\": \"\"", "\"ntpServer\": \"\\u00e9t\\u00e9\""),
         L"ntpServer: 設定に保存できない文字"},
        {"host hex too short", replaced("\"server\": \"\"", "\"server\": {\"hex\": \"00\"}"), L"server: "},
        {"nested too deep", replaced("\"server\": \"\"", "\"server\": {\"hex\": {\"a\": 1}}"),
         L"入れ子が深すぎます"},
        {"invalid UTF-8", replaced("\"ntpServer\": \"\"", "\"ntpServer\": \"\xFF\""),
         L"UTF-8 として正しくない"},
        {"overlong UTF-8", replaced("\"ntpServer\": \"\"", "\"ntpServer\": \"\xC0\xAF\""),
         L"UTF-8 として正しくない"},
        {"lone surrogate", replaced("\"ntpServer\": \"\"", "\"ntpServer\": \"\\ud800\""), L"サロゲート"},
        {"raw line feed in a string", replaced("\"ntpServer\": \"\"", "\"ntpServer\": \"a\nb\""),
         L"制御文字"},
        {"unknown escape", replaced("\"ntpServer\": \"\"", "\"ntpServer\": \"\\x41\""),
         L"使えないエスケープ"},
    };
    for (const SBroken& b : broken) {
        SCOPED_TRACE(b.name);
        m_host.PutText(L"in.json", b.text);
        m_host.m_files.erase(L"out.nera");
        EXPECT_EQ(Run({L"convert", L"in.json", L"-o", L"out.nera"}), kExitUsage);
        EXPECT_EQ(m_host.m_files.count(L"out.nera"), 0u);
        EXPECT_NE(m_host.m_err.find(b.reason), std::wstring::npos);
    }
}

} // namespace
