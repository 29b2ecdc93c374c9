#include "firmware/Des.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/tests/CoreTestHex.h"

namespace {

struct SKnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Published DES known answers: the classic worked example, the example of the DES modes
// standard ("Now is t"), a key that enciphers a block to zero, and one entry each of the
// validation tables for variable plaintext, variable key, S-boxes and permutations.
const SKnownAnswer kKnownAnswers[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"1046913489980131", "0000000000000000", "88D55E54F54C97B4"},
};

// Each answer both ways, one block at a time and as three blocks of one buffer (the buffer
// path works on pairs of blocks and then on a single one).
TEST(Des, KnownAnswersBothDirections) {
    for (const SKnownAnswer& answer : kKnownAnswers) {
        SCOPED_TRACE(answer.key);
        const std::vector<uint8_t> key = HexToBytes(answer.key);
        const std::vector<uint8_t> plain = HexToBytes(answer.plain);
        const std::vector<uint8_t> cipher = HexToBytes(answer.cipher);

        std::vector<uint8_t> block = plain;
        DesBlock(key.data(), block.data(), kDesEncipher);
        EXPECT_EQ(BytesToHex(block.data(), 8), answer.cipher);
        DesBlock(key.data(), block.data(), kDesDecipher);
        EXPECT_EQ(BytesToHex(block.data(), 8), answer.plain);

        std::vector<uint8_t> buffer;
        for (int i = 0; i < 3; ++i) {
            buffer.insert(buffer.end(), cipher.begin(), cipher.end());
        }
        DesEcb(key.data(), buffer.data(), buffer.size(), kDesDecipher);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(BytesToHex(buffer.data() + 8 * i, 8), answer.plain) << "block " << i;
        }
        CDesKeySchedule(key.data()).TransformBlocks(buffer.data(), 3, kDesEncipher);
        EXPECT_EQ(BytesToHex(buffer.data() + 16, 8), answer.cipher);
    }
}

// The lowest bit of every key byte is parity: it does not change the result.
TEST(Des, KeyParityBitsAreIgnored) {
    const std::vector<uint8_t> key = HexToBytes("133457799BBCDFF1");
    std::vector<uint8_t> flipped = key;
    for (uint8_t& byte : flipped) {
        byte ^= 0x01;
    }
    std::vector<uint8_t> block = HexToBytes("0123456789ABCDEF");
    DesBlock(flipped.data(), block.data(), kDesEncipher);
    EXPECT_EQ(BytesToHex(block.data(), 8), "85E813540F0AB405");
}

} // namespace
