#pragma once
// Private exports of Kivo5120.dll that Q5120Common.dll calls: the open handles live in one
// library, so the flash-mode open and close calls and the product-information data are
// served there.

#include <cstdint>

#include "common/Kivo5120.h"
#include "devsim/SimModule.h"

extern "C" {
uint32_t KIVO_API KivoSim_NeraFlashModeOpen(uint32_t reserved);
int KIVO_API KivoSim_NeraFlashModeClose(uint32_t handle, uint32_t reserved);
uint32_t KIVO_API KivoSim_FlashModeOpen(uint32_t productFamily, uint32_t reserved);
int KIVO_API KivoSim_FlashModeClose(uint32_t handle, uint32_t reserved);
int KIVO_API KivoSim_GetProductInfo(uint32_t handle, nerasim::SProductInfo* info);
// The store folder of the handle's module as UTF-8, zero-terminated, when size is enough.
// Returns the size it needs (terminator included), 0 for an unknown handle.
uint32_t KIVO_API KivoSim_GetStoreFolder(uint32_t handle, char* buffer, uint32_t size);
}
