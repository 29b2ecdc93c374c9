#pragma once
// The sixteen calls into the device libraries behind one interface. The programs bind it to
// Kivo5120.dll and Q5120Common.dll; native tests bind it to the simulated module's engine, so
// that a whole sequence of calls and every failure path can be tested without Windows.

#include <cstdint>

class IDeviceApi {
public:
    virtual ~IDeviceApi() = default;

    // Q5120Common: flash-rewrite mode and the library's own windows. Open calls return a
    // handle, 0 = failure.
    virtual uint32_t NeraFlashModeOpen(uint32_t reserved) = 0;
    virtual int NeraFlashModeClose(uint32_t handle, uint32_t reserved) = 0;
    virtual uint32_t FlashModeOpen(uint32_t productFamily, uint32_t reserved) = 0;
    virtual int FlashModeClose(uint32_t handle, uint32_t reserved) = 0;
    virtual int ShowProductInfo(uint32_t handle) = 0;
    virtual int OptionDlg2() = 0;

    // Kivo5120: areas, flash and time-outs of an open module. 0 = success.
    virtual int ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer128) = 0;
    virtual int WriteRWArea(uint32_t handle, uint32_t area, const uint8_t* buffer128) = 0;
    virtual int Close(uint32_t handle) = 0;
    virtual int SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs) = 0;
    virtual int EchoTest(uint32_t handle) = 0;
    virtual int ReadHwVersion(uint32_t handle, uint32_t* hwCode) = 0;
    virtual int FlashRead(uint32_t handle, uint32_t address, uint8_t* buffer128) = 0;
    virtual uint32_t GetEraseBlk(uint32_t imageLength) = 0;
    virtual int Erase(uint32_t handle, uint32_t eraseBlocks) = 0;
    virtual int FlashWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length) = 0;
};
