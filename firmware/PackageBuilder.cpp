#include "firmware/PackageBuilder.h"

#include <algorithm>

#include "common/ByteOrder.h"
#include "common/TextCodec.h"
#include "firmware/Des.h"

namespace {

// Seed of the demonstration image's bytes; changing it changes every shipped package.
constexpr uint32_t kDemoSeed = 0x4E455241u;

// Converts the version for the trailer; the reader takes the bytes before the first zero and
// converts them back, which must give the same text.
EBuildError VersionField(const std::wstring& version, uint8_t field[8]) {
    std::string bytes;
    if (version.find(L'\0') != std::wstring::npos || !WideToAnsi(version, bytes)) {
        return EBuildError::kVersionNotAnsi;
    }
    if (bytes.size() > kMaxVersionBytes) {
        return EBuildError::kVersionTooLong;
    }
    std::wstring back;
    if (!AnsiToWide(bytes, back) || back != version) {
        return EBuildError::kVersionNotAnsi;
    }
    std::memset(field, 0, 8);
    std::memcpy(field, bytes.data(), bytes.size());
    return EBuildError::kNone;
}

} // namespace

const char* BuildErrorText(EBuildError error) {
    switch (error) {
        case EBuildError::kNone:
            return "";
        case EBuildError::kEmptyImage:
            return "the image is empty";
        case EBuildError::kImageTooLarge:
            return "the image is larger than 0x80000 (524288) bytes";
        case EBuildError::kImageTooSmall:
            return "the image is shorter than 0x7F81 (32641) bytes; rounded up to 128 bytes it must reach "
                   "0x8000";
        case EBuildError::kVersionTooLong:
            return "the version text is longer than 7 bytes in code page 932";
        case EBuildError::kVersionNotAnsi:
            return "the version text has a character that code page 932 cannot hold";
        case EBuildError::kSignedUpdater:
            return "the updater is signed; its signature would not cover the package, and the updater "
                   "would not find it: give the unsigned program and sign the result";
        case EBuildError::kNoReadBack:
            return "the package did not read back as the image (internal error)";
    }
    return "";
}

std::vector<uint8_t> MakeDemoImage() {
    std::vector<uint8_t> image(kDemoImageLength);
    // xorshift32: the same bytes on every host and compiler.
    uint32_t state = kDemoSeed;
    for (uint8_t& byte : image) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<uint8_t>(state >> 24);
    }
    uint8_t* record = image.data() + kVersionRecordOffset;
    std::memset(record, 0, kVersionRecordSize);
    std::memcpy(record + 9, kDemoVersion, sizeof kDemoVersion);
    return image;
}

EBuildError PadImage(const std::vector<uint8_t>& image, std::vector<uint8_t>& padded) {
    padded.clear();
    if (image.empty()) {
        return EBuildError::kEmptyImage;
    }
    if (image.size() > kMaxImageLength) {
        return EBuildError::kImageTooLarge;
    }
    const size_t size = (image.size() + kImageUnit - 1) / kImageUnit * kImageUnit;
    if (size < kMinImageSize) {
        return EBuildError::kImageTooSmall;
    }
    padded = image;
    padded.resize(size, 0xFF);
    return EBuildError::kNone;
}

EBuildError BuildPackage(const std::vector<uint8_t>& updater, const std::vector<uint8_t>& image,
                         const std::wstring& version, const uint8_t key[8], std::vector<uint8_t>& package) {
    package.clear();
    uint64_t updaterEnd = 0;
    CBytePackageSource updaterSource(updater);
    if (FindCertificateTable(updaterSource, updaterEnd) != ESignature::kNone) {
        return EBuildError::kSignedUpdater;
    }
    std::vector<uint8_t> padded;
    EBuildError error = PadImage(image, padded);
    if (error != EBuildError::kNone) {
        return error;
    }
    uint8_t trailer[kPackageTrailerSize];
    error = VersionField(version, trailer);
    if (error != EBuildError::kNone) {
        return error;
    }
    std::memcpy(trailer + 8, key, 8);
    StoreBE32(trailer + 16, static_cast<uint32_t>(padded.size())); // the top byte is the zero byte

    DesEcb(key, padded.data(), padded.size(), kDesEncipher);
    // Signing pads the file to a multiple of kSignatureAlignment before its certificate table;
    // padded here, in front of the image, the trailer stays right in front of the table, where
    // the reader looks for it.
    const size_t gap =
        (kSignatureAlignment - (updater.size() + padded.size() + sizeof trailer) % kSignatureAlignment) %
        kSignatureAlignment;
    std::vector<uint8_t> result;
    result.reserve(updater.size() + gap + padded.size() + sizeof trailer);
    result.insert(result.end(), updater.begin(), updater.end());
    result.insert(result.end(), gap, 0);
    result.insert(result.end(), padded.begin(), padded.end());
    result.insert(result.end(), trailer, trailer + sizeof trailer);

    // The reader's view of what was made: the image, padded, and no refusal.
    CBytePackageSource source(result);
    SFirmwareImage readBack;
    if (ReadFirmwarePackage(source, readBack) != EPackageError::kNone ||
        readBack.m_data.size() != padded.size() ||
        !std::equal(image.begin(), image.end(), readBack.m_data.begin()) ||
        !std::all_of(readBack.m_data.begin() + static_cast<std::ptrdiff_t>(image.size()),
                     readBack.m_data.end(), [](uint8_t b) { return b == 0xFF; })) {
        return EBuildError::kNoReadBack;
    }
    package.swap(result);
    return EBuildError::kNone;
}
