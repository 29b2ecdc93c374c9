#include "devsim/SimEngine.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "devsim/SimBytes.h"
#include "devsim/SimFlash.h"
#include "devsim/SimLog.h"

namespace nerasim {

namespace {

void SleepMs(uint32_t ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The log's text for written area data.
std::string DataText(const uint8_t* data, size_t length) {
    return data == nullptr ? std::string("null") : HexFromBytes(data, length);
}

} // namespace

CSimEngine& CSimEngine::Instance() {
    static CSimEngine engine;
    return engine;
}

uint32_t CSimEngine::Open(uint32_t productFamily) {
    if (productFamily != kLanProductFamily)
        return 0;
    auto store = std::make_shared<CSimStore>(CSimSettings::ResolveStoreFolder());
    if (!store->EnsureWithDefaultModule(m_openWaitMs))
        return 0;
    std::string module;
    uint64_t lineChanges = 0;
    uint32_t delay = 0;
    {
        CStoreLock lock(*store, m_openWaitMs);
        if (!lock.IsLocked() || !store->FindOpenModule(module))
            return 0;
        lineChanges = store->LineChanges();
        CModuleConfig config;
        std::string error;
        if (!store->LoadConfig(module, config, error))
            return 0;
        if (TakeFault(config.m_failOpen)) {
            store->SaveConfig(module, config);
            return 0;
        }
        delay = config.m_delayMs;
    }
    SleepMs(delay);

    std::lock_guard<std::mutex> guard(m_mutex);
    uint32_t handle = m_nextHandle++;
    if (m_nextHandle == 0)
        m_nextHandle = 1;
    SSession session;
    session.m_store = std::move(store);
    session.m_module = module;
    session.m_lineChanges = lineChanges;
    m_sessions[handle] = session;
    return handle;
}

int CSimEngine::Release(uint32_t handle) {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_sessions.erase(handle) == 1 ? kSimOk : kSimBadHandle;
}

bool CSimEngine::FindSession(uint32_t handle, SSession& session) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    auto it = m_sessions.find(handle);
    if (it == m_sessions.end())
        return false;
    session = it->second;
    return true;
}

bool CSimEngine::StoreFolder(uint32_t handle, std::string& folder) const {
    SSession session;
    if (!FindSession(handle, session))
        return false;
    folder = session.m_store->Folder();
    return true;
}

size_t CSimEngine::OpenHandleCount() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_sessions.size();
}

template <typename TOperation>
int CSimEngine::DeviceCall(uint32_t handle, ETimeout timeout, TOperation operation) {
    using Clock = std::chrono::steady_clock;
    SSession session;
    if (!FindSession(handle, session))
        return kSimBadHandle;
    uint32_t limit = 0;
    if (timeout == ETimeout::kRead)
        limit = session.m_readTimeoutMs;
    else if (timeout == ETimeout::kWrite)
        limit = session.m_writeTimeoutMs;
    CSimStore& store = *session.m_store;
    CModuleConfig config;
    std::string error;
    if (timeout == ETimeout::kRead) {
        // A read of a module that nobody changed since this handle's last call is answered
        // from memory, without the store lock. It is taken instead when the read finds
        // anything missing, counts a fault down or has a delay to serve.
        CCachedStoreRead cached(store);
        if (cached.IsActive() && store.LineChanges() == session.m_lineChanges &&
            store.HasModule(session.m_module) && store.LoadConfig(session.m_module, config, error) &&
            config.m_delayMs == 0) {
            std::string before = config.Format();
            int result = operation(store, session.m_module, config);
            if (cached.Finish() && config.Format() == before)
                return result;
        }
    }
    const Clock::time_point start = Clock::now();
    CStoreLock lock(store, limit == 0 ? kWaitForever : limit);
    if (lock.TimedOut())
        return kSimTimeout;
    if (!lock.IsLocked())
        return kSimStoreError;
    if (store.LineChanges() != session.m_lineChanges || !store.HasModule(session.m_module))
        return kSimNoModule;
    if (!store.LoadConfig(session.m_module, config, error))
        return kSimStoreError;
    if (config.m_delayMs > 0) {
        // The module "works" for its delay without holding the store. The lock waits before
        // and after it share the time-out.
        auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        uint32_t left = limit == 0 ? kWaitForever : spent >= limit ? 0 : limit - static_cast<uint32_t>(spent);
        lock.Unlock();
        if (limit != 0 && config.m_delayMs > limit) {
            SleepMs(left);
            return kSimTimeout;
        }
        SleepMs(config.m_delayMs);
        if (!lock.Relock(left))
            return lock.TimedOut() ? kSimTimeout : kSimStoreError;
        if (store.LineChanges() != session.m_lineChanges || !store.HasModule(session.m_module))
            return kSimNoModule;
        if (!store.LoadConfig(session.m_module, config, error))
            return kSimStoreError;
    }
    std::string before = config.Format();
    int result = operation(store, session.m_module, config);
    if (config.Format() != before && !store.SaveConfig(session.m_module, config))
        return kSimStoreError;
    return result;
}

