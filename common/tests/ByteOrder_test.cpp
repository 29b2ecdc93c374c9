#include "common/ByteOrder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
// Each number with its bytes in memory order, most significant first.
struct SWordCase {
    uint32_t value;
    uint8_t bigEndian[4];
};

const SWordCase kWordCases[] = {
    {0x00000000u, {0x00, 0x00, 0x00, 0x00}}, {0x01020304u, {0x01, 0x02, 0x03, 0x04}},
    {0x80000001u, {0x80, 0x00, 0x00, 0x01}}, {0xFFFFFFFEu, {0xFF, 0xFF, 0xFF, 0xFE}},
    {0x6A09E667u, {0x6A, 0x09, 0xE6, 0x67}},
};
} // namespace

TEST(ByteOrder, WordsLoadAndStoreInBothOrders) {
    for (const SWordCase& c : kWordCases) {
        const uint8_t littleEndian[4] = {c.bigEndian[3], c.bigEndian[2], c.bigEndian[1], c.bigEndian[0]};
        EXPECT_EQ(LoadBE32(c.bigEndian), c.value);
        EXPECT_EQ(LoadLE32(littleEndian), c.value);
        EXPECT_EQ(LoadBE16(c.bigEndian + 2), static_cast<uint16_t>(c.value & 0xFFFFu));
        EXPECT_EQ(LoadLE16(littleEndian), static_cast<uint16_t>(c.value & 0xFFFFu));

        uint8_t stored[6];
        std::memset(stored, 0xAA, sizeof stored);
        StoreBE32(stored + 1, c.value);
        EXPECT_EQ(std::memcmp(stored + 1, c.bigEndian, 4), 0) << std::hex << c.value;
        EXPECT_EQ(stored[0], 0xAA); // nothing outside the four bytes
        EXPECT_EQ(stored[5], 0xAA);
        StoreLE32(stored + 1, c.value);
        EXPECT_EQ(std::memcmp(stored + 1, littleEndian, 4), 0) << std::hex << c.value;
        StoreBE16(stored + 1, static_cast<uint16_t>(c.value));
        EXPECT_EQ(std::memcmp(stored + 1, c.bigEndian + 2, 2), 0) << std::hex << c.value;
        StoreLE16(stored + 1, static_cast<uint16_t>(c.value));
        EXPECT_EQ(std::memcmp(stored + 1, littleEndian, 2), 0) << std::hex << c.value;
        EXPECT_EQ(std::memcmp(stored + 3, littleEndian + 2, 2), 0); // a 16-bit store writes two bytes only
    }
}
