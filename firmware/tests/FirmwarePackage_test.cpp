#include "firmware/FirmwarePackage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/ByteOrder.h"
#include "firmware/Des.h"
#include "firmware/PackageBuilder.h"
#include "firmware/tests/SignedFile.h"

namespace {

using namespace signedfile;

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

// Every PE header check passed, but the entry names bytes that are no table; a reader that took
// it would refuse the file.
void BogusEntry(std::vector<uint8_t>& file, size_t entry) {
    SetEntry(file, entry, 8, file.size() - 8);
}

enum class EFail { kNone, kHeaders, kTable, kImage };

struct SSignedCase {
    const char* name;
    uint16_t magic;
    bool sign;
    void (*edit)(std::vector<uint8_t>& file, size_t entry); // after signing; entry: the security entry
    EFail fail;
    ESignature signature;
    EPackageError error;
};

// Each case builds a package with the builder, signs it or not, and changes one thing.
const SSignedCase kSignedCases[] = {
    {"not signed", kPe32, false, nullptr, EFail::kNone, ESignature::kNone, EPackageError::kNone},
    {"signed PE32", kPe32, true, nullptr, EFail::kNone, ESignature::kTable, EPackageError::kNone},
    {"signed PE32+", kPe32Plus, true, nullptr, EFail::kNone, ESignature::kTable, EPackageError::kNone},
    {"table of two entries, revision 1", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) {
         StoreLE16(&f[TableStart(f, e) + 4], 0x0100);
         const size_t second = f.size();
         f.resize(second + 16, 0x33);
         StoreLE32(&f[second], 16);
         SetEntry(f, e, TableStart(f, e), f.size() - TableStart(f, e));
     },
     EFail::kNone, ESignature::kTable, EPackageError::kNone},

    // Not a signed PE file: read to the end, whatever the bytes where the entry would be say.
    {"no MZ", kPe32, false,
     [](std::vector<uint8_t>& f, size_t e) {
         BogusEntry(f, e);
         f[1] = 'X';
     },
     EFail::kNone, ESignature::kNone, EPackageError::kNone},
    {"PE header past the end", kPe32, false,
     [](std::vector<uint8_t>& f, size_t e) {
         BogusEntry(f, e);
         StoreLE32(&f[0x3C], static_cast<uint32_t>(f.size() - 25));
     },
     EFail::kNone, ESignature::kNone, EPackageError::kNone},
    {"PE header offset beyond 4 GiB - 8", kPe32, false,
     [](std::vector<uint8_t>& f, size_t e) {
         BogusEntry(f, e);
         StoreLE32(&f[0x3C], 0xFFFFFFF8u);
     },
     EFail::kNone, ESignature::kNone, EPackageError::kNone},
    {"no PE signature", kPe32, false,
     [](std::vector<uint8_t>& f, size_t e) {
         BogusEntry(f, e);
         f[kPeOffset + 3] = 1;
     },
     EFail::kNone, ESignature::kNone, EPackageError::kNone},
    {"optional header magic 0x107", kPe32, false,
     [](std::vector<uint8_t>& f, size_t e) {
         BogusEntry(f, e);
         StoreLE16(&f[kPeOffset + 24], 0x107);
     },
     EFail::kNone, ESignature::kNone, EPackageError::kNone},
    {"four directories", kPe32Plus, false,
     [](std::vector<uint8_t>& f, size_t e) {
         BogusEntry(f, e);
         StoreLE32(&f[DirectoriesOffset(kPe32Plus) - 4], 4);
     },
     EFail::kNone, ESignature::kNone, EPackageError::kNone},
    {"optional header ends before the entry", kPe32, false,
     [](std::vector<uint8_t>& f, size_t e) {
         BogusEntry(f, e);
         StoreLE16(&f[kPeOffset + 20], static_cast<uint16_t>(e + 7 - kPeOffset - 24));
     },
     EFail::kNone, ESignature::kNone, EPackageError::kNone},
    {"entry of size 0", kPe32, false, [](std::vector<uint8_t>& f, size_t e) { SetEntry(f, e, 8, 0); },
     EFail::kNone, ESignature::kNone, EPackageError::kNone},

