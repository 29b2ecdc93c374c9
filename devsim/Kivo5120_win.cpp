// Exported functions of Kivo5120.dll. Each forwards to the process's simulation engine,
// which checks the handle and arguments, applies the module's faults and logs the call.
#include <windows.h>

#include <cstring>
#include <string>

#include "common/Kivo5120.h"
#include "devsim/KivoSimBridge.h"
#include "devsim/NoThrow.h"
#include "devsim/SimEngine.h"

using nerasim::CSimEngine;
using nerasim::kSimInternalError;

extern "C" {

int KIVO_API Kivo_FlshReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer128) {
    return NoThrow(kSimInternalError,
                   [&] { return CSimEngine::Instance().ReadRWArea(handle, area, buffer128); });
}

int KIVO_API Kivo_FlshWriteRWArea(uint32_t handle, uint32_t area, const uint8_t* buffer128) {
    return NoThrow(kSimInternalError,
                   [&] { return CSimEngine::Instance().WriteRWArea(handle, area, buffer128); });
}

int KIVO_API Kivo_Close(uint32_t handle) {
    return NoThrow(kSimInternalError, [&] { return CSimEngine::Instance().Close(handle); });
}

int KIVO_API Kivo_SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
    return NoThrow(kSimInternalError,
                   [&] { return CSimEngine::Instance().SetTimeouts(handle, readTimeoutMs, writeTimeoutMs); });
}

int KIVO_API Kivo_FlshEchoTest(uint32_t handle) {
    return NoThrow(kSimInternalError, [&] { return CSimEngine::Instance().EchoTest(handle); });
}

int KIVO_API Kivo_FlshReadHwVersion(uint32_t handle, uint32_t* hwCode) {
    return NoThrow(kSimInternalError, [&] { return CSimEngine::Instance().ReadHwVersion(handle, hwCode); });
}

int KIVO_API Kivo_FlshRead(uint32_t handle, uint32_t address, uint8_t* buffer128) {
    return NoThrow(kSimInternalError,
                   [&] { return CSimEngine::Instance().FlashRead(handle, address, buffer128); });
}

uint32_t KIVO_API Kivo_FlshGetEraseBlk(uint32_t imageLength) {
    return NoThrow(0u, [&] { return CSimEngine::GetEraseBlk(imageLength); });
}

int KIVO_API Kivo_FlshErase(uint32_t handle, uint32_t eraseBlocks) {
    return NoThrow(kSimInternalError, [&] { return CSimEngine::Instance().Erase(handle, eraseBlocks); });
}

int KIVO_API Kivo_FlshWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length) {
    return NoThrow(kSimInternalError,
                   [&] { return CSimEngine::Instance().FlashWrite(handle, address, data, length); });
}

uint32_t KIVO_API KivoSim_NeraFlashModeOpen(uint32_t reserved) {
    return NoThrow(0u, [&] { return CSimEngine::Instance().NeraFlashModeOpen(reserved); });
}

int KIVO_API KivoSim_NeraFlashModeClose(uint32_t handle, uint32_t reserved) {
    return NoThrow(kSimInternalError,
                   [&] { return CSimEngine::Instance().NeraFlashModeClose(handle, reserved); });
}

uint32_t KIVO_API KivoSim_FlashModeOpen(uint32_t productFamily, uint32_t reserved) {
    return NoThrow(0u, [&] { return CSimEngine::Instance().FlashModeOpen(productFamily, reserved); });
}

int KIVO_API KivoSim_FlashModeClose(uint32_t handle, uint32_t reserved) {
    return NoThrow(kSimInternalError,
                   [&] { return CSimEngine::Instance().FlashModeClose(handle, reserved); });
}

int KIVO_API KivoSim_GetProductInfo(uint32_t handle, nerasim::SProductInfo* info) {
    if (info == nullptr)
        return nerasim::kSimBadArgument;
    return NoThrow(kSimInternalError, [&] { return CSimEngine::Instance().GetProductInfo(handle, *info); });
}

uint32_t KIVO_API KivoSim_GetStoreFolder(uint32_t handle, char* buffer, uint32_t size) {
    return NoThrow(0u, [&] {
        std::string folder;
        if (!CSimEngine::Instance().StoreFolder(handle, folder) || folder.size() >= 0xFFFFFFFFu)
            return 0u;
        uint32_t needed = static_cast<uint32_t>(folder.size()) + 1;
        if (buffer != nullptr && size >= needed)
            std::memcpy(buffer, folder.c_str(), needed);
        return needed;
    });
}

} // extern "C"
