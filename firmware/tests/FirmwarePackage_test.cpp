#include "firmware/FirmwarePackage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/ByteOrder.h"
#include "firmware/Des.h"
#include "firmware/PackageBuilder.h"

namespace {

const uint8_t kKey[8] = {0x3A, 0x6C, 0x15, 0xE2, 0x9B, 0x40, 0xD7, 0x58};
constexpr size_t kUpdaterLength = 1000;

// An image whose bytes differ from block to block, with a version record saying 5.7.1 that
// counts or not (first four bytes zero or not); only the record's first 12 bytes are set.
std::vector<uint8_t> MakeImage(size_t length, bool recordCounts) {
    std::vector<uint8_t> image(length);
    for (size_t i = 0; i < length; ++i) {
        image[i] = static_cast<uint8_t>(i * 7 + (i >> 8) + (i >> 16));
    }
    if (length >= kVersionRecordOffset + kVersionRecordSize) {
        uint8_t* record = image.data() + kVersionRecordOffset;
        std::fill(record, record + 12, 0);
        record[0] = recordCounts ? 0 : 0x01;
        record[9] = 5;
        record[10] = 7;
        record[11] = 1;
    }
    return image;
}

// Sets the trailer's image length N.
void SetLength(std::vector<uint8_t>& package, uint32_t n) {
    const size_t end = package.size();
    package[end - 3] = static_cast<uint8_t>(n >> 16);
    package[end - 2] = static_cast<uint8_t>(n >> 8);
    package[end - 1] = static_cast<uint8_t>(n);
}

constexpr uint64_t kNoOffset = ~uint64_t{0};

// The package bytes, counting reads that reach outside them; with failImageRead, the image's
// read fails (the only one longer than a unit), and a read at failAt fails.
class CTestSource : public CBytePackageSource {
public:
    CTestSource(const std::vector<uint8_t>& data, bool failImageRead, uint64_t failAt = kNoOffset)
        : CBytePackageSource(data), m_failImageRead(failImageRead), m_failAt(failAt) {}
    bool ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
        if (offset > Length() || length > Length() - offset) {
            ++m_readsOutside;
        }
        if ((m_failImageRead && length > kImageUnit) || offset == m_failAt) {
            return false;
        }
        return CBytePackageSource::ReadAt(offset, out, length);
    }
    int m_readsOutside = 0;

private:
    bool m_failImageRead;
    uint64_t m_failAt;
};

enum class EExpectImage {
    kNone,        // refused: no image left
    kPadded,      // the built image, padded with 0xFF to the size
    kOtherBytes,  // same size, other bytes
    kShiftedFill, // image bytes from 16 on, then the deciphered 0xFF fill
};

struct SCase {
    const char* name;
    size_t imageLength;
    bool recordCounts;
    const wchar_t* trailerText;
    void (*editImage)(std::vector<uint8_t>& image);     // before the package is built
    void (*editPackage)(std::vector<uint8_t>& package); // after
    bool failImageRead;
    EPackageError error;
    const wchar_t* errorText;
    const wchar_t* version;
    size_t size;
    EExpectImage expect;
};

