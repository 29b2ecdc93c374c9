#include "devsim/SimFs.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/ByteOrder.h"

namespace nerasim {

std::string FsJoin(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    char last = folder.back();
    if (last == '/' || last == '\\')
        return folder + name;
    return folder + FsSeparator() + name;
}

ELockResult CFsLock::Lock(uint32_t waitMs) {
    using Clock = std::chrono::steady_clock;
    if (m_locked)
        return ELockResult::kLocked;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    // The lock is polled: no platform offers a record-lock wait with a time limit. Short
    // pauses first, since a holder usually keeps the lock for well under a millisecond.
    std::chrono::microseconds pause(100);
    for (;;) {
        ELockResult result = TryLock();
        if (result != ELockResult::kTimedOut) {
            m_locked = result == ELockResult::kLocked;
            return result;
        }
        Clock::time_point now = Clock::now();
        if (waitMs != kWaitForever && now >= deadline)
            return ELockResult::kTimedOut;
        std::chrono::microseconds left =
            waitMs == kWaitForever ? pause
                                   : std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
        std::this_thread::sleep_for(std::min(pause, left));
        pause = std::min(pause * 2, std::chrono::microseconds(8000));
    }
}

namespace {

// Where the lock file keeps its counters: after the locked byte and seven spare ones.
constexpr uint64_t kCounterOffset = 8;
constexpr size_t kCounterSize = 8;
static_assert(kCounterOffset + kMaxLockCounters * kCounterSize <= kLockFileViewSize,
              "counters outside the view");

} // namespace

bool CFsLock::ReadCounters(uint64_t* values, size_t count) const {
    if (count > kMaxLockCounters)
        return false;
    uint8_t bytes[kMaxLockCounters * kCounterSize] = {};
    size_t got = 0;
    if (!ReadAt(kCounterOffset, bytes, count * kCounterSize, got))
        return false;
    // A new or older lock file is shorter: what it lacks reads as zero.
    std::fill(bytes + got, bytes + sizeof bytes, 0);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &bytes[i * kCounterSize];
        values[i] = static_cast<uint64_t>(LoadLE32(p)) | (static_cast<uint64_t>(LoadLE32(p + 4)) << 32);
    }
    return true;
}

bool CFsLock::WriteCounter(size_t index, uint64_t value) {
    if (index >= kMaxLockCounters)
        return false;
    uint8_t bytes[kCounterSize];
    StoreLE32(bytes, static_cast<uint32_t>(value));
    StoreLE32(bytes + 4, static_cast<uint32_t>(value >> 32));
    return WriteAt(kCounterOffset + index * kCounterSize, bytes, sizeof bytes);
}

} // namespace nerasim