uint32_t CSimEngine::NeraFlashModeOpen(uint32_t reserved) {
    uint32_t handle = Open(kLanProductFamily);
    AppendCallLog(CLogLine("Q5120_NeraFlashModeOpen").Dec("reserved", reserved).Result(handle));
    return handle;
}

int CSimEngine::NeraFlashModeClose(uint32_t handle, uint32_t reserved) {
    int result = Release(handle);
    AppendCallLog(
        CLogLine("Q5120_NeraFlashModeClose").Dec("h", handle).Dec("reserved", reserved).Result(result));
    return result;
}

uint32_t CSimEngine::FlashModeOpen(uint32_t productFamily, uint32_t reserved) {
    uint32_t handle = Open(productFamily);
    AppendCallLog(CLogLine("Q5120_FlashModeOpen")
                      .Hex("family", productFamily)
                      .Dec("reserved", reserved)
                      .Result(handle));
    return handle;
}

int CSimEngine::FlashModeClose(uint32_t handle, uint32_t reserved) {
    int result = Release(handle);
    AppendCallLog(CLogLine("Q5120_FlashModeClose").Dec("h", handle).Dec("reserved", reserved).Result(result));
    return result;
}

int CSimEngine::GetProductInfo(uint32_t handle, SProductInfo& info) {
    SProductInfo collected;
    std::memset(&collected, 0, sizeof collected);
    int result = DeviceCall(
        handle, ETimeout::kRead, [&](CSimStore& store, const std::string& module, CModuleConfig& config) {
            if (TakeFault(config.m_failProductInfo))
                return kSimDeviceFault;
            CopyField(collected.product, sizeof collected.product, config.m_product);
            CopyField(collected.module, sizeof collected.module, module);
            collected.hwCode = config.m_hwCode;
            bool ok =
                store.ReadFlash(module, kVersionRecordAddress, collected.versionRecord, kVersionRecordSize) &&
                store.ReadArea(module, kSettingsArea, collected.settings) &&
                store.ReadArea(module, kIdentityArea, collected.identity);
            return ok ? kSimOk : kSimStoreError;
        });
    if (result == kSimOk)
        info = collected;
    return result;
}

int CSimEngine::ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer) {
    int result = CheckCall(handle, buffer != nullptr && area < kAreaCount);
    if (result == kSimOk) {
        uint8_t data[kAreaSize];
        result = DeviceCall(handle, ETimeout::kRead,
                            [&](CSimStore& store, const std::string& module, CModuleConfig& config) {
                                if (TakeFault(config.m_failAreaRead))
                                    return kSimDeviceFault;
                                return store.ReadArea(module, area, data) ? kSimOk : kSimStoreError;
                            });
        if (result == kSimOk)
            std::memcpy(buffer, data, kAreaSize);
    }
    AppendCallLog(CLogLine("Kivo_FlshReadRWArea").Dec("h", handle).Dec("area", area).Result(result));
    return result;
}

int CSimEngine::WriteRWArea(uint32_t handle, uint32_t area, const uint8_t* data) {
    int result = CheckCall(handle, data != nullptr && area < kAreaCount);
    if (result == kSimOk) {
        result = DeviceCall(handle, ETimeout::kWrite,
                            [&](CSimStore& store, const std::string& module, CModuleConfig& config) {
                                if (TakeFault(config.m_failAreaWrite))
                                    return kSimDeviceFault;
                                return store.WriteArea(module, area, data) ? kSimOk : kSimStoreError;
                            });
    }
    AppendCallLog(CLogLine("Kivo_FlshWriteRWArea")
                      .Dec("h", handle)
                      .Dec("area", area)
                      .Text("data", DataText(data, kAreaSize))
                      .Result(result));
    return result;
}

int CSimEngine::Close(uint32_t handle) {
    int result = Release(handle);
    AppendCallLog(CLogLine("Kivo_Close").Dec("h", handle).Result(result));
    return result;
}

int CSimEngine::SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
    int result = kSimBadHandle;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        auto it = m_sessions.find(handle);
        if (it != m_sessions.end()) {
            it->second.m_readTimeoutMs = readTimeoutMs;
            it->second.m_writeTimeoutMs = writeTimeoutMs;
            result = kSimOk;
        }
    }
    AppendCallLog(CLogLine("Kivo_SetTimeouts")
                      .Dec("h", handle)
                      .Dec("read", readTimeoutMs)
                      .Dec("write", writeTimeoutMs)
                      .Result(result));
    return result;
}

int CSimEngine::EchoTest(uint32_t handle) {
    int result =
        DeviceCall(handle, ETimeout::kRead, [&](CSimStore&, const std::string&, CModuleConfig& config) {
            return TakeFault(config.m_failEcho) ? kSimDeviceFault : kSimOk;
        });
    AppendCallLog(CLogLine("Kivo_FlshEchoTest").Dec("h", handle).Result(result));
    return result;
}

