#pragma once
// IDeviceApi bound to Kivo5120.dll and Q5120Common.dll through the import table: a program that
// uses it imports the sixteen functions and cannot start without both libraries.

#include "common/DeviceApi.h"

// Passes every call on to the library function of the same meaning, arguments unchanged.
class CDllDeviceApi : public IDeviceApi {
public:
    uint32_t NeraFlashModeOpen(uint32_t reserved) override;
    int NeraFlashModeClose(uint32_t handle, uint32_t reserved) override;
    uint32_t FlashModeOpen(uint32_t productFamily, uint32_t reserved) override;
    int FlashModeClose(uint32_t handle, uint32_t reserved) override;
    int ShowProductInfo(uint32_t handle) override;
    int OptionDlg2() override;

    int ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer128) override;
    int WriteRWArea(uint32_t handle, uint32_t area, const uint8_t* buffer128) override;
    int Close(uint32_t handle) override;
    int SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs) override;
    int EchoTest(uint32_t handle) override;
    int ReadHwVersion(uint32_t handle, uint32_t* hwCode) override;
    int FlashRead(uint32_t handle, uint32_t address, uint8_t* buffer128) override;
    uint32_t GetEraseBlk(uint32_t imageLength) override;
    int Erase(uint32_t handle, uint32_t eraseBlocks) override;
    int FlashWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length) override;
};
