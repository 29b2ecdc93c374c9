// Flash rules: erase-block map, image length to erase bits, ranges, bit-clearing programming.
#include <gtest/gtest.h>

#include <vector>

#include "devsim/SimFlash.h"

namespace nerasim {
namespace {

TEST(SimFlash, EraseBlockMapCoversFlashWithoutGapsOrOverlap) {
    struct SCase {
        unsigned bit;
        uint32_t start;
        uint32_t end;
    };
    const SCase kCases[] = {
        {0, 0x00000, 0x01000}, {1, 0x01000, 0x02000},  {7, 0x07000, 0x08000},  {8, 0x08000, 0x18000},
        {9, 0x18000, 0x28000}, {14, 0x68000, 0x78000}, {15, 0x78000, 0x80000}, // clipped at the flash end
    };
    for (const SCase& c : kCases) {
        SEraseBlock block;
        ASSERT_TRUE(EraseBlockRange(c.bit, block)) << c.bit;
        EXPECT_EQ(block.start, c.start) << c.bit;
        EXPECT_EQ(block.end, c.end) << c.bit;
    }
    SEraseBlock block;
    EXPECT_FALSE(EraseBlockRange(16, block));

    // Every address belongs to exactly one block.
    uint32_t next = 0;
    for (unsigned bit = 0; bit < 16; ++bit) {
        ASSERT_TRUE(EraseBlockRange(bit, block));
        EXPECT_EQ(block.start, next) << bit;
        next = block.end;
    }
    EXPECT_EQ(next, kFlashSize);
}

TEST(SimFlash, EraseBlocksForImageLength) {
    struct SCase {
        uint32_t length;
        uint32_t bits;
    };
    const SCase kCases[] = {
        {0, 0x0000},       {1, 0x0001},       {0x1000, 0x0001},     {0x1001, 0x0003},  {0x8000, 0x00FF},
        {0x8001, 0x01FF},  {0x15800, 0x01FF}, {0x18000, 0x01FF},    {0x18001, 0x03FF}, {0x7FFFF, 0xFFFF},
        {0x80000, 0xFFFF}, {0x80001, 0xFFFF}, {0xFFFFFFFF, 0xFFFF},
    };
    for (const SCase& c : kCases)
        EXPECT_EQ(EraseBlocksForLength(c.length), c.bits) << std::hex << c.length;
    // The updater keeps only the boot block and the 64 KiB blocks: the monitor survives.
    EXPECT_EQ(EraseBlocksForLength(0x15800) & 0xFF01u & kMonitorBlockBits, 0u);
}

TEST(SimFlash, RangesAndMonitorOverlap) {
    struct SCase {
        uint32_t address;
        uint32_t length;
        bool inside;
        bool monitor;
    };
    const SCase kCases[] = {
        {0x0000, 0x1000, true, false}, {0x0000, 0x1001, true, true},   {0x0F80, 0x80, true, false},
        {0x7FFF, 1, true, true},       {0x8000, 0x78000, true, false}, {0x7FF80, 0x80, true, false},
        {0x7FF81, 0x80, false, false}, {0x80000, 0, true, false},      {0xFFFFFF80, 0x100, false, true},
        {0x1000, 0, true, false},
    };
    for (const SCase& c : kCases) {
        EXPECT_EQ(IsFlashRange(c.address, c.length), c.inside) << std::hex << c.address << "+" << c.length;
        if (c.inside) {
            EXPECT_EQ(TouchesMonitor(c.address, c.length), c.monitor) << std::hex << c.address;
        }
    }
}

TEST(SimFlash, ProgrammingOnlyClearsBits) {
    std::vector<uint8_t> cells = {0xFF, 0xFF, 0xF0, 0x0F, 0x00};
    const std::vector<uint8_t> data = {0x12, 0xFF, 0x0F, 0xF0, 0xFF};
    ProgramCells(cells.data(), data.data(), cells.size());
    EXPECT_EQ(cells, (std::vector<uint8_t>{0x12, 0xFF, 0x00, 0x00, 0x00}));
}

TEST(SimFlash, FactoryPatternIsNeitherErasedNorConstant) {
    size_t erased = 0;
    size_t same = 0;
    for (uint32_t a = 0; a < kMonitorEnd; ++a) {
        erased += FactoryCodeByte(a) == kErasedByte;
        same += a > 0 && FactoryCodeByte(a) == FactoryCodeByte(a - 1);
    }
    EXPECT_LT(erased, kMonitorEnd / 64);
    EXPECT_LT(same, kMonitorEnd / 64);
}

} // namespace
} // namespace nerasim
