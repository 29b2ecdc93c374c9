// info, get and set against the simulated module: the bytes that reach area 6, the exit
// statuses, and that nothing is written when anything is wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

#include "cli/NeraCommand.h"
#include "batch/BatchSession.h"
#include "cli/tests/FakeHost.h"
#include "common/HexText.h"
#include "devsim/tests/SimModuleTest.h"
#include "firmware/Des.h"
#include "firmware/FirmwarePackage.h"
#include "settings/SettingsEditor.h"
#include "settings/SettingsFile.h"

namespace {

const std::string kSecretDigest =
    "2BB80D537B1DA3E38BD30361AA855686BDE0EACD7162FEF6A25FE97BF527A25B"; // "secret"
const std::string kNoPasswordDigest = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
const std::string kFF4 = "FFFFFFFF";
const std::string kFF32 = std::string(64, 'F');
// What set says on standard error before it writes to the default module.
const std::wstring kModuleLine = L"書込み先: Nera5120（製品識別子 A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38）\n";

// A settings file as NeraConfig saves it from a fresh editor, with one change made first.
std::vector<uint8_t> EditorFile(const std::function<void(SEditorFields&)>& change, uint16_t flag = 0) {
    SEditorFields fields;
    change(fields);
    NeraSettings record;
    MakeDefaultSettings(record, kDefaultServerPort);
    SEditorProblem problem;
    CollectEditorSettings(fields, record, problem);
    const SettingsFileBytes file = SerializeSettingsFile(record, flag);
    return std::vector<uint8_t>(file.begin(), file.end());
}

// A firmware image of 0x8400 bytes whose version record says 5.7.1 and already carries the
// default module's hardware code, so that the written flash equals the image.
std::vector<uint8_t> MakeImage() {
    std::vector<uint8_t> image(0x8400, 0xFF);
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    }
    const uint8_t record[12] = {0, 0, 0, 0, 0x40, 0x01, 0x00, 0x01, 0, 5, 7, 1};
    std::memcpy(&image[0x8000], record, sizeof record);
    return image;
}

