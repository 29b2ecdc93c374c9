// Fuzz target for the updater's package reader: the trailer and the whole load from the bytes at
// the end of an executable, in front of its certificate table when it is signed. A package's
// image is up to 0x80000 bytes, so an input may stand for a long file whose front is generated:
// the input then holds only the file's last bytes, and the PE headers at its start.
//
//   byte 0     bit 0: a generated front follows in bytes 1-3 (its length, most significant
//              byte first, at most kMaxFront); bit 1: the image's read fails (every read of more
//              than a unit, kImageUnit bytes; no other read is that long); bit 2 (with bit 0): a
//              head follows, its length in two bytes (most significant first, at most the
//              front's length) and its bytes, which replace the front's first bytes
//   the rest   the file (bit 0 clear) or its last bytes after the generated front (bit 0 set)
//
// Beside "no crash, no read outside the file", the result must be the one the trailer in front of
// the certificate table (or at the end of an unsigned file) asks for, and an accepted image
// enciphered again with the trailer's key must give the file's bytes back. The front is at most
// kMaxFront bytes; an input asking for more is passed over.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "firmware/Des.h"
#include "firmware/FirmwarePackage.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

constexpr uint32_t kMaxFront = 0x100000;

// The generated front: bytes that are not constant, so that a shifted read shows.
const std::vector<uint8_t>& Front() {
    static const std::vector<uint8_t> front = [] {
        std::vector<uint8_t> bytes(kMaxFront);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
        }
        return bytes;
    }();
    return front;
}

// A file of a generated front, overlaid by a head, and the input's tail; a read that reaches
// outside it is a fault of the reader, whatever the result.
class CFuzzSource : public IPackageSource {
public:
    CFuzzSource(uint64_t frontLength, const uint8_t* head, size_t headLength, const uint8_t* tail,
                size_t tailLength, bool failImageRead)
        : m_front(frontLength), m_head(head), m_headLength(headLength), m_tail(tail),
          m_tailLength(tailLength), m_failImageRead(failImageRead) {}

    uint64_t Length() const override { return m_front + m_tailLength; }

    bool ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
        FUZZ_CHECK(offset <= Length() && length <= Length() - offset);
        if (m_failImageRead && length > kImageUnit) {
            return false;
        }
        const size_t fromFront =
            offset < m_front ? static_cast<size_t>(std::min<uint64_t>(length, m_front - offset)) : 0;
        if (fromFront > 0) {
            std::memcpy(out, Front().data() + offset, fromFront);
        }
        if (length > fromFront) {
            std::memcpy(out + fromFront, m_tail + (offset + fromFront - m_front), length - fromFront);
        }
        for (uint64_t at = offset; at < m_headLength && at - offset < length; ++at) {
            out[at - offset] = m_head[at];
        }
        return true;
    }

    uint8_t ByteAt(uint64_t offset) const {
        return offset < m_headLength ? m_head[offset]
               : offset < m_front    ? Front()[offset]
                                     : m_tail[offset - m_front];
    }

private:
    uint64_t m_front;
    const uint8_t* m_head;
    size_t m_headLength;
    const uint8_t* m_tail;
    size_t m_tailLength;
    bool m_failImageRead;
};

