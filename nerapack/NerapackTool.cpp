#include "nerapack/NerapackTool.h"

#include <cstdint>

#include "common/HexText.h"
#include "common/Utf8Text.h"
#include "firmware/PackageBuilder.h"
#include "nerapack/PackageFiles.h"

namespace {

// An updater executable is a few megabytes; anything far larger is not one.
constexpr size_t kMaxUpdaterLength = 256u * 1024u * 1024u;

const char kUsage[] =
    "usage: nerapack --updater EXE --image IMAGE --version TEXT (--key HEX16 | --random-key) --out FILE\n"
    "         appends IMAGE, enciphered, and its trailer to a copy of EXE, written as FILE\n"
    "       nerapack demo-image FILE\n"
    "         writes the demonstration image (version 5.7.1)\n"
    "       nerapack check FILE\n"
    "         reads the package at the end of FILE as the updater does\n";

int Usage(std::string& err, const std::string& problem) {
    err += "nerapack: " + problem + "\n" + kUsage;
    return kNerapackUsage;
}

int Refuse(std::string& err, const std::string& message) {
    err += "nerapack: " + message + "\n";
    return kNerapackRefused;
}

// Reads an input file, or says why not in err.
bool ReadInput(const char* what, const std::string& path, size_t maxLength, const char* tooLarge,
               std::vector<uint8_t>& data, std::string& err) {
    std::string reason;
    switch (PfReadFile(path, maxLength, data, reason)) {
        case EReadFile::kOk:
            return true;
        case EReadFile::kTooLarge:
            Refuse(err, std::string(what) + " " + path + ": " + tooLarge);
            return false;
        case EReadFile::kUnreadable:
            break;
    }
    Refuse(err, "cannot read the " + std::string(what) + " " + path + ": " + reason);
    return false;
}

bool WriteOutput(const std::string& path, const std::vector<uint8_t>& data, bool executable,
                 std::string& err) {
    std::string reason;
    if (!PfWriteFile(path, data, executable, reason)) {
        Refuse(err, "cannot write " + path + ": " + reason);
        return false;
    }
    return true;
}

int RunDemoImage(const std::vector<std::string>& args, std::string& out, std::string& err) {
    if (args.size() != 2) {
        return Usage(err, "demo-image takes one file name");
    }
    const std::vector<uint8_t> image = MakeDemoImage();
    if (!WriteOutput(args[1], image, false, err)) {
        return kNerapackRefused;
    }
    out += args[1] + ": demonstration image, " + std::to_string(image.size()) + " bytes, version 5.7.1\n";
    return kNerapackOk;
}

int RunCheck(const std::vector<std::string>& args, std::string& out, std::string& err) {
    if (args.size() != 2) {
        return Usage(err, "check takes one file name");
    }
    std::vector<uint8_t> file;
    if (!ReadInput("file", args[1], kMaxUpdaterLength, "larger than 256 MiB", file, err)) {
        return kNerapackRefused;
    }
    CBytePackageSource source(file);
    SFirmwareImage image;
    const EPackageError error = ReadFirmwarePackage(source, image);
    if (error != EPackageError::kNone) {
        return Refuse(err, args[1] + ": " + Utf8FromWide(PackageErrorText(error)));
    }
    out += args[1] + ": version " + Utf8FromWide(image.m_version) + ", image " +
           std::to_string(image.m_data.size()) + " bytes\n";
    return kNerapackOk;
}

struct SPackOptions {
    std::string updater;
    std::string image;
    std::string version;
    std::string key;
    std::string out;
    bool randomKey = false;
};

// Options and their values; false with a usage message in problem.
bool ParsePackOptions(const std::vector<std::string>& args, SPackOptions& options, std::string& problem) {
    static const char* const kNames[5] = {"--updater", "--image", "--version", "--key", "--out"};
    bool seen[5] = {};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--random-key") {
            if (options.randomKey) {
                problem = "--random-key given twice";
                return false;
            }
            options.randomKey = true;
            continue;
        }
        std::string* const values[5] = {&options.updater, &options.image, &options.version, &options.key,
                                        &options.out};
        size_t which = 0;
        while (which < 5 && name != kNames[which]) {
            ++which;
        }
        if (which == 5) {
            problem = "unknown argument " + name;
            return false;
        }
        if (seen[which]) {
            problem = name + " given twice";
            return false;
        }
        if (i + 1 >= args.size()) {
            problem = name + " needs a value";
            return false;
        }
        seen[which] = true;
        *values[which] = args[++i];
    }
    for (size_t which = 0; which < 5; ++which) {
        if (!seen[which] && which != 3) { // the key may come from --random-key instead
            problem = std::string(kNames[which]) + " is missing";
            return false;
        }
    }
    if (seen[3] == options.randomKey) {
        problem = "give either --key HEX16 or --random-key";
        return false;
    }
    return true;
}

int RunPack(const std::vector<std::string>& args, std::string& out, std::string& err) {
    SPackOptions options;
    std::string problem;
    if (!ParsePackOptions(args, options, problem)) {
        return Usage(err, problem);
    }
    uint8_t key[8] = {};
    if (!options.randomKey && !BytesFromHex(options.key, key, 8)) {
        return Usage(err, "--key needs exactly 16 hex digits");
    }
    std::wstring version;
    if (!StrictWideFromUtf8(options.version, version)) {
        return Refuse(err, "the version text is not UTF-8");
    }
    for (const std::string* input : {&options.updater, &options.image}) {
        if (PfSameFile(options.out, *input)) {
            return Refuse(err, "the output " + options.out + " is the input " + *input +
                                   "; nerapack never changes its inputs");
        }
    }

    std::vector<uint8_t> updater;
    std::vector<uint8_t> image;
    if (!ReadInput("updater", options.updater, kMaxUpdaterLength, "larger than 256 MiB", updater, err) ||
        !ReadInput("image", options.image, kMaxImageLength, BuildErrorText(EBuildError::kImageTooLarge),
                   image, err)) {
        return kNerapackRefused;
    }
    if (options.randomKey && !PfRandomBytes(key, sizeof key)) {
        return Refuse(err, "the system gave no random bytes for the key");
    }

    std::vector<uint8_t> package;
    const EBuildError error = BuildPackage(updater, image, version, key, package);
    switch (error) {
        case EBuildError::kNone:
            break;
        case EBuildError::kVersionTooLong:
        case EBuildError::kVersionNotAnsi:
            return Refuse(err, "version \"" + options.version + "\": " + BuildErrorText(error));
        case EBuildError::kSignedUpdater:
            return Refuse(err, "updater " + options.updater + ": " + BuildErrorText(error));
        default:
            return Refuse(err, "image " + options.image + ": " + BuildErrorText(error));
    }
    if (!WriteOutput(options.out, package, true, err)) {
        return kNerapackRefused;
    }
    out += options.out + ": image " + std::to_string(image.size()) + " bytes, version " + options.version +
           ", key " + HexFromBytes(key, 8) + "\n";
    return kNerapackOk;
}

} // namespace

int RunNerapack(const std::vector<std::string>& args, std::string& out, std::string& err) {
    if (args.empty()) {
        return Usage(err, "nothing to do");
    }
    if (args[0] == "--help" || args[0] == "-h") {
        out += kUsage;
        return kNerapackOk;
    }
    if (args[0] == "demo-image") {
        return RunDemoImage(args, out, err);
    }
    if (args[0] == "check") {
        return RunCheck(args, out, err);
    }
    return RunPack(args, out, err);
}