// An updater executable: some bytes, the enciphered image and the trailer.
std::vector<uint8_t> MakePackage(const std::vector<uint8_t>& image) {
    const uint8_t key[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
    std::vector<uint8_t> package(300, 0x4D);
    std::vector<uint8_t> enciphered = image;
    DesEcb(key, enciphered.data(), enciphered.size(), kDesEncipher);
    package.insert(package.end(), enciphered.begin(), enciphered.end());
    const uint8_t version[8] = {'5', '.', '7', '.', '1', 0, 0, 0};
    package.insert(package.end(), version, version + 8);
    package.insert(package.end(), key, key + 8);
    const size_t n = image.size();
    const uint8_t length[4] = {0, static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                               static_cast<uint8_t>(n)};
    package.insert(package.end(), length, length + 4);
    return package;
}

class NeraCommandTest : public nerasim::CSimModuleTest {
protected:
    // A new module "m" with the default identity and the given settings of module.txt.
    void NewModule(const std::vector<std::string>& settings, bool erased = false) {
        CSimModuleTest::NewModule(settings, erased);
        m_host = CFakeHost();
    }
    int Run(const std::vector<std::wstring>& args) { return RunNera(args, m_device, m_host); }

    CFakeHost m_host;
};

// info and get are shown end to end; here the file that get saves and a failed open.
TEST_F(NeraCommandTest, GetSavesTheFileNeraConfigWould) {
    NewModule({});
    ASSERT_EQ(Run({L"get", L"--json", L"-o", L"saved.nera"}), kExitOk);
    EXPECT_NE(m_host.m_out.find(L"\"mac\": \"024E45524101\""), std::wstring::npos);
    // The file NeraConfig saves after reading into the editor: the module's record, its MAC,
    // and the editor's "no password" instead of the module's.
    const std::vector<uint8_t>& saved = m_host.m_files[L"saved.nera"];
    ASSERT_EQ(saved.size(), kSettingsFileSize);
    EXPECT_EQ(HexFromBytes(saved.data(), 8), "0000024E45524101");
    EXPECT_EQ(HexFromBytes(saved.data() + kPasswordDigestOffset, kPasswordDigestSize), kFF32);
    EXPECT_EQ(HexFromBytes(saved.data() + 128, 2), "0000");

    NewModule({"fail_open=1"});
    EXPECT_EQ(Run({L"get"}), kExitRefused);
    EXPECT_EQ(m_host.m_err, L"nera: デバイスとの接続ができません。\n");
}

TEST_F(NeraCommandTest, SetWritesWhatTheDialogWouldOrNothing) {
    struct SCase {
        const char* name;
        std::vector<std::string> module; // module.txt settings
        bool erased;
        std::vector<uint8_t> file;
        std::vector<std::wstring> options;
        std::vector<bool> answers;
        int status;
        std::wstring message; // part of standard error; empty: none
        std::string area;     // area 6 afterwards; empty: as before
    };
    const std::vector<uint8_t> plain = EditorFile([](SEditorFields&) {});
    const std::vector<uint8_t> withPassword = EditorFile([](SEditorFields& f) { f.password = L"secret"; });
    const std::string factoryArea = "0000024E45524101"
                                    "00000000" +
                                    kFF4 + kFF4 + "C000" + kNoPasswordDigest + kFF4 + "FFFF" + kFF32 +
                                    "0000" + kFF32 + "C400";
    const SCase cases[] = {
        {"static address and password; the module keeps its MAC",
         {},
         false,
         plain,
         {L"--ip", L"192.168.0.10", L"--mask", L"255.255.255.0", L"--gateway", L"192.168.0.1", L"--password",
          L"secret"},
         {},
         kExitOk,
         L"",
         "0000024E45524101"
         "C0A8000A"
         "C0A80001"
         "FFFFFF00"
         "C000" +
             kSecretDigest + kFF4 + "FFFF" + kFF32 + "0000" + kFF32 + "C400"},
        {"a file's digest is carried over",
         {},
         false,
         withPassword,
         {},
         {},
         kExitOk,
         L"",
         "0000024E45524101"
         "00000000" +
             kFF4 + kFF4 + "C000" + kSecretDigest + kFF4 + "FFFF" + kFF32 + "0000" + kFF32 + "C400"},
        {"no password becomes the module's no-password digest",
         {},
         false,
         withPassword,
         {L"--no-password"},
         {},
         kExitOk,
         L"",
         factoryArea},
        {"client mode and names",
         {},
         false,
         plain,
         {L"--client", L"on", L"--server", L"relay-host", L"--server-port", L"10001", L"--ntp", L"timeserver",
          L"--port", L"10002", L"--dns", L"8.8.4.4"},
         {},
         kExitOk,
         L"",
         "0000024E45524101"
         "00000000" +
             kFF4 + kFF4 + "2712" + kNoPasswordDigest +
             "08080404"
             "FFFF" +
             "74696D65736572766572" + std::string(44, '0') + "0004" + "72656C61792D686F7374" +
             std::string(44, '0') + "2711"},
        {"client mode without server",
         {},
         false,
         plain,
         {L"--client", L"on"},
         {},
         kExitUsage,
         L"nera: サーバー (--server): サーバーが指定されていません。\n",
         ""},
        {"port 0 from the file",
         {},
         false,
         EditorFile([](SEditorFields& f) { f.port = 0; }),
         {},
         {},
         kExitUsage,
         L"nera: ポート (--port): 1 から 65535 までの整数を入力してください。\n",
         ""},
        {"a name the field cannot hold",
         {},
         false,
         plain,
         {L"--server", std::wstring(32, L's')},
         {},
         kExitUsage,
         L"サーバー (--server): 31 文字以内で入力してください。",
         ""},
        {"DHCP file made static without a mask",
         {},
         false,
         plain,
         {L"--ip", L"10.0.0.5"},
         {},
         kExitUsage,
         L"--mask も指定してください",
         ""},
        {"mask for a DHCP file",
         {},
         false,
         plain,
         {L"--gateway", L"10.0.0.1"},
         {},
         kExitUsage,
         L"--mask と --gateway を指定できません",
         ""},
        {"dry run of a real change",
         {},
         false,
         plain,
         {L"--dry-run", L"--port", L"80"},
         {},
         kExitOk,
         L"",
         ""},
        {"erased module: the file's MAC FF:FF:FF:FF:FF:FF is refused",
         {},
         true,
         plain,
         {L"--yes"},
         {},
         kExitUsage,
         L"MAC アドレス FF:FF:FF:FF:FF:FF は使えません",
         ""},
        {"a new MAC: the question answered No",
         {},
         false,
         plain,
         {L"--mac", L"02:00:00:00:00:01"},
         {false},
         kExitUsage,
         L"MAC アドレスが変わるため書込みを中止しました",
         ""},
        {"erased module: --mac names FF:FF:FF:FF:FF:FF, --yes writes it",
         {},
         true,
         plain,
         {L"--yes", L"--mac", L"ff-ff-ff-ff-ff-ff"},
         {},
         kExitOk,
         L"",
         "0000FFFFFFFFFFFF"
         "00000000" +
             kFF4 + kFF4 + "C000" + kNoPasswordDigest + kFF4 + "FFFF" + kFF32 + "0000" + kFF32 + "C400"},
        {"the module refuses the write",
         {"fail_area_write=1"},
         false,
         plain,
         {},
         {},
         kExitRefused,
         L"nera: 書込みに失敗しました。\n",
         ""},
        {"no module",
         {"fail_open=1"},
         false,
         plain,
         {},
         {},
         kExitRefused,
         L"デバイスとの接続ができません。",
         ""},
        {"a file of 129 bytes",
         {},
         false,
         std::vector<uint8_t>(plain.begin(), plain.end() - 1),
         {},
         {},
         kExitUsage,
         L"129 バイトです",
         ""},
        {"a file whose record is not a settings record",
         {},
         false,
         std::vector<uint8_t>(130, 0xFF),
         {},
         {},
         kExitUsage,
         L"先頭の 2 バイトが 0 ではありません",
         ""},
        {"missing file", {}, false, {}, {}, {}, kExitFile, L"in.nera: ファイルが開けませんでした。", ""},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        NewModule(c.module, c.erased);
        const std::string before = Area6();
        if (!c.file.empty()) {
            m_host.m_files[L"in.nera"] = c.file;
        }
        m_host.m_answers = c.answers;
        std::vector<std::wstring> args = {L"set", L"in.nera"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(Run(args), c.status) << std::string(m_host.m_err.begin(), m_host.m_err.end());
        const bool dryRun = std::find(c.options.begin(), c.options.end(), L"--dry-run") != c.options.end();
        if (c.message.empty()) {
            EXPECT_EQ(m_host.m_err, c.status == kExitOk && !dryRun ? kModuleLine : L"");
        } else {
            EXPECT_NE(m_host.m_err.find(c.message), std::wstring::npos);
        }
        EXPECT_EQ(Area6(), c.area.empty() ? before : c.area);
        EXPECT_EQ(m_host.m_out.find(L"secret"), std::wstring::npos);
        EXPECT_EQ(CallsNamed("Q5120_NeraFlashModeOpen"), CallsNamed("Q5120_NeraFlashModeClose"));
        if (c.status == kExitUsage || dryRun) {
            EXPECT_EQ(CallsNamed("Kivo_FlshWriteRWArea"), 0u);
        }
    }
}

// A module that answers the read-back with one byte changed: the write is not reported done.
TEST_F(NeraCommandTest, SetReportsAReadBackThatDiffers) {
    NewModule({});
    m_host.m_files[L"in.nera"] = EditorFile([](SEditorFields&) {});
    m_device.m_fault = nerasim::CFaultyReadDevice::kFlipsAByte;
    m_device.m_faultyRead = 3; // the read after the write (after area 6 and the identifier in area 7)
    EXPECT_EQ(Run({L"set", L"in.nera", L"--port", L"80"}), kExitRefused);
    EXPECT_EQ(m_host.m_err, kModuleLine + L"nera: 読み戻した設定が書き込んだ設定と一致しません。\n");
    EXPECT_EQ(m_host.m_out, L"");
}

TEST_F(NeraCommandTest, UpdateWritesTheCarriedImageWithTheUpdatersLog) {
    const std::vector<uint8_t> image = MakeImage();
    const std::wstring log = L"---------- Q5120 Firmware Updater ----------\n\n"
                             L"デバイスと接続中...完了\n"
                             L"...フラッシュメモリを消去しました。\n"
                             L"...フラッシュメモリにバイナリデータを書き込みました。\n"
                             L"...フラッシュメモリのベリファイが完了しました。\n"
                             L"切断しました。\n"
                             L"\n...正常に終了しました。\n";
    struct SCase {
        const char* name;
        std::vector<std::string> module;
        std::vector<std::wstring> options;
        std::vector<bool> answers;
        bool console;
        int status;
        std::wstring out; // standard output exactly; empty: not checked
        std::wstring err; // part of standard error
        bool written;
    };
    const std::wstring header = L"---------- Q5120 Firmware Updater ----------\n\n";
    const SCase cases[] = {
        {"--yes, on a console", {}, {L"--yes"}, {}, true, kExitOk, log, L"] 100%", true},
        {"the question answered Yes",
         {},
         {},
         {true},
         false,
         kExitOk,
         log,
         L"書き込まれるバージョン: 5.7.1\n",
         true},
        {"the question, naming the module, answered No",
         {},
         {},
         {false},
         false,
         kExitUsage,
         header + L"デバイスと接続中...完了\n切断しました。\n",
         L"nera: 書込みを中止しました。\n",
         false},
        {"another product identifier",
         {},
         {L"--yes", L"--uuid", L"00000000-0000-0000-0000-000000000001"},
         {},
         false,
         kExitRefused,
         header + L"デバイスと接続中...\n### "
                  L"製品情報が一致しませんでした。番号を書き換えるデバイス以外は取り外してください。"
                  L"\n### 実行を停止しました。\n",
         L"nera: 接続エラー: 製品情報が一致しませんでした。",
         false},
        {"an identifier that differs only in its last byte",
         {},
         {L"--yes", L"--uuid", L"a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a39"},
         {},
         false,
         kExitRefused,
         L"",
         L"nera: 接続エラー: 製品情報が一致しませんでした。",
         false},
        {"its own product identifier",
         {},
         {L"--yes", L"--uuid", L"a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38"},
         {},
         false,
         kExitOk,
         log,
         L"",
         true},
        {"no module",
         {"fail_open=1"},
         {L"--yes"},
         {},
         false,
         kExitRefused,
         header + L"デバイスと接続中...\n### デバイスとの接続ができません。\n### 実行を停止しました。\n",
         L"",
         false},
        {"a flash byte that reads back wrong",
         {"bad_byte=0x8100"},
         {L"--yes"},
         {},
         false,
         kExitRefused,
         L"",
         L"ベリファイエラー: フラッシュに正しく書き込みができませんでした。",
         true},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        NewModule(c.module);
        const std::vector<uint8_t> before = Flash(0x8000, 0x400);
        m_host.m_files[L"NeraUpdater.exe"] = MakePackage(image);
        m_host.m_answers = c.answers;
        m_host.m_console = c.console;
        std::vector<std::wstring> args = {L"update"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(Run(args), c.status) << std::string(m_host.m_err.begin(), m_host.m_err.end());
        if (!c.out.empty()) {
            EXPECT_EQ(m_host.m_out, c.out);
        }
        EXPECT_NE(m_host.m_err.find(c.err), std::wstring::npos);
        // The bar only on a console.
        EXPECT_EQ(m_host.m_err.find(L"\r[") != std::wstring::npos, c.console);
        // The question comes after connecting and names the module and both versions.
        EXPECT_EQ(m_host.m_questions,
                  c.answers.empty() ? std::vector<std::wstring>()
                                    : std::vector<std::wstring>{
                                          L"Nera5120（製品識別子 A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38）の"
                                          L"ファームウェアを 5.6.0 から 5.7.1 に書き換えます。続けますか？"});
        if (c.written) {
            EXPECT_EQ(Flash(0, 0x1000), std::vector<uint8_t>(image.begin(), image.begin() + 0x1000));
            if (c.status == kExitOk) {
                EXPECT_EQ(Flash(0x8000, 0x400), std::vector<uint8_t>(image.begin() + 0x8000, image.end()));
            }
        } else {
            EXPECT_EQ(Flash(0x8000, 0x400), before);
            EXPECT_EQ(CallsNamed("Kivo_FlshErase"), 0u);
        }
    }
}

TEST_F(NeraCommandTest, UpdateRefusesAMissingOrDamagedPackage) {
    NewModule({});
    EXPECT_EQ(Run({L"update", L"--yes"}), kExitFile);
    EXPECT_NE(m_host.m_err.find(L"NeraUpdater.exe: ファイルが開けませんでした。"), std::wstring::npos);
    std::vector<uint8_t> package = MakePackage(MakeImage());
    package[package.size() - 3] = 0x08; // N = 0x08xxxx, over the largest image
    m_host.m_files[L"other.exe"] = package;
    m_host.m_err.clear();
    EXPECT_EQ(Run({L"update", L"--yes", L"--package", L"other.exe"}), kExitFile);
    EXPECT_EQ(m_host.m_err,
              L"nera: other.exe: ファームウェアパッケージを持つ NeraUpdater の実行ファイルではありません"
              L"（実行時にエラーが発生しました。 #2）。\n");
    EXPECT_EQ(CallsNamed("Q5120_FlashModeOpen"), 0u);
}

// What a script may not do by accident: each refusal names its cause, exits with its status and
// writes nothing to the module or to a file.
TEST_F(NeraCommandTest, ScriptSafetyRefusals) {
    const std::vector<uint8_t> plain = EditorFile([](SEditorFields&) {});
    struct SCase {
        const char* name;
        bool modulePassword;            // area 6 holds a password digest first
        std::vector<std::wstring> args; // in.nera is the plain file, out.nera exists already
        int status;
        std::wstring message; // part of standard error
        bool areaWritten;
        const char* moduleMac = nullptr; // the MAC area 6 holds first; null: the default module's
    };
    // clang-format off
    const SCase kCases[] = {
        {"a write would remove the module's password", true, {L"set", L"in.nera", L"--port", L"80"}, kExitUsage,
         L"この書込みはパスワードを消します", false},
        {"--no-password removes it", true, {L"set", L"in.nera", L"--no-password"}, kExitOk, L"", true},
        {"--password replaces it", true, {L"set", L"in.nera", L"--password", L"new"}, kExitOk, L"", true},
        {"set on another module", false,
         {L"set", L"in.nera", L"--uuid", L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A39"}, kExitRefused,
         L"製品識別子が一致しません（指定: A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A39、モジュール: "
         L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38）",
         false},
        {"set on the module named", false,
         {L"set", L"in.nera", L"--uuid", L"a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38"}, kExitOk, L"", true},
        {"get from another module", false, {L"get", L"--uuid", L"00000000-0000-0000-0000-000000000000"},
         kExitRefused, L"製品識別子が一致しません", false},
        {"info from another module", false, {L"info", L"--uuid", L"00000000-0000-0000-0000-000000000000"},
         kExitRefused, L"製品識別子が一致しません", false},
        {"the module's multicast MAC is not taken over", false, {L"set", L"in.nera"}, kExitUsage,
         L"MAC アドレス 03:00:00:00:00:01 は使えません", false, "030000000001"},
        {"a multicast --mac is written when named", false,
         {L"set", L"in.nera", L"--mac", L"03:00:00:00:00:01", L"--yes"}, kExitOk, L"", true},
        {"an NTP name the code page cannot hold", false, {L"set", L"in.nera", L"--ntp", L"\u00e9t\u00e9"},
         kExitUsage, L"--ntp: 設定に保存できない文字があります。", false},
        {"a password the code page cannot hold", false, {L"set", L"in.nera", L"--password", L"p\u00e4ss"},
         kExitUsage, L"--password: 設定に保存できない文字があります。", false},
        {"-o onto an existing file", false, {L"get", L"-o", L"out.nera"}, kExitFile,
         L"out.nera: ファイルが既にあります（置き換えるには --force を指定してください）。", false},
        {"convert -o onto an existing file", false, {L"convert", L"in.nera", L"--json", L"-o", L"out.nera"},
         kExitFile, L"ファイルが既にあります", false},
        {"--force onto a read-only file", false, {L"get", L"-o", L"locked.nera", L"--force"}, kExitFile,
         L"locked.nera: ファイルに書き込めませんでした。", false},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        NewModule({});
        if (c.modulePassword) {
            NeraSettings record;
            ASSERT_TRUE(BytesFromHex(Area6(), record.bytes, kNeraSettingsSize));
            const Sha256Digest digest = ComputePasswordDigest(L"module");
            std::memcpy(record.PasswordDigest(), digest.data(), kPasswordDigestSize);
            PutArea6(record.bytes);
        }
        if (c.moduleMac != nullptr) {
            NeraSettings record;
            ASSERT_TRUE(BytesFromHex(Area6(), record.bytes, kNeraSettingsSize));
            ASSERT_TRUE(BytesFromHex(c.moduleMac, record.Mac(), kMacSize));
            PutArea6(record.bytes);
        }
        const std::string before = Area6();
        m_host.m_files[L"in.nera"] = plain;
        m_host.PutText(L"out.nera", "notes");
        m_host.PutText(L"locked.nera", "locked");
        m_host.m_readOnly = {L"locked.nera"};
        EXPECT_EQ(Run(c.args), c.status);
        if (c.message.empty()) {
            EXPECT_EQ(m_host.m_err, c.args[0] == L"set" && c.status == kExitOk ? kModuleLine : L"");
        } else {
            EXPECT_NE(m_host.m_err.find(c.message), std::wstring::npos);
        }
        if (!c.areaWritten) {
            EXPECT_EQ(Area6(), before);
        }
        EXPECT_EQ(CallsNamed("Kivo_FlshWriteRWArea"), c.areaWritten ? 1u : 0u);
        EXPECT_EQ(m_host.Text(L"out.nera"), "notes");
        EXPECT_EQ(m_host.Text(L"locked.nera"), "locked");
        if (c.status == kExitFile && c.args[0] == L"get" && c.message.find(L"既に") != std::wstring::npos) {
            EXPECT_EQ(CallsNamed("Q5120_NeraFlashModeOpen"), 0u); // refused before the module is opened
            EXPECT_EQ(m_host.m_out, L"");
        }
    }
}

TEST_F(NeraCommandTest, ForceWritesAnExistingFileInPlace) {
    NewModule({});
    m_host.PutText(L"out.nera", "notes");
    ASSERT_EQ(Run({L"get", L"-o", L"out.nera", L"--force"}), kExitOk);
    EXPECT_EQ(m_host.m_files[L"out.nera"].size(), kSettingsFileSize);
    ASSERT_EQ(Run({L"get", L"-o", L"new.nera"}), kExitOk);
    EXPECT_EQ(m_host.m_writes,
              (std::vector<std::pair<std::wstring, bool>>{{L"out.nera", true}, {L"new.nera", false}}));
}

// get --json is the file that get -o saves: converted back it gives the same bytes, and set takes
// either; info --json names the module.
TEST_F(NeraCommandTest, JsonGoesBothWays) {
    NewModule({});
    ASSERT_EQ(Run({L"get", L"-o", L"saved.nera"}), kExitOk);
    m_host.m_out.clear();
    ASSERT_EQ(Run({L"get", L"--json"}), kExitOk);
    EXPECT_NE(m_host.m_out.find(L"\"macEdit\": 0"), std::wstring::npos);
    m_host.m_files[L"saved.json"] = std::vector<uint8_t>(m_host.m_out.begin(), m_host.m_out.end());
    ASSERT_EQ(Run({L"convert", L"saved.json", L"-o", L"back.nera"}), kExitOk);
    EXPECT_EQ(m_host.m_files[L"back.nera"], m_host.m_files[L"saved.nera"]);

    // Without macEdit the file is one saved in normal mode; set reads the JSON as the file.
    std::string json = m_host.Text(L"saved.json");
    const std::string flag = ",\n  \"macEdit\": 0", port = "\"port\": 49152";
    json.replace(json.find(flag), flag.size(), "");
    json.replace(json.find(port), port.size(), "\"port\": 8080");
    m_host.PutText(L"edited.json", json);
    ASSERT_EQ(Run({L"set", L"edited.json"}), kExitOk)
        << std::string(m_host.m_err.begin(), m_host.m_err.end());
    EXPECT_EQ(Area6().substr(2 * kPortOffset, 4), "1F90");

    m_host.m_out.clear();
    ASSERT_EQ(Run({L"info", L"--json"}), kExitOk);
    for (const wchar_t* part :
         {L"\"product\": \"Nera5120\"", L"\"hwCode\": \"0x40010001\"",
          L"\"uuid\": \"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38\"", L"\"firmware\": \"5.6.0\"",
          L"  \"settings\": {\n    \"format\": 0,", L"\"port\": 8080"}) {
        EXPECT_NE(m_host.m_out.find(part), std::wstring::npos) << testing::PrintToString(std::wstring(part));
    }
}

// The idioms of a hurried script: input that belongs to the script, a JSON file edited by
// hand, Ctrl+C. Each row says what reaches the module: nothing, or one whole write.
TEST_F(NeraCommandTest, ScriptIdiomsCannotHurtAModule) {
    NewModule({});
    ASSERT_EQ(Run({L"get", L"--json"}), kExitOk);
    const std::string getJson(m_host.m_out.begin(), m_host.m_out.end());
    auto edited = [&](std::vector<std::pair<std::string, std::string>> replacements) {
        std::string json = getJson;
        for (const auto& r : replacements) {
            json.replace(json.find(r.first), r.first.size(), r.second);
        }
        return std::vector<uint8_t>(json.begin(), json.end());
    };
    auto utf16 = [](const std::vector<uint8_t>& ascii, bool bigEndian) {
        std::vector<uint8_t> out =
            bigEndian ? std::vector<uint8_t>{0xFE, 0xFF} : std::vector<uint8_t>{0xFF, 0xFE};
        for (uint8_t c : ascii) {
            out.push_back(bigEndian ? 0 : c);
            out.push_back(bigEndian ? c : 0);
        }
        return out;
    };
    const std::vector<uint8_t> plain = EditorFile([](SEditorFields&) {});
    const std::vector<uint8_t> staticIp =
        edited({{"\"ipAddress\": \"0.0.0.0\"", "\"ipAddress\": \"192.168.0.10\""}});
    const std::vector<uint8_t> otherMac = edited({{"024E45524101", "020000000009"}});
    struct SCase {
        const char* name;
        std::vector<uint8_t> file; // in.set
        std::vector<std::wstring> options;
        bool inConsole;
        int stopAfter; // Ctrl+C: the StopRequested() call from which on it is true, -1 never
        int status;
        std::wstring message; // part of standard error
        size_t areaWrites;
    };
    // clang-format off
    const SCase kCases[] = {
        {"the MAC question is not asked of piped input", plain, {L"--mac", L"02:00:00:00:00:09"}, false, -1,
         kExitUsage, L"標準入力がコンソールではないため質問しませんでした", 0},
        {"--yes needs nobody to answer", plain, {L"--mac", L"02:00:00:00:00:09", L"--yes"}, false, -1, kExitOk,
         L"", 1},
        {"JSON of a DHCP module with only the address edited", staticIp, {}, true, -1, kExitUsage,
         L"nera: サブネットマスク (JSON の subnetMask): 固定 IP アドレスにはサブネットマスクが必要です", 0},
        {"the same with --mask", staticIp, {L"--mask", L"255.255.255.0"}, true, -1, kExitOk, L"", 1},
        {"a .nera static address without a mask", EditorFile([](SEditorFields& f) {
             f.dhcp = false;
             f.ipAddress = 0x0A000005;
         }), {}, true, -1, kExitUsage, L"nera: サブネットマスク (--mask): 固定 IP アドレスにはサブネットマスクが必要です", 0},
        {"an edited JSON mac", otherMac, {}, true, -1, kExitUsage,
         L"JSON の mac（02:00:00:00:00:09）がモジュールの MAC アドレス（02:4E:45:52:41:01）と違います", 0},
        {"an edited JSON mac with macEdit 1", edited({{"024E45524101", "020000000009"}, {"\"macEdit\": 0", "\"macEdit\": 1"}}),
         {}, true, -1, kExitUsage, L"JSON の mac（02:00:00:00:00:09）", 0},
        {"an edited JSON mac written through --mac", otherMac, {L"--mac", L"02:00:00:00:00:09", L"--yes"}, true, -1,
         kExitOk, L"", 1},
        {"mac null keeps the module's", edited({{"\"024E45524101\"", "null"}, {"\"port\": 49152", "\"port\": 80"}}),
         {}, true, -1, kExitOk, L"", 1},
        {"a .nera saved in MAC edit mode with another MAC",
         EditorFile([](SEditorFields& f) { f.macText = L"020000000009"; }, 1), {}, true, -1, kExitUsage,
         L"MAC アドレス編集モードの設定ファイルの MAC アドレス（02:00:00:00:00:09）", 0},
        {"JSON saved as UTF-16", utf16(edited({{"\"port\": 49152", "\"port\": 80"}}), false), {}, true, -1, kExitOk, L"", 1},
        {"JSON saved as UTF-16, big-endian", utf16(edited({}), true), {}, true, -1, kExitOk, L"", 1},
        {"UTF-16 with half a character", {0xFF, 0xFE, '{', 0, '}'}, {}, true, -1, kExitUsage,
         L"UTF-16 として正しくない文字があります（UTF-8 で保存してください）", 0},
        {"Ctrl+C before the write", plain, {}, true, 1, kExitInterrupted,
         L"nera: 中断しました。モジュールには書き込んでいません。", 0},
        {"Ctrl+C during the write lets it finish", plain, {}, true, 2, kExitInterrupted,
         L"nera: 中断しました。設定は書き込み、読み戻して確かめてあります", 1},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        NewModule({});
        const std::string before = Area6();
        m_host.m_files[L"in.set"] = c.file;
        m_host.m_inConsole = c.inConsole;
        m_host.m_stopAfter = c.stopAfter;
        std::vector<std::wstring> args = {L"set", L"in.set"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(Run(args), c.status) << testing::PrintToString(m_host.m_err);
        if (c.message.empty()) {
            EXPECT_EQ(m_host.m_err, kModuleLine);
            EXPECT_NE(m_host.m_out.find(L"正常に書き込みました。（Nera5120（製品識別子 A4D29E6B-"),
                      std::wstring::npos);
        } else {
            EXPECT_NE(m_host.m_err.find(c.message), std::wstring::npos)
                << testing::PrintToString(m_host.m_err);
        }
        EXPECT_EQ(CallsNamed("Kivo_FlshWriteRWArea"), c.areaWrites);
        if (c.areaWrites == 0) {
            EXPECT_EQ(Area6(), before);
        }
        EXPECT_TRUE(c.inConsole || m_host.m_questions.empty());
    }
    // mac null: the module's own MAC was written.
    NewModule({});
    m_host.m_files[L"in.set"] = edited({{"\"024E45524101\"", "null"}, {"\"port\": 49152", "\"port\": 80"}});
    ASSERT_EQ(Run({L"set", L"in.set"}), kExitOk);
    EXPECT_EQ(Area6().substr(4, 12), "024E45524101");
}

// Piped input and Ctrl+C during an update: nothing is erased without a person's answer, and a
// stop comes between the steps, saying what the firmware is left as.
TEST_F(NeraCommandTest, UpdateStopsOnlyBetweenSteps) {
    const std::vector<uint8_t> image = MakeImage();
    struct SCase {
        const char* name;
        std::vector<std::wstring> options;
        bool inConsole;
        int stopAfter;
        int status;
        std::wstring message;
        size_t erases;
        bool flashIsImage;
    };
    // clang-format off
    const SCase kCases[] = {
        {"piped input gets no question", {}, false, -1, kExitUsage, L"標準入力がコンソールではないため", 0, false},
        {"Ctrl+C before the question", {}, true, 1, kExitInterrupted, L"中断しました。モジュールには書き込んでいません。", 0,
         false},
        {"Ctrl+C during the erase", {L"--yes"}, true, 2, kExitInterrupted,
         L"ファームウェアは消去したところで、不完全です", 1, false},
        {"Ctrl+C while programming", {L"--yes"}, true, 3, kExitInterrupted,
         L"ベリファイしていないため、不完全かもしれません。もう一度 nera update を実行すると", 1, true},
        {"Ctrl+C while verifying", {L"--yes"}, true, 4, kExitInterrupted,
         L"中断しました。ファームウェアの書込みとベリファイは終わっています。", 1, true},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        NewModule({});
        m_host.m_files[L"NeraUpdater.exe"] = MakePackage(image);
        m_host.m_inConsole = c.inConsole;
        m_host.m_stopAfter = c.stopAfter;
        std::vector<std::wstring> args = {L"update"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(Run(args), c.status);
        EXPECT_NE(m_host.m_err.find(c.message), std::wstring::npos) << testing::PrintToString(m_host.m_err);
        EXPECT_EQ(CallsNamed("Kivo_FlshErase"), c.erases);
        EXPECT_EQ(Flash(0x8000, 0x400) == std::vector<uint8_t>(image.begin() + 0x8000, image.end()),
                  c.flashIsImage);
        EXPECT_TRUE(m_host.m_questions.empty());
    }
}

// info --json and get --json show one module's settings alike: the file get -o saves, and
// whether the area was erased.
TEST_F(NeraCommandTest, InfoAndGetShowOneJsonView) {
    const struct {
        const char* name;
        bool modulePassword;
        bool erased;
    } kModules[] = {{"factory module", false, false},
                    {"module with a password", true, false},
                    {"erased area", false, true}};
    for (const auto& module : kModules) {
        SCOPED_TRACE(module.name);
        NewModule({}, module.erased);
        if (module.modulePassword) {
            NeraSettings record;
            ASSERT_TRUE(BytesFromHex(Area6(), record.bytes, kNeraSettingsSize));
            const Sha256Digest digest = ComputePasswordDigest(L"module");
            std::memcpy(record.PasswordDigest(), digest.data(), kPasswordDigestSize);
            PutArea6(record.bytes);
        }
        ASSERT_EQ(Run({L"get", L"--json"}), kExitOk);
        const std::wstring get = m_host.m_out;
        m_host.m_out.clear();
        ASSERT_EQ(Run({L"info", L"--json"}), kExitOk);
        const size_t at = m_host.m_out.find(L"\"settings\": ");
        ASSERT_NE(at, std::wstring::npos);
        std::wstring settings;
        for (size_t i = at + 12; i < m_host.m_out.size(); ++i) {
            settings += m_host.m_out[i];
            if (m_host.m_out[i] == L'\n') {
                i += 2; // one level of indentation less
            }
        }
        EXPECT_EQ(settings, get);
        EXPECT_NE(get.find(module.erased ? L"\"erased\": true" : L"\"erased\": false"), std::wstring::npos);
        EXPECT_NE(get.find(module.erased ? L"\"mac\": \"FFFFFFFFFFFF\"" : L"\"mac\": \"024E45524101\""),
                  std::wstring::npos);
        EXPECT_EQ(get.find(L"E3B0C442"), std::wstring::npos); // "no password" in the file's form
    }
}

// nera batch from the command line: the files it reads and writes, and that the table and the
// report are checked before the device libraries are needed.
TEST_F(NeraCommandTest, BatchFromTheCommandLine) {
    class CNoLibraries : public IDeviceLibraries {
    public:
        IDeviceApi* Load() override { return nullptr; }
    } missing;
    NewModule({});
    m_host.m_files[L"t.nera"] = EditorFile([](SEditorFields&) {});
    m_host.PutText(L"table.csv", "uuid,ip,mask\n"
                                 "A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38,192.168.0.10,255.255.255.0\n"
                                 "A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A39,192.168.0.11,255.255.255.0\n");
    m_host.PutText(L"bad.csv", "uuid,ip\nA4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38,10.0.0.256\n");
    m_host.PutText(L"notes.txt", "my notes\n");
    const std::vector<std::wstring> batch = {L"batch", L"--template", L"t.nera", L"--once"};
    auto run = [&](std::vector<std::wstring> more, bool libraries = true) {
        std::vector<std::wstring> args = batch;
        args.insert(args.end(), more.begin(), more.end());
        m_host.m_err.clear();
        return libraries ? Run(args) : RunNera(args, missing, m_host);
    };
    // A table with a mistake: nothing is loaded, opened or written.
    EXPECT_EQ(run({L"--table", L"bad.csv", L"--report", L"r.jsonl"}, false), kExitUsage);
    EXPECT_NE(m_host.m_err.find(L"nera: bad.csv:2: ip: アドレスは A.B.C.D"), std::wstring::npos);
    EXPECT_NE(m_host.m_err.find(L"nera: 表に誤りがあるため、どのモジュールにも書き込んでいません。"), std::wstring::npos);
    // Another file given as the report is never appended to.
    EXPECT_EQ(run({L"--table", L"table.csv", L"--report", L"notes.txt"}, false), kExitFile);
    EXPECT_NE(m_host.m_err.find(L"レポートのファイルではありません"), std::wstring::npos);
    EXPECT_EQ(m_host.Text(L"notes.txt"), "my notes\n");
    EXPECT_EQ(CallsNamed("Q5120_NeraFlashModeOpen"), 0u);

    // The module present: backed up beside the report, written, reported; the other row remains.
    EXPECT_EQ(run({L"--table", L"table.csv", L"--report", L"line.jsonl"}), kExitBatchIncomplete);
    EXPECT_EQ(Area6().substr(16, 8), "C0A8000A");
    EXPECT_NE(m_host.Text(L"line.jsonl").find("\"row\": 2, \"uuid\": \"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38\""),
              std::string::npos);
    EXPECT_EQ(m_host.m_files.count(L"line-backups/A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38-20261209T010200Z.nera"), 1u);
    EXPECT_NE(m_host.m_err.find(L"  IPアドレス: 自動取得(DHCP) → 192.168.0.10\n"), std::wstring::npos);
    EXPECT_NE(m_host.m_err.find(L"結果: ok 1 skipped 0 unknown 0 refused 0 failed 0 planned 0、済んでいない行 1\n"),
              std::wstring::npos);
    // Again with the same report: the module is done.
    EXPECT_EQ(run({L"--table", L"table.csv", L"--report", L"line.jsonl", L"-q"}), kExitBatchIncomplete);
    EXPECT_EQ(m_host.m_err, L"");
    EXPECT_NE(m_host.Text(L"line.jsonl").find("\"result\": \"skipped\""), std::string::npos);
    EXPECT_EQ(CallsNamed("Kivo_FlshWriteRWArea"), 1u);
}

// The conventions of a console tool: version, quiet, and no device library needed where none
// is used; text from a file never reaches the console raw.
TEST_F(NeraCommandTest, ConventionsOfAConsoleTool) {
    class CNoLibraries : public IDeviceLibraries {
    public:
        IDeviceApi* Load() override { return nullptr; }
    } missing;
    NewModule({});
    m_host.m_files[L"in.nera"] = EditorFile([](SEditorFields&) {});
    struct SCase {
        std::vector<std::wstring> args;
        int status;
        std::wstring out; // part of standard output; empty = none at all
        std::wstring err; // part of standard error; empty = none at all
    };
    // clang-format off
    const SCase kCases[] = {
        {{L"--version"}, kExitOk, L"nera 1.4.0.1\n", L""},
        {{L"-V"}, kExitOk, L"nera 1.4.0.1\n", L""},
        {{L"--help"}, kExitOk, L"使い方: nera COMMAND", L""},
        {{L"/?"}, kExitOk, L"使い方: nera COMMAND", L""},
        {{L"--help"}, kExitOk, L"  3    ファイルを読み書きできない、デバイスライブラリがない\n"
                               L"  4    batch: まだ済んでいない行がある（失敗した行、来なかったモジュール）\n"
                               L"  130  Ctrl+C で中断した", L""},
        {{L"--version", L"extra"}, kExitUsage, L"", L"nera: --version の後には何も指定できません（2 番目の引数）。"},
        {{L"-q", L"-V"}, kExitOk, L"nera 1.4.0.1\n", L""},
        {{L"convert", L"in.nera", L"--json"}, kExitOk, L"\"macEdit\": 0", L""},
        {{L"info"}, kExitFile, L"",
         L"nera: デバイスライブラリ Kivo5120.dll と Q5120Common.dll が見つかりません"},
    };
    // clang-format on
    for (const SCase& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        m_host.m_out.clear();
        m_host.m_err.clear();
        EXPECT_EQ(RunNera(c.args, missing, m_host), c.status);
        EXPECT_EQ(c.out.empty(), m_host.m_out.empty());
        EXPECT_NE(m_host.m_out.find(c.out), std::wstring::npos);
        EXPECT_EQ(c.err.empty(), m_host.m_err.empty());
        EXPECT_NE(m_host.m_err.find(c.err), std::wstring::npos);
    }

    // --quiet: a write and an update say nothing unless something fails.
    m_host.m_out.clear();
    m_host.m_err.clear();
    m_host.m_files[L"NeraUpdater.exe"] = MakePackage(MakeImage());
    EXPECT_EQ(Run({L"set", L"in.nera", L"--port", L"80", L"-q"}), kExitOk);
    EXPECT_EQ(Run({L"-q", L"set", L"in.nera", L"--port", L"81"}), kExitOk);
    EXPECT_EQ(Run({L"update", L"--yes", L"--quiet"}), kExitOk);
    EXPECT_EQ(m_host.m_out, L"");
    EXPECT_EQ(m_host.m_err, L"");

    // A member name with an escape character is shown escaped.
    ASSERT_EQ(Run({L"convert", L"in.nera", L"--json"}), kExitOk);
    std::string json(m_host.m_out.begin(), m_host.m_out.end());
    json.insert(2, "\"\\u001b]0;owned\\u0007\": 1,\n");
    m_host.PutText(L"bad.json", json);
    EXPECT_EQ(Run({L"convert", L"bad.json", L"-o", L"x.nera"}), kExitUsage);
    EXPECT_EQ(m_host.m_err.find(L'\x1b'), std::wstring::npos);
    EXPECT_NE(m_host.m_err.find(L"\\u001B]0;owned\\u0007"), std::wstring::npos);
}

} // namespace
