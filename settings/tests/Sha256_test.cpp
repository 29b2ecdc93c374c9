#include "settings/Sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/tests/CoreTestHex.h"

namespace {

std::string DigestHex(const Sha256Digest& digest) {
    return BytesToHex(digest.data(), digest.size());
}

// Message of the given length whose bytes follow a simple pattern, so that no two blocks are
// alike. The expected digests were computed for the same bytes with sha256sum.
std::vector<uint8_t> PatternMessage(size_t length) {
    std::vector<uint8_t> message(length);
    for (size_t i = 0; i < length; ++i) {
        message[i] = static_cast<uint8_t>((i * 7 + 3) & 0xFF);
    }
    return message;
}

struct TextVector {
    const char* message;
    const char* digest;
};

// The standard's examples: one block, empty, two blocks of 448 bits and of 896 bits.
const TextVector kStandardVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmn"
     "opqrstnopqrstu",
     "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
};

struct PatternVector {
    size_t length;
    const char* digest;
};

// Lengths around the padding limits: 55 is the last length with a one-block tail, 56 needs an
// extra block, 64 ends exactly on a block, 119/120 repeat this one block further.
const PatternVector kPatternVectors[] = {
    {55, "e7313d333c272e639f790978283f9eb392e843d0f29b7016828bb1daa4aac70b"},
    {56, "4324d65f3c103567f5589c710bc08f8523f929a9272e3af36fc968e52abc6c27"},
    {63, "81c80242132f230c3bd41b3e63bbcff16107339549214a99614ff26664625055"},
    {64, "39e3d7b6b5d075d37d053ad89b24b41bef4f3c29760c84447cab3f3be1882241"},
    {65, "aacca6ff74fdbb296d165a45cecfa04e5127bc008770fbbdd48006f2d2fae95e"},
    {119, "9ce7368e4daf32341631b492e80359dc9f594b48453cd0dd5bf0b19279cc177e"},
    {120, "7836b787757e95e58b3ca5aec90b1b004e8deba1e50e9675af9cabf1a13a04b5"},
    {1000, "1e9bc38cbf860b9ec31918b065f9b52476c549a782e0e7990bed8ce3868d2371"},
};

} // namespace

TEST(Sha256, StandardVectors) {
    for (const TextVector& v : kStandardVectors) {
        const std::string message = v.message;
        EXPECT_EQ(DigestHex(Sha256(message.data(), message.size())), NormalHex(v.digest))
            << "message \"" << message << "\"";
    }
}

TEST(Sha256, OneMillionA) {
    const std::string message(1000000, 'a');
    const std::string expected =
        NormalHex("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(DigestHex(Sha256(message.data(), message.size())), expected);

    // The same message in uneven pieces.
    CSha256 hash;
    size_t done = 0;
    for (size_t piece = 1; done < message.size(); piece = piece % 997 + 1) {
        const size_t take = std::min(piece, message.size() - done);
        hash.Update(message.data() + done, take);
        done += take;
    }
    EXPECT_EQ(DigestHex(hash.Final()), expected);
}

TEST(Sha256, LengthsAroundBlockBoundaries) {
    for (const PatternVector& v : kPatternVectors) {
        const std::vector<uint8_t> message = PatternMessage(v.length);
        EXPECT_EQ(DigestHex(Sha256(message.data(), message.size())), NormalHex(v.digest))
            << "length " << v.length;
    }
}

TEST(Sha256, StreamingSplitAtEveryOffset) {
    const PatternVector& v = kPatternVectors[sizeof(kPatternVectors) / sizeof(kPatternVectors[0]) - 1];
    const std::vector<uint8_t> message = PatternMessage(v.length);
    const std::string expected = NormalHex(v.digest);
    for (size_t split = 0; split <= message.size(); ++split) {
        CSha256 hash;
        hash.Update(message.data(), split);
        hash.Update(message.data() + split, message.size() - split);
        ASSERT_EQ(DigestHex(hash.Final()), expected) << "split at " << split;
    }

    // Byte by byte, and with empty updates in between.
    CSha256 hash;
    for (size_t i = 0; i < message.size(); ++i) {
        hash.Update(message.data() + i, 1);
        hash.Update(message.data(), 0);
    }
    EXPECT_EQ(DigestHex(hash.Final()), expected);
}

TEST(Sha256, FinalStartsOver) {
    CSha256 hash;
    hash.Update("abc", 3);
    const Sha256Digest first = hash.Final();
    hash.Update("abc", 3);
    EXPECT_EQ(hash.Final(), first);
    EXPECT_EQ(DigestHex(hash.Final()), NormalHex(kStandardVectors[0].digest));
}
