#include "common/ModuleInfo.h"

#include <cstring>

#include "common/ByteOrder.h"
#include "common/FlashLayout.h"

namespace {

const wchar_t kNotAvailable[] = L"N/A";

} // namespace

std::wstring ProductNameFromCode(uint32_t code) {
    if (code == 0x80010001u)
        return L"Kivo5120";
    // Every other code is named by its upper 16 bits.
    struct SPrefix {
        uint32_t prefix;
        const wchar_t* name;
    };
    static const SPrefix kPrefixes[] = {
        {0x80010000u, L"Kivo5120F"},   {0x80020000u, L"Kivo5120-S"},   {0x80420000u, L"Kivo5120-SL"},
        {0x20020000u, L"Kivo5120-HS"}, {0x20420000u, L"Kivo5120-HSL"}, {0x40010000u, L"Nera5120"},
        {0x40020000u, L"Nera5120-S"},  {0x40420000u, L"Nera5120-SL"},
    };
    for (const SPrefix& entry : kPrefixes) {
        if ((code & 0xFFFF0000u) == entry.prefix)
            return entry.name;
    }
    return kNotAvailable;
}

std::wstring ReadDeviceVersion(IDeviceApi& device, uint32_t handle) {
    uint8_t record[kFlashUnit] = {};
    if (device.FlashRead(handle, kVersionRecordOffset, record) != 0 || LoadBE32(record) != 0)
        return kNotAvailable;
    return VersionRecordText(record);
}

bool ReadModuleIdentity(IDeviceApi& device, uint32_t handle, uint8_t identity[16]) {
    uint8_t area[kFlashUnit] = {};
    if (device.ReadRWArea(handle, kIdentityArea, area) != 0)
        return false;
    std::memcpy(identity, area, 16);
    return true;
}
