#pragma once
// DES of FIPS 46-3 on 8-byte blocks in ECB mode, as the firmware package is enciphered.

#include <cstddef>
#include <cstdint>

constexpr int kDesEncipher = 0;
constexpr int kDesDecipher = 1;

// The sixteen 48-bit round keys of one key, formed once and used for any number of blocks.
class CDesKeySchedule {
public:
    explicit CDesKeySchedule(const uint8_t key[8]);
    // Transforms one block in place: kDesEncipher or kDesDecipher.
    void Transform(uint8_t block[8], int direction) const;
    // Transforms a run of 8-byte blocks in place, each on its own (ECB).
    void TransformBlocks(uint8_t* data, size_t blocks, int direction) const;

private:
    uint64_t m_subkeys[16]; // K1..K16, each bit where the rounds read it
};

// One block in place with its own key schedule: direction 0 enciphers, 1 deciphers.
void DesBlock(const uint8_t key[8], uint8_t block[8], int direction);

// Every whole 8-byte block of data in place, with one key schedule; a tail shorter than a
// block is left as it is.
void DesEcb(const uint8_t key[8], uint8_t* data, size_t length, int direction);