// What the reader must answer for this file, from the trailer in front of where the data ends.
// The PE rules themselves are the native tests' (FirmwarePackage.SignedShapes); here, a table
// found starts on a multiple of 8 bytes, inside the file, with room for an entry's header.
EPackageError ExpectedResult(CFuzzSource& source, bool failImageRead, uint64_t& end, uint32_t& imageLength) {
    const ESignature signature = FindCertificateTable(source, end);
    FUZZ_CHECK(signature == ESignature::kTable ? end % kSignatureAlignment == 0 && end + 8 <= source.Length()
                                               : end == source.Length());
    if (signature != ESignature::kNone && signature != ESignature::kTable) {
        return EPackageError::kRunTime;
    }
    if (end < kPackageTrailerSize) {
        return EPackageError::kRunTime;
    }
    imageLength = static_cast<uint32_t>(source.ByteAt(end - 3)) << 16 |
                  static_cast<uint32_t>(source.ByteAt(end - 2)) << 8 | source.ByteAt(end - 1);
    if (imageLength > kMaxImageLength) {
        return EPackageError::kTooLarge;
    }
    if (imageLength + uint64_t{kPackageTrailerSize} > end) {
        return EPackageError::kRunTime;
    }
    if ((imageLength + kImageUnit - 1) / kImageUnit * kImageUnit < kMinImageSize) {
        return EPackageError::kFileInfo;
    }
    return failImageRead ? EPackageError::kRunTime : EPackageError::kNone;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t flags = data[0];
    ++data;
    --size;
    uint32_t front = 0;
    const uint8_t* head = nullptr;
    size_t headLength = 0;
    if ((flags & 1) != 0) {
        if (size < 3) {
            return 0;
        }
        front = static_cast<uint32_t>(data[0]) << 16 | static_cast<uint32_t>(data[1]) << 8 | data[2];
        if (front > kMaxFront) {
            return 0;
        }
        data += 3;
        size -= 3;
        if ((flags & 4) != 0) {
            if (size < 2) {
                return 0;
            }
            headLength = static_cast<size_t>(data[0]) << 8 | data[1];
            if (headLength > front || headLength > size - 2) {
                return 0;
            }
            head = data + 2;
            data += 2 + headLength;
            size -= 2 + headLength;
        }
    }
    const bool failImageRead = (flags & 2) != 0;
    CFuzzSource source(front, head, headLength, data, size, failImageRead);

    SFirmwareImage image;
    image.m_data.assign(3, 0x5A); // left over from an earlier load: must not survive
    image.m_version = L"old";
    const EPackageError result = ReadFirmwarePackage(source, image);

    uint64_t end = 0;
    uint32_t imageLength = 0;
    FUZZ_CHECK(result == ExpectedResult(source, failImageRead, end, imageLength));
    FUZZ_CHECK((result == EPackageError::kNone) == (PackageErrorText(result)[0] == L'\0'));
    if (result != EPackageError::kNone) {
        FUZZ_CHECK(image.m_data.empty() && image.m_version.empty());
        return 0;
    }
    FUZZ_CHECK(image.m_data.size() == (imageLength + kImageUnit - 1) / kImageUnit * kImageUnit);
    // A version record whose first four bytes are zero names the version.
    if (image.m_data.size() >= kVersionRecordOffset + kVersionRecordSize) {
        const uint8_t* record = image.m_data.data() + kVersionRecordOffset;
        if ((record[0] | record[1] | record[2] | record[3]) == 0) {
            FUZZ_CHECK(image.m_version == std::to_wstring(record[9]) + L"." + std::to_wstring(record[10]) +
                                              L"." + std::to_wstring(record[11]));
        }
    }

    // Enciphered again, the image's first and last units and the version record's: the file's
    // N image bytes, then the 0xFF fill the reader started from. (Every unit would double the
    // time of an input, and the reader treats them all alike.)
    uint8_t key[8];
    for (size_t i = 0; i < 8; ++i) {
        key[i] = source.ByteAt(end - kPackageTrailerSize + 8 + i);
    }
    const CDesKeySchedule schedule(key);
    const uint64_t start = end - kPackageTrailerSize - imageLength;
    const size_t imageSize = image.m_data.size();
    for (size_t unit : {size_t{0}, size_t{kImageUnit}, size_t{kVersionRecordOffset},
                        imageSize - 2 * kImageUnit, imageSize - kImageUnit}) {
        if (unit + kImageUnit > imageSize) {
            continue; // an image of kMinImageSize ends where the record would start
        }
        uint8_t again[kImageUnit];
        std::memcpy(again, image.m_data.data() + unit, kImageUnit);
        schedule.TransformBlocks(again, kImageUnit / 8, kDesEncipher);
        for (size_t i = 0; i < kImageUnit; ++i) {
            FUZZ_CHECK(again[i] == (unit + i < imageLength ? source.ByteAt(start + unit + i) : 0xFF));
        }
    }
    return 0;
}
