#include "nerapack/NerapackTool.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <iterator>
#include <set>
#include <stdlib.h>
#include <unistd.h>

#include "firmware/PackageBuilder.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// A fresh folder with an updater and an image, removed afterwards.
class NerapackTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/nerapack-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        m_updater = std::vector<uint8_t>(3000, 0x4D);
        m_image = MakeDemoImage();
        WriteBytes(Path("updater.exe"), m_updater);
        WriteBytes(Path("image.bin"), m_image);
    }
    void TearDown() override {
        for (const std::string& name : Names()) {
            unlink(Path(name).c_str());
        }
        rmdir(m_folder.c_str());
    }

    std::string Path(const std::string& name) const { return m_folder + "/" + name; }

    std::set<std::string> Names() const {
        std::set<std::string> names;
        if (DIR* dir = opendir(m_folder.c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") {
                    names.insert(name);
                }
            }
            closedir(dir);
        }
        return names;
    }

    int Run(const std::vector<std::string>& args) {
        m_out.clear();
        m_err.clear();
        return RunNerapack(args, m_out, m_err);
    }

    // Arguments that make out.exe from the two inputs, with one option's value replaced, or
    // the option added when append is set or it is not among them.
    std::vector<std::string> PackArgs(const std::string& option = "", const std::string& value = "",
                                      bool append = false) {
        std::vector<std::string> args = {
            "--updater", Path("updater.exe"), "--image", Path("image.bin"), "--version", "5.7.1",
            "--key",     "3A6C15E29B40D758",  "--out",   Path("out.exe")};
        for (size_t i = 0; i + 1 < args.size() && !append; i += 2) {
            if (args[i] == option) {
                args[i + 1] = value;
                return args;
            }
        }
        if (!option.empty()) {
            args.push_back(option);
            if (!value.empty()) {
                args.push_back(value);
            }
        }
        return args;
    }

    std::string m_folder;
    std::vector<uint8_t> m_updater;
    std::vector<uint8_t> m_image;
    std::string m_out;
    std::string m_err;
};

struct SRefusal {
    const char* name;
    const char* option; // its value replaced in the good arguments, or the option added
    const char* value;  // "@name": a file of the test folder; FOLDER stands for the folder's name
    bool append;
    long imageBytes; // >= 0: image.bin gets this many bytes first
    int code;
    const char* message;
};

// What the updater would refuse or misread, and what cannot be done, refused without output.
const SRefusal kRefusals[] = {
    {"image over 0x80000 bytes", "", "", false, 0x80001, kNerapackRefused, "larger than 0x80000"},
    {"image rounds below 0x8000", "", "", false, 0x7F80, kNerapackRefused, "shorter than 0x7F81"},
    {"empty image", "", "", false, 0, kNerapackRefused, "the image is empty"},
    {"version of 8 bytes", "--version", "5.7.1.10", false, -1, kNerapackRefused, "longer than 7 bytes"},
    {"version of 8 bytes in code page 932", "--version", "５.７.１", false, -1, kNerapackRefused,
     "longer than 7 bytes"},
    {"version outside code page 932", "--version", "\xF0\x9F\x98\x80", false, -1, kNerapackRefused,
     "cannot hold"},
    {"version not UTF-8", "--version", "\xFF", false, -1, kNerapackRefused, "not UTF-8"},
    {"updater missing", "--updater", "@missing.exe", false, -1, kNerapackRefused, "cannot read the updater"},
    {"image is a folder", "--image", "@.", false, -1, kNerapackRefused, "not a regular file"},
    {"output is the updater", "--out", "@updater.exe", false, -1, kNerapackRefused,
     "never changes its inputs"},
    {"output is the image by another name", "--out", "@./../FOLDER/image.bin", false, -1, kNerapackRefused,
     "never changes its inputs"},
    {"output folder missing", "--out", "@no/such/out.exe", false, -1, kNerapackRefused, "cannot write"},
    {"key of 15 digits", "--key", "3A6C15E29B40D75", false, -1, kNerapackUsage, "16 hex digits"},
    {"key not hex", "--key", "3A6C15E29B40D75G", false, -1, kNerapackUsage, "16 hex digits"},
    {"two keys", "--random-key", "", false, -1, kNerapackUsage, "either --key"},
    {"option twice", "--image", "x", true, -1, kNerapackUsage, "--image given twice"},
    {"unknown option", "--outfile", "x", false, -1, kNerapackUsage, "unknown argument --outfile"},
};

