#include "firmware/Des.h"

#include "common/ByteOrder.h"

namespace {

// Bits are numbered from 1, bit 1 being the most significant bit of the first byte, for the
// block as for the key. The permutations and choices below read: output bit n is input bit
// table[n - 1].

// clang-format off
// Initial permutation IP of the input block.
const uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2,
    60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6,
    64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1,
    59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5,
    63, 55, 47, 39, 31, 23, 15, 7,
};

// Inverse initial permutation IP^-1, applied to the preoutput block R16 L16.
const uint8_t kFinalPermutation[64] = {
    40, 8, 48, 16, 56, 24, 64, 32,
    39, 7, 47, 15, 55, 23, 63, 31,
    38, 6, 46, 14, 54, 22, 62, 30,
    37, 5, 45, 13, 53, 21, 61, 29,
    36, 4, 44, 12, 52, 20, 60, 28,
    35, 3, 43, 11, 51, 19, 59, 27,
    34, 2, 42, 10, 50, 18, 58, 26,
    33, 1, 41, 9,  49, 17, 57, 25,
};

// Permuted choice 1: the 56 key bits that form C0 (first 28) and D0 (last 28). Bits 8, 16,
// ..., 64, the lowest bit of every key byte, are not used.
const uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  //
    1,  58, 50, 42, 34, 26, 18,
    10, 2,  59, 51, 43, 35, 27,
    19, 11, 3,  60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15,
    7,  62, 54, 46, 38, 30, 22,
    14, 6,  61, 53, 45, 37, 29,
    21, 13, 5,  28, 20, 12, 4,
};

// Permuted choice 2: the 48 bits of the joined halves Cn Dn (numbered 1 to 56) that form the
// subkey Kn.
const uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  //
    3,  28, 15, 6,  21, 10,
    23, 19, 12, 4,  26, 8,  //
    16, 7,  27, 20, 13, 2,  //
    41, 52, 31, 37, 47, 55,
    30, 40, 51, 45, 33, 48,
    44, 49, 39, 56, 34, 53,
    46, 42, 50, 36, 29, 32,
};

