#pragma once
// What a module tells about itself, read the same way by the updater and by nera: the product
// name of its hardware code and the firmware version in its flash.

#include <cstdint>
#include <string>

#include "common/DeviceApi.h"

// The hardware code a module reports when it reports none.
constexpr uint32_t kNoHwCode = 0xFFFFFFFFu;

// Product name of a module's hardware code ("N/A" for unknown codes).
std::wstring ProductNameFromCode(uint32_t code);

// The firmware version of the module open on handle, from the version record at the start of
// its main program: "%d.%d.%d", or "N/A" when the record cannot be read or is not valid.
std::wstring ReadDeviceVersion(IDeviceApi& device, uint32_t handle);

// Reads the product identifier, the first 16 bytes of area 7, of the module open on handle;
// false when the read fails (identity then holds nothing of the module).
bool ReadModuleIdentity(IDeviceApi& device, uint32_t handle, uint8_t identity[16]);
