#pragma once
// Where the updater writes in a module's flash, how it walks the written ranges when it
// verifies them, and the version record it reads back. The package reader, the updater's
// sequence and nera share these so that all agree on one layout.

#include <cstddef>
#include <cstdint>
#include <string>

// Flash is erased, written, read and verified in units of this size; every device buffer holds one.
constexpr uint32_t kFlashUnit = 128;
// The boot block 0x0000-0x0FFF is written and verified, 0x1000-0x7FFF (the module's monitor) is
// never touched, and the main program runs from kMainStart to the end of the image.
constexpr uint32_t kBootBlockEnd = 0x1000;
constexpr uint32_t kMainStart = 0x8000;
// The version record opens the main program: a first word of 0 marks it valid, the module's
// hardware code goes into bytes 4-7, and bytes 9-11 are the version.
constexpr uint32_t kVersionRecordOffset = kMainStart;
constexpr uint32_t kVersionRecordSize = 32;
constexpr uint32_t kStampOffset = kVersionRecordOffset + 4;
// The read/write area that holds the module's product identifier in its first 16 bytes.
constexpr uint32_t kIdentityArea = 7;

// The unit after address in the verify walk: unit by unit, jumping from the boot block's end
// to the main program.
inline uint32_t NextVerifyAddress(uint32_t address) {
    address += kFlashUnit;
    return address == kBootBlockEnd ? kMainStart : address;
}

// How many units the verify walk reads for an image of imageSize bytes.
inline size_t VerifyUnitCount(size_t imageSize) {
    size_t units = 0;
    for (uint32_t address = 0; address < imageSize; address = NextVerifyAddress(address)) {
        ++units;
    }
    return units;
}

// Bytes 9, 10 and 11 of a version record as unsigned decimals joined by dots ("5.7.1").
inline std::wstring VersionRecordText(const uint8_t* record) {
    return std::to_wstring(record[9]) + L"." + std::to_wstring(record[10]) + L"." +
           std::to_wstring(record[11]);
}