// Each case builds a valid package with the builder, changes one thing, and reads it.
const SCase kCases[] = {
    {"largest image, record counts", 0x80000, true, L"9.9.9", nullptr, nullptr, false, EPackageError::kNone,
     L"", L"5.7.1", 0x80000, EExpectImage::kPadded},
    {"record does not count: trailer text", 0x8080, false, L"1.2.3", nullptr, nullptr, false,
     EPackageError::kNone, L"", L"1.2.3", 0x8080, EExpectImage::kPadded},
    {"record bytes are unsigned", 0x8080, true, L"1.2.3",
     [](std::vector<uint8_t>& image) {
         image[kVersionRecordOffset + 9] = 200;
         image[kVersionRecordOffset + 10] = 0;
         image[kVersionRecordOffset + 11] = 255;
     },
     nullptr, false, EPackageError::kNone, L"", L"200.0.255", 0x8080, EExpectImage::kPadded},
    {"trailer text in code page 932", 0x8080, false, L"版５.７", nullptr, nullptr, false,
     EPackageError::kNone, L"", L"版５.７", 0x8080, EExpectImage::kPadded},
    {"image padded to 128 bytes", 0x8001, false, L"1.2.3", nullptr, nullptr, false, EPackageError::kNone, L"",
     L"1.2.3", 0x8080, EExpectImage::kPadded},
    {"version field without a zero byte", 0x8080, false, L"1.2.3", nullptr,
     [](std::vector<uint8_t>& package) { std::copy_n("ABCDEFGH", 8, package.end() - 20); }, false,
     EPackageError::kNone, L"", L"ABCDEFGH", 0x8080, EExpectImage::kPadded},
    {"N = 0x80001", 0x80000, true, L"9.9.9", nullptr, [](std::vector<uint8_t>& p) { SetLength(p, 0x80001); },
     false, EPackageError::kTooLarge, L"実行時にエラーが発生しました。 #2", L"", 0, EExpectImage::kNone},
    {"N + 20 beyond the file", 0x8080, false, L"1.2.3", nullptr,
     [](std::vector<uint8_t>& p) { SetLength(p, static_cast<uint32_t>(p.size() - kPackageTrailerSize + 1)); },
     false, EPackageError::kRunTime, L"実行時にエラーが発生しました。 #3", L"", 0, EExpectImage::kNone},
    {"file shorter than the trailer", 0x8080, false, L"1.2.3", nullptr,
     [](std::vector<uint8_t>& p) { p.erase(p.begin(), p.end() - 19); }, false, EPackageError::kRunTime,
     L"実行時にエラーが発生しました。 #3", L"", 0, EExpectImage::kNone},
    {"trailer alone, N = 0", 0x8080, false, L"1.2.3", nullptr,
     [](std::vector<uint8_t>& p) {
         p.erase(p.begin(), p.end() - 20);
         SetLength(p, 0);
     },
     false, EPackageError::kFileInfo, L"ファイル情報が正しくありません。 #3", L"", 0, EExpectImage::kNone},
    {"N = 0x7F81: rounded 0x8000, no record", 0x8080, true, L"1.2.3", nullptr,
     [](std::vector<uint8_t>& p) { SetLength(p, 0x7F81); }, false, EPackageError::kNone, L"", L"1.2.3",
     0x8000, EExpectImage::kOtherBytes},
    {"N = 0x7F80", 0x8080, true, L"1.2.3", nullptr, [](std::vector<uint8_t>& p) { SetLength(p, 0x7F80); },
     false, EPackageError::kFileInfo, L"ファイル情報が正しくありません。 #3", L"", 0, EExpectImage::kNone},
    {"bytes beyond N: deciphered fill", 0x8080, false, L"1.2.3", nullptr,
     [](std::vector<uint8_t>& p) { SetLength(p, 0x8070); }, false, EPackageError::kNone, L"", L"1.2.3",
     0x8080, EExpectImage::kShiftedFill},
    {"another key", 0x8080, false, L"1.2.3", nullptr,
     [](std::vector<uint8_t>& p) { p[p.size() - 12] ^= 0x80; }, false, EPackageError::kNone, L"", L"1.2.3",
     0x8080, EExpectImage::kOtherBytes},
    {"image read fails", 0x8080, false, L"1.2.3", nullptr, nullptr, true, EPackageError::kRunTime,
     L"実行時にエラーが発生しました。 #3", L"", 0, EExpectImage::kNone},
};

TEST(FirmwarePackage, CorruptionTable) {
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> image = MakeImage(c.imageLength, c.recordCounts);
        if (c.editImage != nullptr) {
            c.editImage(image);
        }
        std::vector<uint8_t> package;
        ASSERT_EQ(
            BuildPackage(std::vector<uint8_t>(kUpdaterLength, 0x4D), image, c.trailerText, kKey, package),
            EBuildError::kNone);
        if (c.editPackage != nullptr) {
            c.editPackage(package);
        }

        CTestSource source(package, c.failImageRead);
        SFirmwareImage read;
        read.m_data.assign(16, 0xAA); // a previous image must not survive a refusal
        read.m_version = L"old";
        EXPECT_EQ(ReadFirmwarePackage(source, read), c.error);
        EXPECT_EQ(std::wstring(PackageErrorText(c.error)), c.errorText);
        EXPECT_EQ(read.m_version, c.version);
        EXPECT_EQ(read.m_data.size(), c.size);
        EXPECT_EQ(source.m_readsOutside, 0);

        std::vector<uint8_t> padded = image;
        padded.resize(c.size, 0xFF);
        switch (c.expect) {
            case EExpectImage::kNone:
                break;
            case EExpectImage::kPadded:
                EXPECT_TRUE(read.m_data == padded);
                break;
            case EExpectImage::kOtherBytes:
                EXPECT_FALSE(read.m_data == padded);
                break;
            case EExpectImage::kShiftedFill: {
                // N 16 less: the image starts two blocks later, and 16 bytes of fill follow.
                uint8_t fill[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
                DesBlock(kKey, fill, kDesDecipher);
                ASSERT_EQ(read.m_data.size(), image.size());
                EXPECT_TRUE(std::equal(image.begin() + 16, image.end(), read.m_data.begin()));
                for (size_t i = image.size() - 16; i < image.size(); ++i) {
                    ASSERT_EQ(read.m_data[i], fill[i % 8]) << "offset " << i;
                }
                break;
            }
        }
    }
}

