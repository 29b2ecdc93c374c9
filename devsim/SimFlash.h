#pragma once
// Flash memory rules of the simulated module: size, erase-block map, the protected boot
// monitor and bit-clearing programming. Pure functions over byte ranges, no file access.

#include <cstddef>
#include <cstdint>

namespace nerasim {

constexpr uint32_t kFlashSize = 0x80000;
constexpr uint8_t kErasedByte = 0xFF;
constexpr uint32_t kMonitorStart = 0x1000;
constexpr uint32_t kMonitorEnd = 0x8000; // first address after the boot monitor
constexpr uint32_t kFlashReadUnit = 128;
constexpr uint32_t kAreaSize = 128;
constexpr uint32_t kAreaCount = 8;
constexpr uint32_t kSettingsArea = 6;
constexpr uint32_t kIdentityArea = 7;
constexpr uint32_t kVersionRecordAddress = 0x8000;
constexpr uint32_t kVersionRecordSize = 32;
// Bits of an erase-block value that exist; bit 0 = boot block, 1-7 = monitor, 8-15 = 64 KiB.
constexpr uint32_t kEraseBlockBitsMask = 0xFFFF;
constexpr uint32_t kMonitorBlockBits = 0x00FE;

// One erase block: [start, end).
struct SEraseBlock {
    uint32_t start;
    uint32_t end;
};

// Address range of erase-block bit 0-15, clipped at the end of flash. False when the bit
// names no block inside the flash.
bool EraseBlockRange(unsigned bit, SEraseBlock& block);

// Bits of every erase block that an image of this length starting at address 0 touches,
// monitor blocks included.
uint32_t EraseBlocksForLength(uint32_t length);

// Whether [address, address + length) lies inside the flash (computed without overflow).
bool IsFlashRange(uint32_t address, uint32_t length);

// Whether [address, address + length) overlaps the boot monitor.
bool TouchesMonitor(uint32_t address, uint32_t length);

// Programs cells with data the way flash does: a bit can only go from 1 to 0.
void ProgramCells(uint8_t* cells, const uint8_t* data, size_t length);

// The byte that a freshly made module holds at this address of its boot area and monitor,
// so that a damaged monitor can be told from an intact one.
uint8_t FactoryCodeByte(uint32_t address);

} // namespace nerasim