// Left rotations of C and D before each of the sixteen subkeys is chosen.
const uint8_t kLeftRotations[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// Expansion E: the 48 bits of the right half (numbered 1 to 32) that meet the subkey, six for
// each S-box in turn.
const uint8_t kExpansion[48] = {
    32, 1,  2,  3,  4,  5,  //
    4,  5,  6,  7,  8,  9,  //
    8,  9,  10, 11, 12, 13,
    12, 13, 14, 15, 16, 17,
    16, 17, 18, 19, 20, 21,
    20, 21, 22, 23, 24, 25,
    24, 25, 26, 27, 28, 29,
    28, 29, 30, 31, 32, 1,
};

// Selection functions S1 to S8: the first and last of the six input bits choose the row, the
// four middle bits the column; the entry is the four output bits.
const uint8_t kSelection[8][4][16] = {
    {{14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
     {0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8},
     {4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0},
     {15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13}},
    {{15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
     {3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5},
     {0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15},
     {13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9}},
    {{10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
     {13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1},
     {13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7},
     {1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12}},
    {{7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
     {13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9},
     {10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4},
     {3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14}},
    {{2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
     {14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6},
     {4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14},
     {11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3}},
    {{12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
     {10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8},
     {9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6},
     {4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13}},
    {{4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
     {13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6},
     {1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2},
     {6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12}},
    {{13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7},
     {1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2},
     {7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8},
     {2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11}},
};

// Permutation P of the 32 bits that the S-boxes give.
const uint8_t kPermutation[32] = {
    16, 7,  20, 21,
    29, 12, 28, 17,
    1,  15, 23, 26,
    5,  18, 31, 10,
    2,  8,  24, 14,
    32, 27, 3,  9,  //
    19, 13, 30, 6,  //
    22, 11, 4,  25,
};
// clang-format on

// The rounds keep each 32-bit half rotated left by one place ("working form"): then the six
// expanded bits of S1, S3, S5 and S7 lie in the low six bits of the four bytes of the half
// rotated right by four, and those of S2, S4, S6 and S8 in the four bytes of the half itself.
// Expansion thus needs no bit moves; the subkeys are stored with their bits at those places.

// Position, counted from the least significant bit, of half bit m (1..32) in working form.
unsigned WorkingPosition(unsigned m) {
    return (33u - m) % 32u;
}

// Half bit number (1..32) at a position of the working form.
unsigned HalfBitAt(unsigned position) {
    const unsigned m = (33u - position) % 32u;
    return m == 0 ? 32u : m;
}

// Where S-box j reads its six bits: from the half rotated right by four (S1, S3, S5, S7) or
// from the half itself (S2, S4, S6, S8), at this shift.
bool ReadsRotatedHalf(unsigned j) {
    return j % 2 == 0;
}
unsigned WindowShift(unsigned j) {
    return 24u - 8u * (j / 2u);
}

// Tables for the rounds, derived once from the standard's tables above.
struct SDesTables {
    // For S-box j, the window bit (0 = least significant) that carries its k-th input bit.
    uint8_t windowBit[8][6];
    // S-box j followed by P, indexed by the six window bits, giving a half in working form.
    uint32_t selectPermute[8][64];
    // IP for each byte of the block and each value of it, into the two halves in working form
    // (left half in the upper 32 bits).
    uint64_t initialPerm[8][256];
    // IP^-1 for each byte of R16 L16 in working form (R16 in the upper 32 bits) and each value
    // of it, into the output block (bit 1 as the most significant bit).
    uint64_t finalPerm[8][256];

    SDesTables() {
        for (unsigned j = 0; j < 8; ++j) {
            for (unsigned k = 0; k < 6; ++k) {
                windowBit[j][k] = 0;
                for (unsigned t = 0; t < 6; ++t) {
                    const unsigned position = (WindowShift(j) + t + (ReadsRotatedHalf(j) ? 4u : 0u)) % 32u;
                    if (HalfBitAt(position) == kExpansion[6 * j + k]) {
                        windowBit[j][k] = static_cast<uint8_t>(t);
                    }
                }
            }
            for (unsigned index = 0; index < 64; ++index) {
                unsigned input = 0;
                for (unsigned k = 0; k < 6; ++k) {
                    if ((index >> windowBit[j][k]) & 1u) {
                        input |= 1u << (5 - k);
                    }
                }
                const unsigned row = ((input >> 4) & 2u) | (input & 1u);
                const unsigned column = (input >> 1) & 15u;
                // The four output bits are half bits 4j+1..4j+4 before P.
                const uint32_t selected = static_cast<uint32_t>(kSelection[j][row][column]) << (28 - 4 * j);
                uint32_t permuted = 0;
                for (unsigned n = 1; n <= 32; ++n) {
                    if ((selected >> (32 - kPermutation[n - 1])) & 1u) {
                        permuted |= 1u << WorkingPosition(n);
                    }
                }
                selectPermute[j][index] = permuted;
            }
        }

        unsigned outputOfInput[65] = {};
        for (unsigned n = 1; n <= 64; ++n) {
            outputOfInput[kInitialPermutation[n - 1]] = n;
        }
        unsigned outputOfPreoutput[65] = {};
        for (unsigned n = 1; n <= 64; ++n) {
            outputOfPreoutput[kFinalPermutation[n - 1]] = n;
        }
        for (unsigned byte = 0; byte < 8; ++byte) {
            for (unsigned value = 0; value < 256; ++value) {
                uint64_t in = 0;
                uint64_t out = 0;
                for (unsigned bit = 0; bit < 8; ++bit) {
                    if (((value >> (7 - bit)) & 1u) == 0) {
                        continue;
                    }
                    // IP: input bit 8*byte+bit+1 goes to L0 bit n or R0 bit n - 32.
                    const unsigned n = outputOfInput[8 * byte + bit + 1];
                    in |= n <= 32 ? uint64_t{1} << (32 + WorkingPosition(n))
                                  : uint64_t{1} << WorkingPosition(n - 32);
                    // IP^-1: state position z holds R16 (preoutput bits 1..32) or L16 (33..64).
                    const unsigned z = 63 - (8 * byte + bit);
                    const unsigned preoutputBit = z >= 32 ? HalfBitAt(z - 32) : 32 + HalfBitAt(z);
                    out |= uint64_t{1} << (64 - outputOfPreoutput[preoutputBit]);
                }
                initialPerm[byte][value] = in;
                finalPerm[byte][value] = out;
            }
        }
    }
};

// Built on first use; the language makes that initialisation thread-safe.
const SDesTables& Tables() {
    static const SDesTables tables;
    return tables;
}

uint32_t RotateRight4(uint32_t x) {
    return (x >> 4) | (x << 28);
}

// The cipher function f(R, K) followed by P, on a half in working form and a stored subkey.
inline uint32_t RoundFunction(const SDesTables& t, uint32_t right, uint64_t subkey) {
    const uint32_t odd = RotateRight4(right) ^ static_cast<uint32_t>(subkey >> 32);
    const uint32_t even = right ^ static_cast<uint32_t>(subkey);
    return t.selectPermute[0][(odd >> 24) & 63u] | t.selectPermute[2][(odd >> 16) & 63u] |
           t.selectPermute[4][(odd >> 8) & 63u] | t.selectPermute[6][odd & 63u] |
           t.selectPermute[1][(even >> 24) & 63u] | t.selectPermute[3][(even >> 16) & 63u] |
           t.selectPermute[5][(even >> 8) & 63u] | t.selectPermute[7][even & 63u];
}

// IP of a block into its two halves in working form.
inline void InitialPermutation(const SDesTables& t, const uint8_t* block, uint32_t& left, uint32_t& right) {
    const uint32_t high = LoadBE32(block);
    const uint32_t low = LoadBE32(block + 4);
    const uint64_t halves = t.initialPerm[0][high >> 24] | t.initialPerm[1][(high >> 16) & 255u] |
                            t.initialPerm[2][(high >> 8) & 255u] | t.initialPerm[3][high & 255u] |
                            t.initialPerm[4][low >> 24] | t.initialPerm[5][(low >> 16) & 255u] |
                            t.initialPerm[6][(low >> 8) & 255u] | t.initialPerm[7][low & 255u];
    left = static_cast<uint32_t>(halves >> 32);
    right = static_cast<uint32_t>(halves);
}

// IP^-1 of the preoutput R16 L16 (halves in working form) into the output block.
inline void FinalPermutation(const SDesTables& t, uint32_t right, uint32_t left, uint8_t* block) {
    const uint64_t output = t.finalPerm[0][right >> 24] | t.finalPerm[1][(right >> 16) & 255u] |
                            t.finalPerm[2][(right >> 8) & 255u] | t.finalPerm[3][right & 255u] |
                            t.finalPerm[4][left >> 24] | t.finalPerm[5][(left >> 16) & 255u] |
                            t.finalPerm[6][(left >> 8) & 255u] | t.finalPerm[7][left & 255u];
    StoreBE32(block, static_cast<uint32_t>(output >> 32));
    StoreBE32(block + 4, static_cast<uint32_t>(output));
}

// The sixteen rounds without the swaps between them: after an even number of rounds, right
// holds R16 and left holds L16.
inline void TransformOne(const SDesTables& t, const uint64_t subkeys[16], uint8_t* block) {
    uint32_t left;
    uint32_t right;
    InitialPermutation(t, block, left, right);
    for (unsigned round = 0; round < 16; round += 2) {
        left ^= RoundFunction(t, right, subkeys[round]);
        right ^= RoundFunction(t, left, subkeys[round + 1]);
    }
    FinalPermutation(t, right, left, block);
}

// Two neighbouring blocks with their rounds interleaved: each round waits for the one before,
// so the processor works on the second block while the first waits for its table lookups.
inline void TransformTwo(const SDesTables& t, const uint64_t subkeys[16], uint8_t* blocks) {
    uint32_t left0, right0, left1, right1;
    InitialPermutation(t, blocks, left0, right0);
    InitialPermutation(t, blocks + 8, left1, right1);
    for (unsigned round = 0; round < 16; round += 2) {
        left0 ^= RoundFunction(t, right0, subkeys[round]);
        left1 ^= RoundFunction(t, right1, subkeys[round]);
        right0 ^= RoundFunction(t, left0, subkeys[round + 1]);
        right1 ^= RoundFunction(t, left1, subkeys[round + 1]);
    }
    FinalPermutation(t, right0, left0, blocks);
    FinalPermutation(t, right1, left1, blocks + 8);
}

} // namespace

CDesKeySchedule::CDesKeySchedule(const uint8_t key[8]) {
    const SDesTables& t = Tables();
    const uint64_t keyBits = (static_cast<uint64_t>(LoadBE32(key)) << 32) | LoadBE32(key + 4);
    // C in the upper 28 bits of a 56-bit value, D in the lower; bit i (1..56) at 56 - i.
    uint32_t c = 0;
    uint32_t d = 0;
    for (unsigned i = 0; i < 28; ++i) {
        c = (c << 1) | static_cast<uint32_t>((keyBits >> (64 - kPermutedChoice1[i])) & 1u);
        d = (d << 1) | static_cast<uint32_t>((keyBits >> (64 - kPermutedChoice1[28 + i])) & 1u);
    }
    for (unsigned round = 0; round < 16; ++round) {
        const unsigned r = kLeftRotations[round];
        c = ((c << r) | (c >> (28 - r))) & 0x0FFFFFFFu;
        d = ((d << r) | (d >> (28 - r))) & 0x0FFFFFFFu;
        const uint64_t cd = (static_cast<uint64_t>(c) << 28) | d;
        uint32_t words[2] = {0, 0}; // words[0]: S1, S3, S5, S7; words[1]: S2, S4, S6, S8
        for (unsigned j = 0; j < 8; ++j) {
            for (unsigned k = 0; k < 6; ++k) {
                if ((cd >> (56 - kPermutedChoice2[6 * j + k])) & 1u) {
                    words[ReadsRotatedHalf(j) ? 0 : 1] |= 1u << (WindowShift(j) + t.windowBit[j][k]);
                }
            }
        }
        m_subkeys[round] = (static_cast<uint64_t>(words[0]) << 32) | words[1];
    }
}

void CDesKeySchedule::Transform(uint8_t block[8], int direction) const {
    TransformBlocks(block, 1, direction);
}

void CDesKeySchedule::TransformBlocks(uint8_t* data, size_t blocks, int direction) const {
    const SDesTables& t = Tables();
    // Deciphering uses the subkeys in reverse order: the standard's right rotations for
    // deciphering form exactly the enciphering subkeys from K16 down to K1.
    uint64_t subkeys[16];
    for (unsigned i = 0; i < 16; ++i) {
        subkeys[i] = direction == kDesEncipher ? m_subkeys[i] : m_subkeys[15 - i];
    }
    size_t i = 0;
    for (; i + 2 <= blocks; i += 2) {
        TransformTwo(t, subkeys, data + 8 * i);
    }
    for (; i < blocks; ++i) {
        TransformOne(t, subkeys, data + 8 * i);
    }
}

void DesBlock(const uint8_t key[8], uint8_t block[8], int direction) {
    CDesKeySchedule(key).Transform(block, direction);
}

void DesEcb(const uint8_t key[8], uint8_t* data, size_t length, int direction) {
    CDesKeySchedule(key).TransformBlocks(data, length / 8, direction);
}
