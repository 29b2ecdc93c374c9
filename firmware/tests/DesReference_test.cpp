// DES against the distribution's libcrypto, which is a reference here and nowhere else.
#include "firmware/Des.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

// The low-level DES calls are deprecated in OpenSSL 3 but are the plainest reference.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

namespace {

void ReferenceBlock(const uint8_t key[8], const uint8_t in[8], uint8_t out[8], int direction) {
    DES_key_schedule schedule;
    DES_cblock keyBlock;
    std::memcpy(keyBlock, key, 8);
    DES_set_key_unchecked(&keyBlock, &schedule);
    DES_cblock input;
    DES_cblock output;
    std::memcpy(input, in, 8);
    DES_ecb_encrypt(&input, &output, &schedule, direction == kDesEncipher ? DES_ENCRYPT : DES_DECRYPT);
    std::memcpy(out, output, 8);
}

// Random keys and blocks, one block per key, both directions.
TEST(DesReference, RandomBlocksMatchLibcrypto) {
    std::mt19937 random(4615);
    std::uniform_int_distribution<int> byte(0, 255);
    int differences = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        uint8_t key[8];
        uint8_t block[8];
        for (int i = 0; i < 8; ++i) {
            key[i] = static_cast<uint8_t>(byte(random));
            block[i] = static_cast<uint8_t>(byte(random));
        }
        for (int direction : {kDesEncipher, kDesDecipher}) {
            uint8_t ours[8];
            uint8_t reference[8];
            std::memcpy(ours, block, 8);
            DesBlock(key, ours, direction);
            ReferenceBlock(key, block, reference, direction);
            if (std::memcmp(ours, reference, 8) != 0) {
                ++differences;
            }
        }
    }
    EXPECT_EQ(differences, 0);
}

// Buffers of random lengths: every whole block as libcrypto gives it, a shorter tail unchanged.
TEST(DesReference, RandomBuffersMatchLibcrypto) {
    std::mt19937 random(5120);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<size_t> length(0, 83);
    for (int trial = 0; trial < 300; ++trial) {
        uint8_t key[8];
        for (uint8_t& k : key) {
            k = static_cast<uint8_t>(byte(random));
        }
        std::vector<uint8_t> data(length(random));
        for (uint8_t& d : data) {
            d = static_cast<uint8_t>(byte(random));
        }
        const int direction = trial % 2 == 0 ? kDesEncipher : kDesDecipher;
        std::vector<uint8_t> expected = data;
        for (size_t offset = 0; offset + 8 <= data.size(); offset += 8) {
            ReferenceBlock(key, data.data() + offset, expected.data() + offset, direction);
        }
        DesEcb(key, data.data(), data.size(), direction);
        ASSERT_EQ(data, expected) << "length " << data.size() << ", direction " << direction;
    }
}

} // namespace