    // A damaged entry or table.
    {"table starts past the end", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) { SetEntry(f, e, f.size() + 8, 8); }, EFail::kNone,
     ESignature::kDamaged, EPackageError::kRunTime},
    {"table ends past the end", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) {
         SetEntry(f, e, TableStart(f, e), f.size() - TableStart(f, e) + 8);
     },
     EFail::kNone, ESignature::kDamaged, EPackageError::kRunTime},
    {"table ends beyond 4 GiB", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) { SetEntry(f, e, TableStart(f, e), 0xFFFFFFF8u); }, EFail::kNone,
     ESignature::kDamaged, EPackageError::kRunTime},
    {"table not 8-byte aligned", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) {
         const size_t start = TableStart(f, e);
         f.insert(f.begin() + static_cast<std::ptrdiff_t>(start), 4, 0);
         SetEntry(f, e, start + 4, f.size() - start - 4);
     },
     EFail::kNone, ESignature::kDamaged, EPackageError::kRunTime},
    {"not the file's last bytes", kPe32, true,
     [](std::vector<uint8_t>& f, size_t) { f.resize(f.size() + 8, 0); }, EFail::kNone, ESignature::kDamaged,
     EPackageError::kRunTime},
    {"points into the package", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) {
         SetEntry(f, e, TableStart(f, e) - 16, f.size() - TableStart(f, e) + 16);
     },
     EFail::kNone, ESignature::kDamaged, EPackageError::kRunTime},
    {"points into the program", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) { SetEntry(f, e, 0x200, f.size() - 0x200); }, EFail::kNone,
     ESignature::kDamaged, EPackageError::kRunTime},
    {"entry longer than the table", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) {
         StoreLE32(&f[TableStart(f, e)], static_cast<uint32_t>(f.size() - TableStart(f, e) + 1));
     },
     EFail::kNone, ESignature::kDamaged, EPackageError::kRunTime},
    {"entry shorter than its header", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) { StoreLE32(&f[TableStart(f, e)], 7); }, EFail::kNone,
     ESignature::kDamaged, EPackageError::kRunTime},
    {"entry of revision 3", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) { StoreLE16(&f[TableStart(f, e) + 4], 0x0300); }, EFail::kNone,
     ESignature::kDamaged, EPackageError::kRunTime},
    {"table cut to 4 bytes", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) {
         f.resize(TableStart(f, e) + 4);
         SetEntry(f, e, TableStart(f, e), 4);
     },
     EFail::kNone, ESignature::kDamaged, EPackageError::kRunTime},

    // The package in front of the table: its limits hold there.
    {"N + 20 beyond the table's start", kPe32, true,
     [](std::vector<uint8_t>& f, size_t e) {
         const size_t end = TableStart(f, e);
         StoreBE32(&f[end - 4], static_cast<uint32_t>(end - kPackageTrailerSize + 1));
     },
     EFail::kNone, ESignature::kTable, EPackageError::kRunTime},
    {"headers unreadable", kPe32, true, nullptr, EFail::kHeaders, ESignature::kUnreadable,
     EPackageError::kRunTime},
    {"table unreadable", kPe32, true, nullptr, EFail::kTable, ESignature::kUnreadable,
     EPackageError::kRunTime},
    {"image read fails", kPe32, true, nullptr, EFail::kImage, ESignature::kTable, EPackageError::kRunTime},
};

TEST(FirmwarePackage, SignedShapes) {
    const std::vector<uint8_t> image = MakeImage(0x8080, true);
    for (const SSignedCase& c : kSignedCases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file;
        ASSERT_EQ(BuildPackage(MakeProgram(c.magic), image, L"1.2.3", kKey, file), EBuildError::kNone);
        ASSERT_EQ(file.size() % kSignatureAlignment, 0u); // so signing adds no bytes in front of its table
        const size_t entry = SecurityEntry(c.magic);
        if (c.sign) {
            Sign(file, entry);
        }
        if (c.edit != nullptr) {
            c.edit(file, entry);
        }

        const uint64_t failAt = c.fail == EFail::kHeaders ? 0
                                : c.fail == EFail::kTable ? TableStart(file, entry)
                                                          : kNoOffset;
        CTestSource source(file, c.fail == EFail::kImage, failAt);
        uint64_t dataEnd = 0;
        EXPECT_EQ(FindCertificateTable(source, dataEnd), c.signature);
        EXPECT_EQ(dataEnd, c.signature == ESignature::kTable ? TableStart(file, entry) : file.size());
        SFirmwareImage read;
        read.m_version = L"old";
        EXPECT_EQ(ReadFirmwarePackage(source, read), c.error);
        EXPECT_EQ(source.m_readsOutside, 0);
        if (c.error == EPackageError::kNone) {
            EXPECT_TRUE(read.m_data == image);
            EXPECT_EQ(read.m_version, L"5.7.1");
        } else {
            EXPECT_TRUE(read.m_data.empty());
            EXPECT_EQ(read.m_version, L"");
        }
    }
}

} // namespace
