#pragma once
// The simulated device libraries behind the sixteen exported functions: the table of open
// handles, fault injection, time-outs, flash rules and the call log. One instance serves a
// process; the exported functions of both libraries forward to it.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "devsim/SimModule.h"
#include "devsim/SimStore.h"

namespace nerasim {

// Results of the device calls (0 = success).
constexpr int kSimOk = 0;
constexpr int kSimBadHandle = 1;      // unknown or closed handle
constexpr int kSimBadArgument = 2;    // null buffer, area number, erase bits outside 0-15
constexpr int kSimNoModule = 3;       // the module of the handle was removed from the store
constexpr int kSimDeviceFault = 4;    // injected fault
constexpr int kSimTimeout = 5;        // the call's delay exceeded its time-out
constexpr int kSimOutOfRange = 6;     // flash range outside the flash
constexpr int kSimProtected = 7;      // write into the boot monitor
constexpr int kSimStoreError = 8;     // store files missing, damaged or not writable
constexpr int kSimInternalError = 10; // the library itself failed (out of memory)

// The only product family whose modules the store holds.
constexpr uint32_t kLanProductFamily = 0x40000000u;
// Time-outs of a new handle, in ms; 0 means no time-out.
constexpr uint32_t kDefaultTimeoutMs = 5000;

// Handles live in process memory, module state in the store, so that a program's handle
// stays valid across calls while other programs use the same store.
class CSimEngine {
public:
    // openWaitMs: how long open calls wait for another program's store lock.
    explicit CSimEngine(uint32_t openWaitMs = kDefaultTimeoutMs) : m_openWaitMs(openWaitMs) {}

    // The instance that a library's exported functions use.
    static CSimEngine& Instance();

    uint32_t NeraFlashModeOpen(uint32_t reserved);
    int NeraFlashModeClose(uint32_t handle, uint32_t reserved);
    uint32_t FlashModeOpen(uint32_t productFamily, uint32_t reserved);
    int FlashModeClose(uint32_t handle, uint32_t reserved);
    // Data for the product-information window; honours the product-information fault.
    // Not logged: the window's caller logs Q5120_ShowProductInfo once it has closed.
    int GetProductInfo(uint32_t handle, SProductInfo& info);

    int ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer);
    int WriteRWArea(uint32_t handle, uint32_t area, const uint8_t* data);
    int Close(uint32_t handle);
    int SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs);
    int EchoTest(uint32_t handle);
    int ReadHwVersion(uint32_t handle, uint32_t* hwCode);
    int FlashRead(uint32_t handle, uint32_t address, uint8_t* buffer);
    static uint32_t GetEraseBlk(uint32_t imageLength);
    int Erase(uint32_t handle, uint32_t eraseBlocks);
    int FlashWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length);

    // The store folder of a handle's module (no device call: not logged, no fault).
    bool StoreFolder(uint32_t handle, std::string& folder) const;
    size_t OpenHandleCount() const;

private:
    // What a handle stands for: a module of a store, with the time-outs set on it. The store
    // object keeps what it read of the module between the handle's calls.
    struct SSession {
        std::shared_ptr<CSimStore> m_store;
        std::string m_module;
        // The store's attaches and detaches at the open: after another one the module counts as
        // unplugged, as on a production line.
        uint64_t m_lineChanges = 0;
        uint32_t m_readTimeoutMs = kDefaultTimeoutMs;
        uint32_t m_writeTimeoutMs = kDefaultTimeoutMs;
    };
    enum class ETimeout { kNone, kRead, kWrite };

    uint32_t Open(uint32_t productFamily);
    int Release(uint32_t handle);
    bool FindSession(uint32_t handle, SSession& session) const;
    // kSimBadHandle for an unknown handle, else kSimBadArgument unless the arguments are valid.
    int CheckCall(uint32_t handle, bool argumentsValid) const;
    // Runs one device operation on the handle's module under the store lock, saving changed
    // counters. The chosen time-out bounds the waits for the lock (kSimTimeout when another
    // program holds it longer) and the module's delay.
    template <typename TOperation> int DeviceCall(uint32_t handle, ETimeout timeout, TOperation operation);

    const uint32_t m_openWaitMs;
    mutable std::mutex m_mutex;
    std::map<uint32_t, SSession> m_sessions;
    uint32_t m_nextHandle = 1;
};

} // namespace nerasim
