#include "firmware/FirmwarePackage.h"

#include <new>

#include "common/ByteOrder.h"
#include "common/TextCodec.h"
#include "firmware/Des.h"

namespace {

// The trailer's fields, from its start at file length - 20.
constexpr size_t kTrailerVersion = 0;
constexpr size_t kTrailerVersionSize = 8;
constexpr size_t kTrailerKey = 8;
constexpr size_t kTrailerLength = 16; // one byte not interpreted, then N in three bytes

// The trailer's version text: the bytes before the first zero byte, or all eight when the
// field holds none, in the ANSI code page. Bytes that the code page cannot convert give an
// empty text rather than a refusal: the version is only shown.
std::wstring TrailerVersionText(const uint8_t* field) {
    size_t length = 0;
    while (length < kTrailerVersionSize && field[length] != 0) {
        ++length;
    }
    std::wstring text;
    AnsiToWide(std::string(reinterpret_cast<const char*>(field), length), text);
    return text;
}

// The image buffer filled with 0xFF; false when there is no memory for it.
bool AllocateFilled(std::vector<uint8_t>& buffer, size_t size) {
    try {
        buffer.assign(size, 0xFF);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace

const wchar_t* PackageErrorText(EPackageError error) {
    switch (error) {
        case EPackageError::kNone:
            return L"";
        case EPackageError::kCannotOpen:
            return L"実行時にエラーが発生しました。 #1";
        case EPackageError::kTooLarge:
            return L"実行時にエラーが発生しました。 #2";
        case EPackageError::kRunTime:
            return L"実行時にエラーが発生しました。 #3";
        case EPackageError::kFileInfo:
            return L"ファイル情報が正しくありません。 #3";
    }
    return L"";
}

EPackageError ReadFirmwarePackage(IPackageSource& source, SFirmwareImage& image) {
    std::vector<uint8_t>().swap(image.m_data);
    image.m_version.clear();

    // A file shorter than the trailer holds no package; nothing in front of its start is read.
    const uint64_t fileLength = source.Length();
    if (fileLength < kPackageTrailerSize) {
        return EPackageError::kRunTime;
    }
    uint8_t trailer[kPackageTrailerSize];
    if (!source.ReadAt(fileLength - kPackageTrailerSize, trailer, sizeof trailer)) {
        return EPackageError::kRunTime;
    }
    std::wstring version = TrailerVersionText(trailer + kTrailerVersion);
    const uint8_t* key = trailer + kTrailerKey;
    const uint32_t imageLength = LoadBE32(trailer + kTrailerLength) & 0x00FFFFFFu;

    if (imageLength > kMaxImageLength) {
        return EPackageError::kTooLarge;
    }
    if (imageLength + kPackageTrailerSize > fileLength) {
        return EPackageError::kRunTime;
    }
    const uint64_t imageOffset = fileLength - kPackageTrailerSize - imageLength;
    const uint32_t size = (imageLength + kImageUnit - 1) / kImageUnit * kImageUnit;
    if (size < kMinImageSize) {
        return EPackageError::kFileInfo;
    }

    // Bytes beyond N keep the fill and are deciphered with the rest.
    std::vector<uint8_t> data;
    if (!AllocateFilled(data, size)) {
        return EPackageError::kRunTime;
    }
    if (!source.ReadAt(imageOffset, data.data(), imageLength)) {
        return EPackageError::kRunTime;
    }
    DesEcb(key, data.data(), data.size(), kDesDecipher);

    // An image of exactly kMinImageSize bytes ends where the version record would start.
    if (data.size() >= kVersionRecordOffset + kVersionRecordSize) {
        const uint8_t* record = data.data() + kVersionRecordOffset;
        if (LoadBE32(record) == 0) {
            version = VersionRecordText(record);
        }
    }
    image.m_data.swap(data);
    image.m_version = version;
    return EPackageError::kNone;
}