// A program that reads as a PE file of the magic: DOS header, "PE\0\0" at 0x80, COFF header, an
// optional header with 16 empty data directories. entry: where its security entry lies.
std::vector<uint8_t> MakeProgram(uint16_t magic, size_t& entry) {
    std::vector<uint8_t> program(0x400, 0);
    const size_t directories = 0x80 + 24 + (magic == 0x10B ? 96 : 112);
    std::memcpy(&program[0], "MZ", 2);
    StoreLE32(&program[0x3C], 0x80);
    std::memcpy(&program[0x80], "PE", 2);
    StoreLE16(&program[0x80 + 20], static_cast<uint16_t>(directories + 16 * 8 - 0x80 - 24));
    StoreLE16(&program[0x80 + 24], magic);
    StoreLE32(&program[directories - 4], 16);
    entry = directories + 4 * 8;
    return program;
}

void SetEntry(std::vector<uint8_t>& file, size_t entry, size_t address, size_t size) {
    StoreLE32(&file[entry], static_cast<uint32_t>(address));
    StoreLE32(&file[entry + 4], static_cast<uint32_t>(size));
}

size_t Table(const std::vector<uint8_t>& file, size_t entry) {
    return LoadLE32(&file[entry]);
}

// As signing does to a file of a multiple of 8 bytes: a certificate table of one entry (0x5A5
// bytes, revision 2, signed data) appended, and the security entry naming it.
void Sign(std::vector<uint8_t>& file, size_t entry) {
    const size_t table = file.size();
    file.resize(table + 0x5A8, 0x6B);
    StoreLE32(&file[table], 0x5A5);
    StoreLE32(&file[table + 4], 0x00020200);
    SetEntry(file, entry, table, 0x5A8);
}

using Bytes = std::vector<uint8_t>;

// An entry that a reader taking it would refuse: a PE header check must have ruled it out.
Bytes& Bogus(Bytes& file, size_t entry) {
    SetEntry(file, entry, 8, file.size() - 8);
    return file;
}

struct SSignedCase {
    const char* name;
    uint16_t magic;
    bool sign;
    void (*edit)(Bytes& file, size_t entry); // after signing
    bool failHeaders;
    ESignature signature;
    EPackageError error;
};

