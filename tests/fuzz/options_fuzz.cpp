// Fuzz target for nera's command line: the input's lines are the arguments after the program
// name (UTF-8; a line that is not valid UTF-8 gives one character per byte).
//
// Properties: a refusal says why; an accepted line names a command or asks for help; and the
// password never shows in a message. For the last, the line is parsed a second time with the
// password and the argument after it (which may be the rest of a password split at a blank)
// replaced by characters no message holds, keeping what the parser looks at (empty or not, a
// leading '-', an option name, whether the code page holds each of its characters): the answer
// and the message must not change.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/NeraOptions.h"
#include "common/TextCodec.h"
#include "common/Utf8Text.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

constexpr wchar_t kHidden = 0xE000; // a private-use character: in no message or option name
// The mask of a password character that the code page cannot hold, which the parser refuses as
// such: the refusal tells that the password has such a character, never which.
constexpr wchar_t kHiddenOutsideCodePage = 0x00E9;

const wchar_t* const kValueOptions[] = {L"-o",     L"--ip",      L"--mask",     L"--gateway",     L"--dns",
                                        L"--ntp",  L"--port",    L"--server",   L"--server-port", L"--client",
                                        L"--uuid", L"--package", L"--password", L"--mac"};
const wchar_t* const kFlagOptions[] = {
    L"--help",    L"-h",    L"--json",  L"--dhcp",  L"--dns-auto", L"--no-password",
    L"--dry-run", L"--yes", L"--force", L"--quiet", L"-q"};

bool IsIn(const std::wstring& name, const wchar_t* const* table, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (name == table[i]) {
            return true;
        }
    }
    return false;
}

bool TakesValue(const std::wstring& name) {
    return IsIn(name, kValueOptions, sizeof kValueOptions / sizeof kValueOptions[0]);
}

bool IsOptionName(const std::wstring& name) {
    return TakesValue(name) || IsIn(name, kFlagOptions, sizeof kFlagOptions / sizeof kFlagOptions[0]);
}

std::wstring Masked(const std::wstring& text, size_t from) {
    std::wstring masked = text;
    for (size_t i = from; i < masked.size(); ++i) {
        masked[i] = kHidden;
    }
    return masked;
}

bool InCodePage(wchar_t c) {
    std::string ansi;
    std::wstring back;
    return WideToAnsi(std::wstring(1, c), ansi) && AnsiToWide(ansi, back) && back == std::wstring(1, c);
}

// A password masked character by character, each by a mask of the same kind for the code page.
std::wstring MaskedPassword(const std::wstring& text, size_t from) {
    std::wstring masked = text;
    for (size_t i = from; i < masked.size(); ++i) {
        masked[i] = InCodePage(masked[i]) ? kHidden : kHiddenOutsideCodePage;
    }
    return masked;
}

// The argument after a password, masked where the parser only sees its shape: a file name or an
// unknown option (of which the message gives only the position).
std::wstring MaskedFollower(const std::wstring& arg) {
    if (arg.empty() || arg[0] != L'-') {
        return Masked(arg, 0);
    }
    if (arg == L"-" || arg == L"--" || IsOptionName(arg.substr(0, arg.find(L'=')))) {
        return arg;
    }
    return Masked(arg, 1);
}

// The arguments with every password and the argument after it masked.
std::vector<std::wstring> MaskPasswords(std::vector<std::wstring> args) {
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != L'-' || arg == L"-") {
            continue;
        }
        if (arg == L"--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find(L'=');
        const std::wstring name = arg.substr(0, equals);
        if (!TakesValue(name) || (equals == std::wstring::npos && ++i >= args.size())) {
            continue;
        }
        if (name != L"--password") {
            continue;
        }
        if (equals != std::wstring::npos) {
            args[i] = MaskedPassword(args[i], equals + 1);
        } else if (args[i] != L"--" && args[i] != L"--help" && args[i] != L"-h") {
            // These three the parser reads wherever they stand (help wins over every mistake
            // before "--"), a password's place included; none of them is shown.
            args[i] = MaskedPassword(args[i], 0);
        }
        if (i + 1 < args.size()) {
            args[i + 1] = MaskedFollower(args[i + 1]);
        }
    }
    return args;
}

std::vector<std::wstring> Arguments(const uint8_t* data, size_t size) {
    std::vector<std::wstring> args;
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        std::wstring arg;
        if (!StrictWideFromUtf8(line, arg)) {
            for (char c : line) {
                arg.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
            }
        }
        args.push_back(arg);
        start = end + 1;
    }
    return args;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::wstring> args = size == 0 ? std::vector<std::wstring>() : Arguments(data, size);
    SNeraOptions options;
    std::wstring message;
    const bool ok = ParseNeraOptions(args, options, message);
    if (ok) {
        FUZZ_CHECK(options.help || options.version || options.command != ECommand::kNone);
        if (options.uuid) {
            FUZZ_CHECK(options.uuid->find_first_of(L"abcdef") == std::wstring::npos);
        }
    } else {
        FUZZ_CHECK(!message.empty());
    }

    SNeraOptions masked;
    std::wstring maskedMessage;
    FUZZ_CHECK(ParseNeraOptions(MaskPasswords(args), masked, maskedMessage) == ok);
    if (!ok) {
        FUZZ_CHECK(maskedMessage == message);
        FUZZ_CHECK(maskedMessage.find(kHidden) == std::wstring::npos);
    }
    return 0;
}
