#include "devsim/SimFlash.h"

namespace nerasim {

bool EraseBlockRange(unsigned bit, SEraseBlock& block) {
    if (bit == 0) {
        block = {0, kMonitorStart};
        return true;
    }
    if (bit <= 7) {
        block.start = kMonitorStart + (bit - 1) * 0x1000u;
        block.end = block.start + 0x1000u;
        return true;
    }
    if (bit <= 15) {
        uint32_t start = kMonitorEnd + (bit - 8) * 0x10000u;
        if (start >= kFlashSize)
            return false;
        uint32_t end = start + 0x10000u;
        block = {start, end > kFlashSize ? kFlashSize : end};
        return true;
    }
    return false;
}

uint32_t EraseBlocksForLength(uint32_t length) {
    uint32_t bits = 0;
    for (unsigned bit = 0; bit < 16; ++bit) {
        SEraseBlock block;
        if (EraseBlockRange(bit, block) && block.start < length)
            bits |= 1u << bit;
    }
    return bits;
}

bool IsFlashRange(uint32_t address, uint32_t length) {
    return address <= kFlashSize && length <= kFlashSize - address;
}

bool TouchesMonitor(uint32_t address, uint32_t length) {
    if (length == 0)
        return false;
    uint64_t end = static_cast<uint64_t>(address) + length;
    return address < kMonitorEnd && end > kMonitorStart;
}

void ProgramCells(uint8_t* cells, const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i)
        cells[i] = static_cast<uint8_t>(cells[i] & data[i]);
}

uint8_t FactoryCodeByte(uint32_t address) {
    // A fixed, non-trivial pattern: never all 0xFF over a block, differs between neighbours.
    uint32_t x = address * 2654435761u;
    return static_cast<uint8_t>((x >> 24) ^ (address & 0x7Fu));
}

} // namespace nerasim