// Each case builds a package of a PE program, signs it or not, and changes one thing.
const SSignedCase kSignedCases[] = {
    {"not signed", 0x10B, false, nullptr, false, ESignature::kNone, EPackageError::kNone},
    {"signed PE32", 0x10B, true, nullptr, false, ESignature::kTable, EPackageError::kNone},
    {"signed PE32+", 0x20B, true, nullptr, false, ESignature::kTable, EPackageError::kNone},
    // Not a PE file with entry 4, read to the end whatever the entry says.
    {"no MZ", 0x10B, false, [](Bytes& f, size_t e) { Bogus(f, e)[0] = 'X'; }, false, ESignature::kNone,
     EPackageError::kNone},
    {"PE header past the end", 0x10B, false,
     [](Bytes& f, size_t e) { StoreLE32(&Bogus(f, e)[0x3C], static_cast<uint32_t>(f.size() - 25)); }, false,
     ESignature::kNone, EPackageError::kNone},
    {"no PE signature", 0x10B, false, [](Bytes& f, size_t e) { Bogus(f, e)[0x81] = 'X'; }, false,
     ESignature::kNone, EPackageError::kNone},
    {"optional header magic 0x207", 0x20B, false, [](Bytes& f, size_t e) { Bogus(f, e)[0x98] = 7; }, false,
     ESignature::kNone, EPackageError::kNone},
    {"optional header ends in entry 4", 0x20B, false,
     [](Bytes& f, size_t e) { StoreLE16(&Bogus(f, e)[0x94], static_cast<uint16_t>(e + 7 - 0x98)); }, false,
     ESignature::kNone, EPackageError::kNone},
    {"four directories", 0x10B, false, [](Bytes& f, size_t e) { Bogus(f, e)[e - 36] = 4; }, false,
     ESignature::kNone, EPackageError::kNone},
    {"table starts past the end", 0x10B, true, [](Bytes& f, size_t e) { SetEntry(f, e, f.size() + 8, 8); },
     false, ESignature::kDamaged, EPackageError::kRunTime},
    {"table ends past the end", 0x10B, true, [](Bytes& f, size_t e) { SetEntry(f, e, Table(f, e), 0x5B0); },
     false, ESignature::kDamaged, EPackageError::kRunTime},
    {"table not 8-byte aligned", 0x10B, true,
     [](Bytes& f, size_t e) {
         f.insert(f.begin() + static_cast<std::ptrdiff_t>(Table(f, e)), 4, 0);
         SetEntry(f, e, Table(f, e) + 4, 0x5A8);
     },
     false, ESignature::kDamaged, EPackageError::kRunTime},
    {"table not the last bytes", 0x10B, true, [](Bytes& f, size_t) { f.resize(f.size() + 8); }, false,
     ESignature::kDamaged, EPackageError::kRunTime},
    {"table in the package", 0x10B, true, [](Bytes& f, size_t e) { SetEntry(f, e, Table(f, e) - 16, 0x5B8); },
     false, ESignature::kDamaged, EPackageError::kRunTime},
    {"entry longer than the table", 0x10B, true,
     [](Bytes& f, size_t e) { StoreLE32(&f[Table(f, e)], 0x5A9); }, false, ESignature::kDamaged,
     EPackageError::kRunTime},
    {"entry of revision 3", 0x10B, true, [](Bytes& f, size_t e) { f[Table(f, e) + 5] = 3; }, false,
     ESignature::kDamaged, EPackageError::kRunTime},
    {"N + 20 beyond the table's start", 0x10B, true,
     [](Bytes& f, size_t e) { StoreBE32(&f[Table(f, e) - 4], static_cast<uint32_t>(Table(f, e) - 19)); },
     false, ESignature::kTable, EPackageError::kRunTime},
    {"headers unreadable", 0x10B, true, nullptr, true, ESignature::kUnreadable, EPackageError::kRunTime},
};

TEST(FirmwarePackage, SignedShapes) {
    const std::vector<uint8_t> image = MakeImage(0x8080, true);
    for (const SSignedCase& c : kSignedCases) {
        SCOPED_TRACE(c.name);
        size_t entry = 0;
        std::vector<uint8_t> file;
        ASSERT_EQ(BuildPackage(MakeProgram(c.magic, entry), image, L"1.2.3", kKey, file), EBuildError::kNone);
        ASSERT_EQ(file.size() % kSignatureAlignment, 0u); // so signing adds no bytes in front of its table
        if (c.sign) {
            Sign(file, entry);
        }
        if (c.edit != nullptr) {
            c.edit(file, entry);
        }

        CTestSource source(file, false, c.failHeaders ? 0 : kNoOffset);
        uint64_t dataEnd = 0;
        EXPECT_EQ(FindCertificateTable(source, dataEnd), c.signature);
        EXPECT_EQ(dataEnd, c.signature == ESignature::kTable ? Table(file, entry) : file.size());
        SFirmwareImage read;
        EXPECT_EQ(ReadFirmwarePackage(source, read), c.error);
        EXPECT_EQ(source.m_readsOutside, 0);
        EXPECT_EQ(read.m_data, c.error == EPackageError::kNone ? image : std::vector<uint8_t>());
    }

    // The builder refuses a signed updater: the package would stand behind its table.
    size_t entry = 0;
    std::vector<uint8_t> updater = MakeProgram(0x10B, entry);
    Sign(updater, entry);
    std::vector<uint8_t> package;
    EXPECT_EQ(BuildPackage(updater, image, L"1.2.3", kKey, package), EBuildError::kSignedUpdater);
}

} // namespace