int CSimEngine::ReadHwVersion(uint32_t handle, uint32_t* hwCode) {
    int result = CheckCall(handle, hwCode != nullptr);
    if (result == kSimOk) {
        uint32_t code = 0;
        result =
            DeviceCall(handle, ETimeout::kRead, [&](CSimStore&, const std::string&, CModuleConfig& config) {
                if (TakeFault(config.m_failHwVersion))
                    return kSimDeviceFault;
                code = config.m_hwCode;
                return kSimOk;
            });
        if (result == kSimOk)
            *hwCode = code;
    }
    AppendCallLog(CLogLine("Kivo_FlshReadHwVersion").Dec("h", handle).Result(result));
    return result;
}

int CSimEngine::FlashRead(uint32_t handle, uint32_t address, uint8_t* buffer) {
    int result = CheckCall(handle, buffer != nullptr);
    if (result == kSimOk && !IsFlashRange(address, kFlashReadUnit))
        result = kSimOutOfRange;
    if (result == kSimOk) {
        uint8_t data[kFlashReadUnit];
        result = DeviceCall(handle, ETimeout::kRead,
                            [&](CSimStore& store, const std::string& module, CModuleConfig& config) {
                                // A failing unit: the read stops with nothing delivered.
                                if (config.m_hasFailReadAddress && config.m_failReadAddress >= address &&
                                    config.m_failReadAddress - address < kFlashReadUnit)
                                    return kSimDeviceFault;
                                if (!store.ReadFlash(module, address, data, kFlashReadUnit))
                                    return kSimStoreError;
                                // A weak cell: the chosen byte reads back with every bit inverted.
                                if (config.m_hasBadByte && config.m_badByteAddress >= address &&
                                    config.m_badByteAddress - address < kFlashReadUnit)
                                    data[config.m_badByteAddress - address] ^= 0xFFu;
                                return kSimOk;
                            });
        if (result == kSimOk)
            std::memcpy(buffer, data, kFlashReadUnit);
    }
    AppendCallLog(CLogLine("Kivo_FlshRead").Dec("h", handle).Hex("addr", address).Result(result));
    return result;
}

uint32_t CSimEngine::GetEraseBlk(uint32_t imageLength) {
    uint32_t blocks = EraseBlocksForLength(imageLength);
    AppendCallLog(CLogLine("Kivo_FlshGetEraseBlk").Hex("len", imageLength).HexResult(blocks));
    return blocks;
}

int CSimEngine::Erase(uint32_t handle, uint32_t eraseBlocks) {
    int result = CheckCall(handle, (eraseBlocks & ~kEraseBlockBitsMask) == 0);
    if (result == kSimOk) {
        result = DeviceCall(
            handle, ETimeout::kWrite, [&](CSimStore& store, const std::string& module, CModuleConfig&) {
                std::vector<uint8_t> erased(0x10000, kErasedByte);
                for (unsigned bit = 0; bit < 16; ++bit) {
                    SEraseBlock block;
                    if ((eraseBlocks & (1u << bit)) == 0 || !EraseBlockRange(bit, block))
                        continue;
                    if (!store.WriteFlash(module, block.start, erased.data(), block.end - block.start))
                        return kSimStoreError;
                }
                return kSimOk;
            });
    }
    AppendCallLog(CLogLine("Kivo_FlshErase").Dec("h", handle).Hex("blocks", eraseBlocks).Result(result));
    return result;
}

int CSimEngine::FlashWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length) {
    int result = CheckCall(handle, data != nullptr || length == 0);
    if (result == kSimOk && !IsFlashRange(address, length))
        result = kSimOutOfRange;
    else if (result == kSimOk && TouchesMonitor(address, length))
        result = kSimProtected;
    if (result == kSimOk && length > 0) {
        result = DeviceCall(
            handle, ETimeout::kWrite, [&](CSimStore& store, const std::string& module, CModuleConfig&) {
                std::vector<uint8_t> cells(length);
                if (!store.ReadFlash(module, address, cells.data(), length))
                    return kSimStoreError;
                ProgramCells(cells.data(), data, length);
                return store.WriteFlash(module, address, cells.data(), length) ? kSimOk : kSimStoreError;
            });
    }
    // The data is read for its checksum only when the call accepted it: a rejected length may
    // be longer than the caller's buffer.
    bool accepted = data != nullptr && IsFlashRange(address, length) && !TouchesMonitor(address, length);
    AppendCallLog(CLogLine("Kivo_FlshWrite")
                      .Dec("h", handle)
                      .Hex("addr", address)
                      .Hex("len", length)
                      .Hex("crc", accepted ? Crc32(data, length) : 0)
                      .Result(result));
    return result;
}

int CSimEngine::CheckCall(uint32_t handle, bool argumentsValid) const {
    SSession session;
    if (!FindSession(handle, session))
        return kSimBadHandle;
    return argumentsValid ? kSimOk : kSimBadArgument;
}

} // namespace nerasim
