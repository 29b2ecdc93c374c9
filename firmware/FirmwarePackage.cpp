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

// The PE headers, as far as the certificate table needs them: the DOS header names where the
// "PE\0\0" signature and the COFF header start, the optional header follows them, and its data
// directories follow the count NumberOfRvaAndSizes, at offsets that depend on its magic.
constexpr uint64_t kDosHeaderSize = 64;
constexpr size_t kNewHeaderField = 0x3C;      // e_lfanew
constexpr size_t kOptionalSizeField = 4 + 16; // SizeOfOptionalHeader, after the signature
constexpr size_t kOptionalHeader = 4 + 20;    // after the signature and the COFF header
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kPe32CountField = 92; // NumberOfRvaAndSizes in the optional header
constexpr size_t kPe32PlusCountField = 108;
constexpr uint32_t kSecurityDirectory = 4;
constexpr size_t kDirectoryEntrySize = 8;
// The table is a list of entries (length of the entry, revision, type, then the certificate),
// each starting on a multiple of kSignatureAlignment.
constexpr uint32_t kCertificateHeaderSize = 8;
constexpr uint16_t kCertificateRevision1 = 0x0100;
constexpr uint16_t kCertificateRevision2 = 0x0200;

enum class ERead { kOk, kOutside, kFailed };

// Reads size bytes at offset when they lie inside the file's length bytes.
ERead ReadInside(IPackageSource& source, uint64_t length, uint64_t offset, uint8_t* out, size_t size) {
    if (offset > length || size > length - offset) {
        return ERead::kOutside;
    }
    return source.ReadAt(offset, out, size) ? ERead::kOk : ERead::kFailed;
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

ESignature FindCertificateTable(IPackageSource& source, uint64_t& dataEnd) {
    const uint64_t length = source.Length();
    dataEnd = length;
    // Whatever does not read as a PE file with a security entry is taken as it is.
    uint8_t dos[kDosHeaderSize];
    ERead read = ReadInside(source, length, 0, dos, sizeof dos);
    if (read != ERead::kOk || dos[0] != 'M' || dos[1] != 'Z') {
        return read == ERead::kFailed ? ESignature::kUnreadable : ESignature::kNone;
    }
    const uint64_t pe = LoadLE32(dos + kNewHeaderField);
    uint8_t headers[kOptionalHeader + 2]; // up to the optional header's magic
    read = ReadInside(source, length, pe, headers, sizeof headers);
    if (read != ERead::kOk || std::memcmp(headers, "PE\0\0", 4) != 0) {
        return read == ERead::kFailed ? ESignature::kUnreadable : ESignature::kNone;
    }
    const uint16_t magic = LoadLE16(headers + kOptionalHeader);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        return ESignature::kNone;
    }
    const size_t countField = magic == kPe32Magic ? kPe32CountField : kPe32PlusCountField;
    uint8_t directories[4 + (kSecurityDirectory + 1) * kDirectoryEntrySize]; // the count, entries 0-4
    if (LoadLE16(headers + kOptionalSizeField) < countField + sizeof directories) {
        return ESignature::kNone;
    }
    read = ReadInside(source, length, pe + kOptionalHeader + countField, directories, sizeof directories);
    if (read != ERead::kOk || LoadLE32(directories) <= kSecurityDirectory) {
        return read == ERead::kFailed ? ESignature::kUnreadable : ESignature::kNone;
    }
    const uint8_t* entry = directories + 4 + kSecurityDirectory * kDirectoryEntrySize;
    const uint64_t address = LoadLE32(entry);
    const uint64_t size = LoadLE32(entry + 4);
    if (size == 0) {
        return ESignature::kNone;
    }

    // Signing appends the table to the file, on a multiple of 8 bytes; anything else is a damaged
    // file, and the table's first entry must read as one (not as bytes of the package).
    if (address % kSignatureAlignment != 0 || address > length || size != length - address ||
        size < kCertificateHeaderSize) {
        return ESignature::kDamaged;
    }
    uint8_t certificate[kCertificateHeaderSize];
    if (!source.ReadAt(address, certificate, sizeof certificate)) {
        return ESignature::kUnreadable;
    }
    const uint32_t entryLength = LoadLE32(certificate);
    const uint16_t revision = LoadLE16(certificate + 4);
    if (entryLength < kCertificateHeaderSize || entryLength > size ||
        (revision != kCertificateRevision1 && revision != kCertificateRevision2)) {
        return ESignature::kDamaged;
    }
    dataEnd = address;
    return ESignature::kTable;
}

EPackageError ReadFirmwarePackage(IPackageSource& source, SFirmwareImage& image) {
    std::vector<uint8_t>().swap(image.m_data);
    image.m_version.clear();

    // A signed file's package ends where its certificate table starts: the trailer is read
    // there, and the limits hold for the bytes in front of it.
    uint64_t dataLength = 0;
    const ESignature signature = FindCertificateTable(source, dataLength);
    if (signature == ESignature::kDamaged || signature == ESignature::kUnreadable) {
        return EPackageError::kRunTime;
    }
    // Data shorter than the trailer holds no package; nothing in front of its start is read.
    if (dataLength < kPackageTrailerSize) {
        return EPackageError::kRunTime;
    }
    uint8_t trailer[kPackageTrailerSize];
    if (!source.ReadAt(dataLength - kPackageTrailerSize, trailer, sizeof trailer)) {
        return EPackageError::kRunTime;
    }
    std::wstring version = TrailerVersionText(trailer + kTrailerVersion);
    const uint8_t* key = trailer + kTrailerKey;
    const uint32_t imageLength = LoadBE32(trailer + kTrailerLength) & 0x00FFFFFFu;

    if (imageLength > kMaxImageLength) {
        return EPackageError::kTooLarge;
    }
    if (imageLength + kPackageTrailerSize > dataLength) {
        return EPackageError::kRunTime;
    }
    const uint64_t imageOffset = dataLength - kPackageTrailerSize - imageLength;
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
