#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The 32 bytes of a SHA-256 digest, in their standard order.
using Sha256Digest = std::array<uint8_t, 32>;

// SHA-256 of our own, so the password digest needs no outside library.
// Feed the message in any number of pieces: Init (or construction), Update..., Final.
class CSha256 {
public:
    static constexpr size_t kDigestSize = 32;
    static constexpr size_t kBlockSize = 64;

    CSha256() { Init(); }

    void Init();
    void Update(const void* data, size_t size);
    // Pads the message and returns its digest, then starts over with an empty message.
    Sha256Digest Final();

private:
    void ProcessBlock(const uint8_t* block);

    uint32_t m_state[8];
    uint64_t m_totalBytes;
    uint8_t m_buffer[kBlockSize];
    size_t m_bufferUsed;
};

// Digest of one whole message.
Sha256Digest Sha256(const void* data, size_t size);
