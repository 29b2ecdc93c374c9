#pragma once
// The firmware package at the end of the updater's executable: the DES-enciphered image and
// a 20-byte trailer (version text, key, one byte not interpreted, image length N in three
// bytes, most significant first). A signed executable ends in its certificate table instead,
// and the package lies in front of that. Reading it is portable; where the bytes come from is not.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/FlashLayout.h"

constexpr uint32_t kPackageTrailerSize = 20;
constexpr uint32_t kMaxImageLength = 0x80000;  // largest N
constexpr uint32_t kMinImageSize = kMainStart; // smallest N rounded up to kImageUnit
constexpr uint32_t kImageUnit = kFlashUnit;    // the image is erased, written and verified in these
// Signing pads a file with zero bytes to a multiple of this before it appends its certificate
// table, which must start on such a multiple.
constexpr uint32_t kSignatureAlignment = 8;

// The bytes of a package file: the running executable in the program, a byte vector in tests.
class IPackageSource {
public:
    virtual ~IPackageSource() = default;
    virtual uint64_t Length() const = 0;
    // Reads exactly length bytes at offset; false on a short read or an error.
    virtual bool ReadAt(uint64_t offset, uint8_t* out, size_t length) = 0;
};

// A package held in memory: a file read whole, a package being built, tests and measurements.
class CBytePackageSource : public IPackageSource {
public:
    CBytePackageSource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit CBytePackageSource(const std::vector<uint8_t>& data)
        : m_data(data.data()), m_size(data.size()) {}
    uint64_t Length() const override { return m_size; }
    bool ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
        if (offset > m_size || length > m_size - offset) {
            return false;
        }
        if (length > 0) {
            std::memcpy(out, m_data + offset, length);
        }
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
};

// Why a package was refused, in the order the loader checks.
enum class EPackageError {
    kNone,
    kCannotOpen, // "実行時にエラーが発生しました。 #1"
    kTooLarge,   // "実行時にエラーが発生しました。 #2"  N > kMaxImageLength
    kRunTime, // "実行時にエラーが発生しました。 #3"  N + 20 > file length, no memory, read failed,
              // a damaged certificate table entry
    kFileInfo, // "ファイル情報が正しくありません。 #3" N rounded up below kMinImageSize
};

// The error box text of a refusal (empty for kNone).
const wchar_t* PackageErrorText(EPackageError error);

// A deciphered image and the version it carries.
struct SFirmwareImage {
    std::vector<uint8_t> m_data; // N rounded up to kImageUnit; bytes beyond N were 0xFF before deciphering
    std::wstring m_version;      // "%d.%d.%d" of the version record, else the trailer's text
};

// Whether an executable is signed: an Authenticode certificate table, which signing appends
// to the file and names in the PE security directory (entry 4 of the optional header's data
// directories, whose address is a file offset).
enum class ESignature {
    kNone,       // no table (or no PE file): the data ends with the file
    kTable,      // a table: the data ends where it starts
    kDamaged,    // an entry that points outside the file, is not 8-byte aligned, is not the file's
                 // last bytes, or points at bytes that are no certificate table (into the package)
    kUnreadable, // a read of the headers failed
};

// Finds the certificate table of the executable in source; dataEnd is where the bytes in front
// of it end (the file's length when there is none).
ESignature FindCertificateTable(IPackageSource& source, uint64_t& dataEnd);

// Reads, checks and deciphers the package at the end of source, in front of its certificate
// table when it is signed. On an error image is left empty.
EPackageError ReadFirmwarePackage(IPackageSource& source, SFirmwareImage& image);
