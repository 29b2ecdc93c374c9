#include "cli/NeraOptions.h"

#include "common/FieldChecks.h"
#include "common/PrintableText.h"
#include "common/TextCodec.h"
#include "common/UuidText.h"
#include "settings/SettingsEditor.h"

#include "cli/NeraVersion.h"

namespace {

enum class EOption {
    kHelp,
    kJson,
    kOutput,
    kIp,
    kDhcp,
    kMask,
    kGateway,
    kDns,
    kDnsAuto,
    kNtp,
    kPort,
    kServer,
    kServerPort,
    kClient,
    kPassword,
    kNoPassword,
    kDryRun,
    kYes,
    kUuid,
    kPackage,
    kMac,
    kForce,
    kQuiet,
    kTemplate,
    kTable,
    kReport,
    kBackupDir,
    kOnce,
    kUpdate,
    kAllowDowngrade,
};

// Bits of the commands an option belongs to.
constexpr unsigned kAll = 0x3F;
constexpr unsigned kInfo = 0x01;
constexpr unsigned kGet = 0x02;
constexpr unsigned kSet = 0x04;
constexpr unsigned kUpdate = 0x08;
constexpr unsigned kConvert = 0x10;
constexpr unsigned kBatch = 0x20;

struct SOptionEntry {
    const wchar_t* name;
    EOption id;
    bool takesValue;
    unsigned commands;
};

const SOptionEntry kOptions[] = {
    {L"--help", EOption::kHelp, false, kAll},
    {L"-h", EOption::kHelp, false, kAll},
    {L"--quiet", EOption::kQuiet, false, kAll},
    {L"-q", EOption::kQuiet, false, kAll},
    {L"--json", EOption::kJson, false, kInfo | kGet | kConvert},
    {L"-o", EOption::kOutput, true, kGet | kConvert},
    {L"--force", EOption::kForce, false, kGet | kConvert},
    {L"--ip", EOption::kIp, true, kSet},
    {L"--dhcp", EOption::kDhcp, false, kSet},
    {L"--mask", EOption::kMask, true, kSet},
    {L"--gateway", EOption::kGateway, true, kSet},
    {L"--dns", EOption::kDns, true, kSet},
    {L"--dns-auto", EOption::kDnsAuto, false, kSet},
    {L"--ntp", EOption::kNtp, true, kSet},
    {L"--port", EOption::kPort, true, kSet},
    {L"--server", EOption::kServer, true, kSet},
    {L"--server-port", EOption::kServerPort, true, kSet},
    {L"--client", EOption::kClient, true, kSet},
    {L"--password", EOption::kPassword, true, kSet},
    {L"--no-password", EOption::kNoPassword, false, kSet},
    {L"--dry-run", EOption::kDryRun, false, kSet | kBatch},
    {L"--mac", EOption::kMac, true, kSet},
    {L"--yes", EOption::kYes, false, kSet | kUpdate | kBatch},
    {L"--uuid", EOption::kUuid, true, kInfo | kGet | kSet | kUpdate},
    {L"--package", EOption::kPackage, true, kUpdate | kBatch},
    {L"--template", EOption::kTemplate, true, kBatch},
    {L"--table", EOption::kTable, true, kBatch},
    {L"--report", EOption::kReport, true, kBatch},
    {L"--backup-dir", EOption::kBackupDir, true, kBatch},
    {L"--once", EOption::kOnce, false, kBatch},
    {L"--update", EOption::kUpdate, false, kBatch},
    {L"--allow-downgrade", EOption::kAllowDowngrade, false, kBatch},
};

struct SCommandName {
    const wchar_t* name;
    ECommand command;
    unsigned bit;
};

const SCommandName kCommands[] = {
    {L"info", ECommand::kInfo, kInfo},
    {L"get", ECommand::kGet, kGet},
    {L"set", ECommand::kSet, kSet},
    {L"update", ECommand::kUpdate, kUpdate},
    {L"convert", ECommand::kConvert, kConvert},
    {L"batch", ECommand::kBatch, kBatch},
};

const SOptionEntry* FindOption(const std::wstring& name) {
    for (const SOptionEntry& entry : kOptions) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

bool IsHelp(const std::wstring& arg) {
    return arg == L"--help" || arg == L"-h" || arg == L"/?";
}

// An argument that stands where a value was expected but reads as an option of nera.
bool LooksLikeOption(const std::wstring& arg) {
    return arg.compare(0, 2, L"--") == 0 || FindOption(arg.substr(0, arg.find(L'='))) != nullptr ||
           arg == L"-V" || arg == L"/?";
}

bool Fail(std::wstring& message, const std::wstring& text) {
    message = text;
    return false;
}

// One option value into the options; name is the option as written, for messages.
bool ApplyOption(EOption id, const std::wstring& name, const std::wstring& value, SNeraOptions& options,
                 std::wstring& message) {
    SSettingsChanges& changes = options.changes;
    std::wstring problem;
    switch (id) {
        case EOption::kHelp:
            options.help = true;
            return true;
        case EOption::kJson:
            options.json = true;
            return true;
        case EOption::kOutput:
            if (value.empty()) {
                return Fail(message, name + L": ファイル名が空です。");
            }
            options.output = value;
            return true;
        case EOption::kIp:
        case EOption::kDhcp:
        case EOption::kMask:
        case EOption::kGateway:
        case EOption::kDns:
        case EOption::kDnsAuto:
        case EOption::kNtp:
        case EOption::kPort:
        case EOption::kServer:
        case EOption::kServerPort:
        case EOption::kClient:
        case EOption::kPassword:
        case EOption::kNoPassword:
        case EOption::kMac: {
            const SSettingOptionName* setting = FindSettingOption(name.substr(2));
            if (setting == nullptr || !ApplySettingValue(setting->option, value, changes, problem)) {
                return Fail(message, name + L": " + problem);
            }
            return true;
        }
        case EOption::kDryRun:
            options.dryRun = true;
            return true;
        case EOption::kYes:
            options.yes = true;
            return true;
        case EOption::kUuid: {
            uint8_t uuid[16];
            if (!ParseUuidText(value, uuid)) {
                return Fail(message, name + L": 製品識別子は xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx"
                                            L"（16進数）の形で指定してください。");
            }
            std::wstring upper = value;
            for (wchar_t& c : upper) {
                if (c >= L'a' && c <= L'f') {
                    c = static_cast<wchar_t>(c - L'a' + L'A');
                }
            }
            options.uuid = upper;
            return true;
        }
        case EOption::kPackage:
            if (value.empty()) {
                return Fail(message, name + L": ファイル名が空です。");
            }
            options.package = value;
            return true;
        case EOption::kForce:
            options.force = true;
            return true;
        case EOption::kTemplate:
        case EOption::kTable:
        case EOption::kReport:
        case EOption::kBackupDir:
            if (value.empty()) {
                return Fail(message, name + L": " + (id == EOption::kBackupDir ? L"フォルダー名" : L"ファイル名") +
                                         L"が空です。");
            }
            (id == EOption::kTemplate ? options.templatePath
             : id == EOption::kTable  ? options.tablePath
             : id == EOption::kReport ? options.reportPath
                                      : options.backupDir) = value;
            return true;
        case EOption::kOnce:
            options.once = true;
            return true;
        case EOption::kUpdate:
            options.update = true;
            return true;
        case EOption::kAllowDowngrade:
            options.allowDowngrade = true;
            return true;
        case EOption::kQuiet:
            options.quiet = true;
            return true;
    }
    return Fail(message, name + L": このオプションは使えません。");
}

// Options that cannot stand together, and what each command needs beside its options.
bool CheckCombination(SNeraOptions& options, std::wstring& message) {
    if (!CheckSettingsChanges(options.changes, L"--", message)) {
        return false;
    }
    switch (options.command) {
        case ECommand::kSet:
        case ECommand::kConvert:
            if (options.input.empty()) {
                return Fail(message, L"ファイルが指定されていません。");
            }
            break;
        default:
            break;
    }
    if (options.command == ECommand::kBatch) {
        for (const auto& required : {std::make_pair(&options.templatePath, L"--template"),
                                     std::make_pair(&options.tablePath, L"--table"),
                                     std::make_pair(&options.reportPath, L"--report")}) {
            if (required.first->empty()) {
                return Fail(message, std::wstring(L"batch には ") + required.second + L" が必要です。");
            }
        }
        if (!options.update && (!options.package.empty() || options.allowDowngrade)) {
            return Fail(message, L"--package と --allow-downgrade は --update と一緒に指定します。");
        }
    }
    if (options.command == ECommand::kConvert) {
        if (!options.json && options.output.empty()) {
            return Fail(message, L"convert: JSON にするには --json を、設定ファイルにするには -o FILE.nera を"
                                 L"指定してください。");
        }
    }
    return true;
}

} // namespace

const wchar_t* NeraSuiteVersion() {
    return NERA_SUITE_VERSION;
}

bool ParseNeraOptions(const std::vector<std::wstring>& args, SNeraOptions& options, std::wstring& message) {
    options = SNeraOptions();
    // The options of nera itself may stand before the command.
    size_t start = 0;
    for (; start < args.size(); ++start) {
        const std::wstring& arg = args[start];
        if (IsHelp(arg)) {
            options.help = true;
            return true;
        }
        if (arg == L"--version" || arg == L"-V") {
            if (start + 1 < args.size()) {
                return Fail(message, arg + L" の後には何も指定できません（" + std::to_wstring(start + 2) +
                                         L" 番目の引数）。");
            }
            options.version = true;
            return true;
        }
        if (arg == L"--quiet" || arg == L"-q") {
            options.quiet = true;
            continue;
        }
        break;
    }
    if (start == args.size()) {
        return Fail(message, L"コマンドが指定されていません（nera --help で一覧を表示します）。");
    }
    const std::wstring& commandName = args[start];
    unsigned commandBit = 0;
    for (const SCommandName& command : kCommands) {
        if (commandName == command.name) {
            options.command = command.command;
            commandBit = command.bit;
        }
    }
    if (commandBit == 0) {
        if (!commandName.empty() && commandName[0] == L'-') {
            return Fail(message, L"最初にコマンドを指定してください（nera --help で一覧を表示します）。");
        }
        return Fail(message, L"不明なコマンドです: " + PrintableText(commandName));
    }
    // Help wins over every other mistake on the line.
    for (size_t i = start + 1; i < args.size() && args[i] != L"--"; ++i) {
        if (IsHelp(args[i])) {
            options.help = true;
            return true;
        }
    }

    std::vector<EOption> seen;
    size_t positional = 0;
    bool optionsEnded = false;
    // The argument after a password may be the rest of it, split at a blank: never shown.
    bool afterPassword = false;
    for (size_t i = start + 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const std::wstring position = std::to_wstring(i + 1) + L" 番目の引数";
        const bool hidden = afterPassword;
        afterPassword = false;
        if (optionsEnded || arg.empty() || arg[0] != L'-' || arg == L"-") {
            if ((options.command != ECommand::kSet && options.command != ECommand::kConvert) ||
                positional > 0) {
                return Fail(message, L"余分な引数があります（" + position + L"）。");
            }
            options.input = arg;
            ++positional;
            continue;
        }
        if (arg == L"--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find(L'=');
        const std::wstring name = arg.substr(0, equals);
        const SOptionEntry* entry = FindOption(name);
        if (entry == nullptr) {
            return Fail(message, hidden ? L"不明なオプションです（" + position + L"）。"
                                        : L"不明なオプションです: " + PrintableText(name));
        }
        if ((entry->commands & commandBit) == 0 && entry->id != EOption::kQuiet) {
            return Fail(message, L"このコマンドでは使えないオプションです: " + name);
        }
        if (entry->id == EOption::kQuiet && options.quiet) {
            continue; // given before the command as well
        }
        for (EOption id : seen) {
            if (id == entry->id) {
                return Fail(message, name + L" が 2 回以上指定されています。");
            }
        }
        seen.push_back(entry->id);
        std::wstring value;
        if (entry->takesValue) {
            if (equals != std::wstring::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                // A forgotten value must not take the next option with it: "--password
                // $UNSET --dry-run" would write the password "--dry-run" and lose the dry run.
                if (LooksLikeOption(args[i + 1])) {
                    const std::wstring next = std::to_wstring(i + 2) + L" 番目の引数";
                    // A password is never repeated, not even a mistyped one.
                    const std::wstring shown = entry->id == EOption::kPassword
                                                   ? L"は"
                                                   : L"の " + PrintableText(args[i + 1]) + L" は";
                    return Fail(message, name + L" の値がありません（" + next + shown +
                                             L"オプションです）。- で始まる値は " + name +
                                             L"=値 の形で指定してください。");
                }
                value = args[++i];
            } else {
                return Fail(message, name + L" には値が必要です。");
            }
        } else if (equals != std::wstring::npos) {
            return Fail(message, name + L" は値を取りません。");
        }
        afterPassword = entry->id == EOption::kPassword;
        if (!ApplyOption(entry->id, name, value, options, message)) {
            return false;
        }
    }
    return CheckCombination(options, message);
}

std::wstring NeraHelpText(ECommand command) {
    switch (command) {
        case ECommand::kInfo:
            return L"使い方: nera info [--json] [--uuid UUID]\n"
                   L"  "
                   L"最初に見つかったモジュールをフラッシュ書換えモードで開き、製品名、ハードウェアコード、\n"
                   L"  製品識別子、ファームウェアのバージョン、MAC "
                   L"アドレスとネットワーク設定を表示します。\n"
                   L"  --json          同じ内容を JSON で表示します。\n"
                   L"  --uuid UUID     製品識別子がこれと一致するモジュールだけを読みます\n";
        case ECommand::kGet:
            return L"使い方: nera get [--json] [-o FILE.nera [--force]] [--uuid UUID]\n"
                   L"  モジュールの設定（領域 6）を読み出し、NeraConfig "
                   L"の「現在の設定」と同じ内容を表示します。\n"
                   L"  --json          -o で保存する設定ファイルの全フィールドを JSON で表示します\n"
                   L"                  （nera set と nera convert がそのまま読めます）。\n"
                   L"  -o FILE.nera    NeraConfig "
                   L"で「編集画面に読出し」してパスワードを反映し、保存したのと\n"
                   L"                  "
                   L"同じ設定ファイル（通常モード）を作ります。既にあるファイルには書きません。\n"
                   L"  --force         既にあるファイルの内容を置き換えます（リンクと権限はそのまま）\n"
                   L"  --uuid UUID     製品識別子がこれと一致するモジュールだけを読みます\n";
        case ECommand::kSet:
            return L"使い方: nera set FILE.nera|FILE.json [オプション]\n"
                   L"  設定ファイル（または get --json の "
                   L"JSON）から始めてオプションの変更を加え、NeraConfig\n"
                   L"  と同じ検査をしてからモジュールの領域 6 に書き込み、読み戻して確かめます。MAC "
                   L"アドレスは\n"
                   L"  NeraConfig の通常モードと同じくモジュールのものを使います。モジュールのパスワードは\n"
                   L"  --password か --no-password で指定しない限り消しません。\n"
                   L"  --ip A.B.C.D | --dhcp        固定 IP アドレス、または DHCP\n"
                   L"  --mask A.B.C.D               サブネットマスク\n"
                   L"  --gateway A.B.C.D            ゲートウェイ\n"
                   L"  --dns A.B.C.D | --dns-auto   DNS サーバー、または自動取得\n"
                   L"  --ntp TEXT                   NTP サーバー（空文字列で指定なし）\n"
                   L"  --port N                     ポート（1～65535）\n"
                   L"  --server TEXT                サーバー\n"
                   L"  --server-port N              サーバーポート（1～65535）\n"
                   L"  --client on|off              クライアントモード\n"
                   L"  --password TEXT | --no-password   パスワード、またはパスワードなし\n"
                   L"                               （どちらもなければファイルのパスワードを引き継ぎます）\n"
                   L"  --dry-run                    "
                   L"モジュールを読むだけで書き込まず、書き込むレコードを表示します\n"
                   L"  --mac XX:XX:XX:XX:XX:XX      この MAC "
                   L"アドレスを書き込みます（変わるときは確認します）\n"
                   L"  --uuid UUID                  製品識別子がこれと一致するモジュールだけに書き込みます\n"
                   L"  --yes                        MAC アドレスが変わる書込みを確認なしで行います\n";
        case ECommand::kUpdate:
            return L"使い方: nera update [--uuid UUID] [--package NeraUpdater.exe] [--yes]\n"
                   L"  NeraUpdater.exe が持つファームウェアを、NeraUpdater と同じ手順（製品の確認、消去、\n"
                   L"  書込み、ベリファイ）で最初に見つかったモジュールに書き込みます。接続してから、\n"
                   L"  製品名、製品識別子、現在と新しいバージョンを示して確認します。\n"
                   L"  --uuid UUID      モジュールの製品識別子がこれと一致するときだけ書き込みます\n"
                   L"  --package PATH   ファームウェアを持つ NeraUpdater.exe（既定: nera.exe "
                   L"と同じフォルダー）\n"
                   L"  --yes            書込み前の確認をしません\n";
        case ECommand::kConvert:
            return L"使い方: nera convert FILE.nera --json [-o FILE.json [--force]]\n"
                   L"        nera convert FILE.json -o FILE.nera [--force]\n"
                   L"  設定ファイルと JSON を相互に変換します。JSON "
                   L"から戻した設定ファイルは元と同じバイト列に\n"
                   L"  なります。\n";
        case ECommand::kBatch:
            return L"使い方: nera batch --template FILE --table FILE.csv --report FILE.jsonl [--backup-dir DIR]\n"
                   L"                  [--once] [--update [--package PATH] [--allow-downgrade]] [--dry-run] [--yes]\n"
                   L"  表（CSV）の行ごとに、テンプレートの設定に行の値を加えてモジュールを 1 台ずつ設定します。\n"
                   L"  表は最初にすべて検査し、誤りがあれば何も書き込みません。モジュールが来るのを待ち、製品識別子\n"
                   L"  か MAC アドレスで行を見つけ、設定をバックアップしてから set と同じ規則で書き込み、結果を\n"
                   L"  レポートに 1 行ずつ追記します。同じレポートで実行し直すと、済んだ行のモジュールは飛ばします。\n"
                   L"  --template FILE   設定ファイルか JSON（set と同じもの。JSON の mac は null にします）\n"
                   L"  --table FILE.csv  1 列目が uuid か mac、ほかの列が set のオプション名（ip、mask、gateway、\n"
                   L"                    dns、dhcp、ntp、server、port、server-port、client、password、\n"
                   L"                    no-password、mac）の CSV。空のセルはテンプレートのまま\n"
                   L"  --report FILE     結果の JSON Lines（追記します）\n"
                   L"  --backup-dir DIR  バックアップのフォルダー（既定: レポートと同じ場所の「名前-backups」）\n"
                   L"  --once            いまあるモジュールだけを扱って終わります\n"
                   L"  --update          ファームウェアも、バージョンが違えば書き換えます（--package は update と同じ）\n"
                   L"  --allow-downgrade モジュールのほうが新しくても書き換えます\n"
                   L"  --dry-run         表を検査し、来たモジュールの計画だけを示します（書き込みません）\n"
                   L"  --yes             確認をしません\n"
                   L"  終了コード 4: まだ済んでいない行があります（失敗した行、来なかったモジュール）\n";
        case ECommand::kNone:
            break;
    }
    return L"使い方: nera COMMAND [オプション]\n"
           L"  info      モジュールの製品情報と設定を表示する\n"
           L"  get       モジュールの設定を表示する、設定ファイルに保存する\n"
           L"  set       設定ファイルとオプションの設定をモジュールに書き込む\n"
           L"  update    ファームウェアを更新する\n"
           L"  convert   設定ファイルと JSON を相互に変換する\n"
           L"  batch     表に従って多数のモジュールを 1 台ずつ設定する（量産）\n"
           L"  nera COMMAND --help でコマンドごとのオプションを表示します。\n"
           L"  -q, --quiet     エラーのほかは表示しません（求められたデータは表示します）\n"
           L"  -V, --version   nera のバージョンを表示します\n"
           L"  値が - で始まるときは --password=--x のように = でつないで指定します。\n"
           L"  確認の質問は標準入力がコンソールのときだけします（スクリプトでは --yes を付けます）。\n"
           L"終了コード:\n"
           L"  0    成功\n"
           L"  1    モジュールが拒否した・失敗した（接続、製品の確認、通信、書込み、ベリファイ、読み戻し）\n"
           L"  2    "
           L"使い方や入力の誤り、規則による拒否、確認で中止・答える人がいない（何も書き込んでいません）\n"
           L"  3    ファイルを読み書きできない、デバイスライブラリがない\n"
           L"  4    batch: まだ済んでいない行がある（失敗した行、来なかったモジュール）\n"
           L"  130  Ctrl+C で中断した（いまの手順を終えてから止まります）\n";
}
