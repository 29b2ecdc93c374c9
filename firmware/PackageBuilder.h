#pragma once
// Making a firmware package: the enciphered image and the trailer that the updater's package
// reader expects at the end of its executable, and the demonstration image that the build
// ships. No file access here; the nerapack tool reads and writes the files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/FirmwarePackage.h"

constexpr uint32_t kDemoImageLength = 87936;
constexpr uint8_t kDemoVersion[3] = {5, 7, 1};
// Longest version text in the ANSI code page: the trailer's field keeps a zero byte after it.
constexpr size_t kMaxVersionBytes = 7;

// Why a package cannot be made; each one would be refused or misread by the updater.
enum class EBuildError {
    kNone,
    kEmptyImage,
    kImageTooLarge,  // more than kMaxImageLength bytes
    kImageTooSmall,  // rounded up to kImageUnit, below kMinImageSize
    kVersionTooLong, // more than kMaxVersionBytes in the ANSI code page
    kVersionNotAnsi, // a character the ANSI code page has no form for, or a zero character
    kSignedUpdater,  // the updater carries a certificate table: the package would stand behind it
    kNoReadBack,     // the finished package did not read back as the image (a fault of this code)
};

// One line of English for the tool's messages.
const char* BuildErrorText(EBuildError error);

// The demonstration image: deterministic pseudo-random bytes with a version record at
// kVersionRecordOffset that counts (first four bytes zero) and says 5.7.1. Its hardware-code
// field is zero: the updater stamps the module's code into it before writing.
std::vector<uint8_t> MakeDemoImage();

// The image as the package carries it: padded with 0xFF to a whole number of kImageUnit, so
// that every byte the updater writes comes from the package (the reader would otherwise
// decipher its 0xFF fill into other bytes), and so that the last cipher block is whole.
EBuildError PadImage(const std::vector<uint8_t>& image, std::vector<uint8_t>& padded);

// The package file: updater, zero bytes up to a length that makes the whole file a multiple of
// kSignatureAlignment, then the padded image enciphered with key, then the 20-byte trailer
// (version text and zero bytes, key, one zero byte, length most significant byte first). Read
// back with ReadFirmwarePackage before it is returned. The updater must not be signed: sign the
// package instead.
EBuildError BuildPackage(const std::vector<uint8_t>& updater, const std::vector<uint8_t>& image,
                         const std::wstring& version, const uint8_t key[8], std::vector<uint8_t>& package);
