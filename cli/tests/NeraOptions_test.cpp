// The command line of nera: what each line parses to, and what it is refused with.
#include <gtest/gtest.h>

#include <functional>

#include "cli/NeraOptions.h"

namespace {

const std::wstring kSecret = L"s3cret-Pw";

struct SLine {
    const char* name;
    std::vector<std::wstring> args;
    // Empty when the line parses; else a part of the message.
    std::wstring refusal;
    std::function<void(const SNeraOptions&)> check;
};

uint32_t Addr(unsigned a, unsigned b, unsigned c, unsigned d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

TEST(NeraOptions, LinesParseOrAreRefused) {
    const SLine lines[] = {
        {"help alone", {L"--help"}, L"", [](const SNeraOptions& o) { EXPECT_TRUE(o.help); }},
        {"command help wins over a bad option",
         {L"set", L"--bogus", L"-h"},
         L"",
         [](const SNeraOptions& o) {
             EXPECT_TRUE(o.help);
             EXPECT_EQ(o.command, ECommand::kSet);
         }},
        {"get with json and output",
         {L"get", L"--json", L"-o", L"a.nera"},
         L"",
         [](const SNeraOptions& o) {
             EXPECT_EQ(o.command, ECommand::kGet);
             EXPECT_TRUE(o.json);
             EXPECT_EQ(o.output, L"a.nera");
         }},
        {"set with every change, values after = or as the next argument",
         {L"set",
          L"a.nera",
          L"--ip=192.168.0.10",
          L"--mask",
          L"255.255.255.0",
          L"--gateway",
          L"192.168.0.1",
          L"--dns",
          L"8.8.4.4",
          L"--ntp",
          L"",
          L"--port",
          L" 10001 ",
          L"--server",
          L"relay",
          L"--server-port",
          L"65535",
          L"--client",
          L"on",
          L"--password",
          kSecret,
          L"--dry-run",
          L"--yes"},
         L"",
         [](const SNeraOptions& o) {
             const SSettingsChanges& c = o.changes;
             EXPECT_EQ(o.input, L"a.nera");
             EXPECT_EQ(c.ipAddress, Addr(192, 168, 0, 10));
             EXPECT_EQ(c.subnetMask, Addr(255, 255, 255, 0));
             EXPECT_EQ(c.gateway, Addr(192, 168, 0, 1));
             EXPECT_EQ(c.dnsServer, Addr(8, 8, 4, 4));
             EXPECT_EQ(c.ntpServer, std::wstring());
             EXPECT_EQ(c.port, 10001u);
             EXPECT_EQ(c.server, L"relay");
             EXPECT_EQ(c.serverPort, 65535u);
             EXPECT_EQ(c.clientMode, true);
             EXPECT_EQ(c.password, kSecret);
             EXPECT_TRUE(o.dryRun);
             EXPECT_TRUE(o.yes);
         }},
        {"set with the automatic choices",
         {L"set", L"--dhcp", L"--dns-auto", L"--no-password", L"--client", L"off", L"--", L"-odd.nera"},
         L"",
         [](const SNeraOptions& o) {
             EXPECT_TRUE(o.changes.dhcp);
             EXPECT_TRUE(o.changes.dnsAuto);
             EXPECT_TRUE(o.changes.noPassword);
             EXPECT_EQ(o.changes.clientMode, false);
             EXPECT_EQ(o.input, L"-odd.nera");
         }},
        {"update keeps the identifier upper-cased",
         {L"update", L"--uuid", L"a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38", L"--package", L"U.exe", L"--yes"},
         L"",
         [](const SNeraOptions& o) {
             EXPECT_EQ(o.uuid, L"A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A38");
             EXPECT_EQ(o.package, L"U.exe");
             EXPECT_TRUE(o.yes);
         }},
        {"convert both ways",
         {L"convert", L"a.json", L"-o", L"b.nera"},
         L"",
         [](const SNeraOptions& o) {
             EXPECT_FALSE(o.json);
             EXPECT_EQ(o.output, L"b.nera");
         }},
        {"no command", {}, L"コマンドが指定されていません", nullptr},
        {"option before the command", {L"--json", L"get"}, L"最初にコマンドを指定してください", nullptr},
        {"unknown command", {L"erase"}, L"不明なコマンドです: erase", nullptr},
        {"unknown option shows its name, not its value",
         {L"set", L"a.nera", L"--pasword=" + kSecret},
         L"不明なオプションです: --pasword",
         nullptr},
        {"option of another command",
         {L"info", L"--force"},
         L"このコマンドでは使えないオプションです: --force",
         nullptr},
        {"missing value", {L"set", L"a.nera", L"--ip"}, L"--ip には値が必要です。", nullptr},
        {"flag with a value", {L"set", L"a.nera", L"--dhcp=1"}, L"--dhcp は値を取りません。", nullptr},
        {"option twice never repeats a password",
         {L"set", L"a.nera", L"--password", kSecret, L"--password", kSecret},
         L"--password が 2 回以上指定されています。",
         nullptr},
        {"a password split by a blank is not echoed",
         {L"set", L"a.nera", L"--password", L"s3cret", L"-Pw-tail"},
         L"不明なオプションです（5 番目の引数）。",
         nullptr},
        {"extra argument named by position", {L"set", L"a.nera", kSecret}, L"3 番目の引数", nullptr},
        {"set without file", {L"set", L"--dhcp"}, L"ファイルが指定されていません。", nullptr},
        {"port not a number",
         {L"set", L"a.nera", L"--port", L"-1"},
         L"--port: 正の整数を入力してください。",
         nullptr},
        {"port 0",
         {L"set", L"a.nera", L"--port", L"0"},
         L"--port: 1 から 65535 までの整数を入力してください。",
         nullptr},
        {"server port 65536",
         {L"set", L"a.nera", L"--server-port", L"65536"},
         L"--server-port: 1 から 65535 までの整数を入力してください。",
         nullptr},
        {"address with five parts",
         {L"set", L"a.nera", L"--mask", L"1.2.3.4.5"},
         L"--mask: アドレスは",
         nullptr},
        {"address part over 255",
         {L"set", L"a.nera", L"--gateway", L"10.0.0.256"},
         L"--gateway: アドレスは",
         nullptr},
        {"address in short form", {L"set", L"a.nera", L"--ip", L"10.1"}, L"--ip: アドレスは", nullptr},
        {"static address that means DHCP",
         {L"set", L"a.nera", L"--ip", L"0.0.0.0"},
         L"固定アドレスにできません",
         nullptr},
        {"DNS that means automatic",
         {L"set", L"a.nera", L"--dns", L"255.255.255.255"},
         L"DNS サーバーにできません",
         nullptr},
        {"client neither on nor off", {L"set", L"a.nera", L"--client", L"yes"}, L"on または off", nullptr},
        {"empty password", {L"set", L"a.nera", L"--password="}, L"空のパスワードは指定できません", nullptr},
        {"ip with dhcp", {L"set", L"a.nera", L"--ip", L"10.0.0.1", L"--dhcp"}, L"--ip と --dhcp", nullptr},
        {"dns with dns-auto",
         {L"set", L"a.nera", L"--dns", L"10.0.0.1", L"--dns-auto"},
         L"--dns と --dns-auto",
         nullptr},
        {"password with no-password",
         {L"set", L"a.nera", L"--no-password", L"--password", kSecret},
         L"--password と --no-password",
         nullptr},
        {"mask with dhcp",
         {L"set", L"a.nera", L"--dhcp", L"--mask", L"255.0.0.0"},
         L"--dhcp のときは",
         nullptr},
        {"malformed identifier",
         {L"update", L"--uuid", L"A4D29E6B0F174C3A8E5B72C6D1F09A38"},
         L"--uuid: 製品識別子は",
         nullptr},
        {"convert without a direction", {L"convert", L"a.nera"}, L"--json を", nullptr},
        {"empty output name", {L"get", L"-o", L""}, L"-o: ファイル名が空です。", nullptr},
        {"a value that is an option is refused, naming both",
         {L"set", L"a.nera", L"--ntp", L"--dry-run"},
         L"--ntp の値がありません（4 番目の引数の --dry-run はオプションです）。- で始まる値は --ntp=値 "
         L"の形で",
         nullptr},
        {"a forgotten password takes no option and shows none",
         {L"set", L"a.nera", L"--password", L"--dry-run"},
         L"--password の値がありません（4 番目の引数はオプションです）。",
         nullptr},
        {"short options count as options",
         {L"get", L"-o", L"-q"},
         L"3 番目の引数の -q はオプションです",
         nullptr},
        {"any text that begins with --",
         {L"update", L"--package", L"--pkg"},
         L"の --pkg はオプションです",
         nullptr},
        {"the attached form takes a value that begins with -",
         {L"set", L"a.nera", L"--password=--" + kSecret, L"--ntp=-q"},
         L"",
         [](const SNeraOptions& o) {
             EXPECT_EQ(o.changes.password, L"--" + kSecret);
             EXPECT_EQ(o.changes.ntpServer, L"-q");
         }},
        {"-q before the command",
         {L"-q", L"set", L"a.nera"},
         L"",
         [](const SNeraOptions& o) {
             EXPECT_TRUE(o.quiet);
             EXPECT_EQ(o.command, ECommand::kSet);
         }},
        {"/? after a command", {L"set", L"/?"}, L"", [](const SNeraOptions& o) { EXPECT_TRUE(o.help); }},
    };
    for (const SLine& line : lines) {
        SCOPED_TRACE(line.name);
        SNeraOptions options;
        std::wstring message;
        const bool parsed = ParseNeraOptions(line.args, options, message);
        if (line.refusal.empty()) {
            ASSERT_TRUE(parsed) << std::string(message.begin(), message.end());
            line.check(options);
        } else {
            EXPECT_FALSE(parsed);
            EXPECT_NE(message.find(line.refusal), std::wstring::npos);
            EXPECT_EQ(message.find(L"s3cret"), std::wstring::npos);
            EXPECT_EQ(message.find(L"Pw"), std::wstring::npos);
        }
    }
}

} // namespace