TEST_F(NerapackTest, RefusalsLeaveNoOutputAndInputsUnchanged) {
    const std::string folderName = m_folder.substr(m_folder.rfind('/') + 1);
    for (const SRefusal& r : kRefusals) {
        SCOPED_TRACE(r.name);
        std::vector<uint8_t> image = m_image;
        if (r.imageBytes >= 0) {
            image.assign(static_cast<size_t>(r.imageBytes), 0x11);
        }
        WriteBytes(Path("image.bin"), image);
        std::string value = r.value;
        if (!value.empty() && value[0] == '@') {
            const size_t at = value.find("FOLDER");
            if (at != std::string::npos) {
                value.replace(at, 6, folderName);
            }
            value = Path(value.substr(1));
        }

        EXPECT_EQ(Run(PackArgs(r.option, value, r.append)), r.code);
        EXPECT_NE(m_err.find(r.message), std::string::npos) << m_err;
        EXPECT_EQ(Names(), (std::set<std::string>{"updater.exe", "image.bin"}));
        EXPECT_EQ(ReadBytes(Path("updater.exe")), m_updater);
        EXPECT_EQ(ReadBytes(Path("image.bin")), image);
    }
}

TEST_F(NerapackTest, HelpPrintsUsageAndSucceeds) {
    EXPECT_EQ(Run({"--help"}), kNerapackOk);
    EXPECT_EQ(m_out.rfind("usage: nerapack", 0), 0u);
    EXPECT_EQ(m_err, "");
}

// The whole path of a build: demonstration image, package, package read as the updater does.
TEST_F(NerapackTest, DemoImagePackageReadsBack) {
    ASSERT_EQ(Run({"demo-image", Path("demo.bin")}), kNerapackOk) << m_err;
    const std::vector<uint8_t> demo = ReadBytes(Path("demo.bin"));
    ASSERT_EQ(demo.size(), kDemoImageLength);
    EXPECT_EQ(demo, MakeDemoImage()); // the same bytes on every run
    const uint8_t record[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 7, 1};
    EXPECT_TRUE(std::equal(record, record + 12, demo.begin() + kVersionRecordOffset));

    for (int run = 0; run < 2; ++run) { // the second run replaces the first output
        ASSERT_EQ(Run(PackArgs("--image", Path("demo.bin"))), kNerapackOk) << m_err;
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"updater.exe", "image.bin", "demo.bin", "out.exe"}));
    EXPECT_EQ(access(Path("out.exe").c_str(), X_OK), 0);
    const std::vector<uint8_t> package = ReadBytes(Path("out.exe"));
    // Zero bytes after the updater make the file a multiple of 8 bytes, which signing leaves as it is.
    ASSERT_EQ(package.size(), m_updater.size() + 4 + demo.size() + kPackageTrailerSize);
    EXPECT_TRUE(std::equal(m_updater.begin(), m_updater.end(), package.begin()));
    EXPECT_EQ(std::vector<uint8_t>(package.begin() + 3000, package.begin() + 3004),
              std::vector<uint8_t>(4, 0));
    const uint8_t trailerEnd[12] = {0x3A, 0x6C, 0x15, 0xE2, 0x9B, 0x40, 0xD7, 0x58, 0x00, 0x01, 0x57, 0x80};
    EXPECT_TRUE(std::equal(trailerEnd, trailerEnd + 12, package.end() - 12));

    CBytePackageSource source(package);
    SFirmwareImage image;
    ASSERT_EQ(ReadFirmwarePackage(source, image), EPackageError::kNone);
    EXPECT_EQ(image.m_data, demo);
    EXPECT_EQ(image.m_version, L"5.7.1");
    EXPECT_EQ(ReadBytes(Path("demo.bin")), demo);
    EXPECT_EQ(ReadBytes(Path("updater.exe")), m_updater);

    EXPECT_EQ(Run({"check", Path("out.exe")}), kNerapackOk);
    EXPECT_NE(m_out.find("version 5.7.1, image 87936 bytes"), std::string::npos) << m_out;
    EXPECT_EQ(Run({"check", Path("updater.exe")}), kNerapackRefused); // its last bytes say N = 0x4D4D4D
    EXPECT_NE(m_err.find("実行時にエラーが発生しました。 #2"), std::string::npos) << m_err;
}

// A random key is drawn per package, shown, and read back from the trailer.
TEST_F(NerapackTest, RandomKeysDiffer) {
    std::set<std::string> keys;
    for (int run = 0; run < 2; ++run) {
        std::vector<std::string> args = PackArgs();
        args.erase(args.begin() + 6, args.begin() + 8); // "--key" and its value
        args.push_back("--random-key");
        ASSERT_EQ(Run(args), kNerapackOk) << m_err;
        keys.insert(m_out.substr(m_out.rfind("key ")));
        const std::vector<uint8_t> package = ReadBytes(Path("out.exe"));
        CBytePackageSource source(package);
        SFirmwareImage image;
        ASSERT_EQ(ReadFirmwarePackage(source, image), EPackageError::kNone);
        EXPECT_EQ(image.m_data, m_image);
    }
    EXPECT_EQ(keys.size(), 2u);
}

} // namespace
