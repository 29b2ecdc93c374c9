#pragma once
// IDeviceApi bound to Kivo5120.dll and Q5120Common.dll when a program first needs them, from the
// program's own folder, instead of through the import table: a console tool copied without the
// libraries still starts, and can say which files it misses.
#include <windows.h>

#include "common/DeviceApi.h"

class CRuntimeDeviceApi : public IDeviceApi {
public:
    CRuntimeDeviceApi() = default;
    ~CRuntimeDeviceApi() override;
    CRuntimeDeviceApi(const CRuntimeDeviceApi&) = delete;
    CRuntimeDeviceApi& operator=(const CRuntimeDeviceApi&) = delete;

    // Loads both libraries beside the running program and finds the sixteen functions; false
    // when a library or a function is missing (nothing stays loaded then).
    bool Load();

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

private:
    void Unload();

    HMODULE m_kivo = nullptr;
    HMODULE m_q5120 = nullptr;
    // The functions, in the order of kFunctionNames in the .cpp file.
    FARPROC m_functions[16] = {};
};
