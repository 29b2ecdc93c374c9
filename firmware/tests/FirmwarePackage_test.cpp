#include "firmware/FirmwarePackage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

// The package bytes, counting reads that reach outside them; with failImageRead, every read
// but the trailer's fails.
class CTestSource : public CBytePackageSource {
public:
    CTestSource(const std::vector<uint8_t>& data, bool failImageRead)
        : CBytePackageSource(data), m_failImageRead(failImageRead) {}
    bool ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
        if (offset > Length() || length > Length() - offset) {
            ++m_readsOutside;
        }
        if (m_failImageRead && offset + kPackageTrailerSize != Length()) {
            return false;
        }
        return CBytePackageSource::ReadAt(offset, out, length);
    }
    int m_readsOutside = 0;

private:
    bool m_failImageRead;
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
     [](std::vector<uint8_t>& p) { SetLength(p, 0x8080 + kUpdaterLength + 1); }, false,
     EPackageError::kRunTime, L"実行時にエラーが発生しました。 #3", L"", 0, EExpectImage::kNone},
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

} // namespace
