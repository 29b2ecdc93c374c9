#pragma once
// Test helpers: a program that reads as a PE file, and signing as signing tools do it (the
// certificate table appended on a multiple of 8 bytes and named by the security entry).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/ByteOrder.h"

namespace signedfile {

constexpr size_t kPeOffset = 0x80;
constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;

// Where the optional header's data directories start, and its security entry (directory 4).
inline size_t DirectoriesOffset(uint16_t magic) {
    return kPeOffset + 24 + (magic == kPe32 ? 96 : 112);
}
inline size_t SecurityEntry(uint16_t magic) {
    return DirectoriesOffset(magic) + 4 * 8;
}

// 0x400 bytes: DOS header, "PE\0\0" at kPeOffset, COFF header, and an optional header of the
// magic with 16 empty data directories; the rest 0x90.
inline std::vector<uint8_t> MakeProgram(uint16_t magic) {
    std::vector<uint8_t> program(0x400, 0x90);
    program[0] = 'M';
    program[1] = 'Z';
    StoreLE32(&program[0x3C], kPeOffset);
    const size_t end = DirectoriesOffset(magic) + 16 * 8;
    std::memset(&program[kPeOffset], 0, end - kPeOffset);
    std::memcpy(&program[kPeOffset], "PE", 2);
    StoreLE16(&program[kPeOffset + 4], magic == kPe32 ? 0x14C : 0x8664);
    StoreLE16(&program[kPeOffset + 20], static_cast<uint16_t>(end - kPeOffset - 24));
    StoreLE16(&program[kPeOffset + 24], magic);
    StoreLE32(&program[DirectoriesOffset(magic) - 4], 16);
    return program;
}

inline void SetEntry(std::vector<uint8_t>& file, size_t entry, uint64_t address, uint64_t size) {
    StoreLE32(&file[entry], static_cast<uint32_t>(address));
    StoreLE32(&file[entry + 4], static_cast<uint32_t>(size));
}

inline size_t TableStart(const std::vector<uint8_t>& file, size_t entry) {
    return LoadLE32(&file[entry]);
}

// Zero bytes up to a multiple of 8, the certificate table (one entry of 0x5A5 bytes, zero-padded
// to 8), and the security entry naming it.
inline void Sign(std::vector<uint8_t>& file, size_t entry) {
    const size_t address = (file.size() + 7) / 8 * 8;
    const uint32_t entryLength = 0x5A5;
    file.resize(address + (entryLength + 7) / 8 * 8, 0);
    StoreLE32(&file[address], entryLength);
    StoreLE16(&file[address + 4], 0x0200);
    StoreLE16(&file[address + 6], 0x0002);
    for (size_t i = address + 8; i < address + entryLength; ++i) {
        file[i] = static_cast<uint8_t>(i * 13);
    }
    SetEntry(file, entry, address, file.size() - address);
}

} // namespace signedfile
