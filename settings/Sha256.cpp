#include "settings/Sha256.h"

#include <cstring>

#include "common/ByteOrder.h"

namespace {

// Round constants: the first 32 bits of the fractional parts of the cube roots of the first
// 64 prime numbers.
const uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

// Initial hash value: the first 32 bits of the fractional parts of the square roots of the
// first 8 prime numbers.
const uint32_t kInitialState[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

uint32_t RotateRight(uint32_t x, unsigned n) {
    return (x >> n) | (x << (32u - n));
}

} // namespace

void CSha256::Init() {
    std::memcpy(m_state, kInitialState, sizeof(m_state));
    m_totalBytes = 0;
    m_bufferUsed = 0;
    std::memset(m_buffer, 0, sizeof(m_buffer));
}

void CSha256::ProcessBlock(const uint8_t* block) {
    uint32_t w[64];
    for (size_t t = 0; t < 16; ++t) {
        w[t] = LoadBE32(block + 4 * t);
    }
    for (size_t t = 16; t < 64; ++t) {
        const uint32_t s0 = RotateRight(w[t - 15], 7) ^ RotateRight(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const uint32_t s1 = RotateRight(w[t - 2], 17) ^ RotateRight(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }

    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    uint32_t e = m_state[4], f = m_state[5], g = m_state[6], h = m_state[7];
    for (size_t t = 0; t < 64; ++t) {
        const uint32_t sum1 = RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25);
        const uint32_t choose = (e & f) ^ (~e & g);
        const uint32_t t1 = h + sum1 + choose + kRoundConstants[t] + w[t];
        const uint32_t sum0 = RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22);
        const uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        const uint32_t t2 = sum0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
    m_state[5] += f;
    m_state[6] += g;
    m_state[7] += h;
}

void CSha256::Update(const void* data, size_t size) {
    if (size == 0) {
        return;
    }
    const uint8_t* p = static_cast<const uint8_t*>(data);
    m_totalBytes += size;

    // Complete a partly filled block first.
    if (m_bufferUsed > 0) {
        const size_t take = (size < kBlockSize - m_bufferUsed) ? size : kBlockSize - m_bufferUsed;
        std::memcpy(m_buffer + m_bufferUsed, p, take);
        m_bufferUsed += take;
        p += take;
        size -= take;
        if (m_bufferUsed < kBlockSize) {
            return;
        }
        ProcessBlock(m_buffer);
        m_bufferUsed = 0;
    }
    // Whole blocks straight from the input.
    while (size >= kBlockSize) {
        ProcessBlock(p);
        p += kBlockSize;
        size -= kBlockSize;
    }
    if (size > 0) {
        std::memcpy(m_buffer, p, size);
        m_bufferUsed = size;
    }
}

Sha256Digest CSha256::Final() {
    // The message length in bits goes into the last 8 bytes of the last block.
    const uint64_t bitLength = m_totalBytes * 8u;

    m_buffer[m_bufferUsed++] = 0x80;
    if (m_bufferUsed > kBlockSize - 8) {
        std::memset(m_buffer + m_bufferUsed, 0, kBlockSize - m_bufferUsed);
        ProcessBlock(m_buffer);
        m_bufferUsed = 0;
    }
    std::memset(m_buffer + m_bufferUsed, 0, kBlockSize - 8 - m_bufferUsed);
    StoreBE32(m_buffer + kBlockSize - 8, static_cast<uint32_t>(bitLength >> 32));
    StoreBE32(m_buffer + kBlockSize - 4, static_cast<uint32_t>(bitLength & 0xFFFFFFFFu));
    ProcessBlock(m_buffer);

    Sha256Digest digest;
    for (size_t i = 0; i < 8; ++i) {
        StoreBE32(digest.data() + 4 * i, m_state[i]);
    }
    Init();
    return digest;
}

Sha256Digest Sha256(const void* data, size_t size) {
    CSha256 hash;
    hash.Update(data, size);
    return hash.Final();
}
