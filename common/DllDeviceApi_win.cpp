#include "common/DllDeviceApi_win.h"

#include "common/Kivo5120.h"
#include "common/Q5120Common.h"

uint32_t CDllDeviceApi::NeraFlashModeOpen(uint32_t reserved) {
    return Q5120_NeraFlashModeOpen(reserved);
}

int CDllDeviceApi::NeraFlashModeClose(uint32_t handle, uint32_t reserved) {
    return Q5120_NeraFlashModeClose(handle, reserved);
}

uint32_t CDllDeviceApi::FlashModeOpen(uint32_t productFamily, uint32_t reserved) {
    return Q5120_FlashModeOpen(productFamily, reserved);
}

int CDllDeviceApi::FlashModeClose(uint32_t handle, uint32_t reserved) {
    return Q5120_FlashModeClose(handle, reserved);
}

int CDllDeviceApi::ShowProductInfo(uint32_t handle) {
    return Q5120_ShowProductInfo(handle);
}

int CDllDeviceApi::OptionDlg2() {
    return Q5120_OptionDlg2();
}

int CDllDeviceApi::ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer128) {
    return Kivo_FlshReadRWArea(handle, area, buffer128);
}

int CDllDeviceApi::WriteRWArea(uint32_t handle, uint32_t area, const uint8_t* buffer128) {
    return Kivo_FlshWriteRWArea(handle, area, buffer128);
}

int CDllDeviceApi::Close(uint32_t handle) {
    return Kivo_Close(handle);
}

int CDllDeviceApi::SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
    return Kivo_SetTimeouts(handle, readTimeoutMs, writeTimeoutMs);
}

int CDllDeviceApi::EchoTest(uint32_t handle) {
    return Kivo_FlshEchoTest(handle);
}

int CDllDeviceApi::ReadHwVersion(uint32_t handle, uint32_t* hwCode) {
    return Kivo_FlshReadHwVersion(handle, hwCode);
}

int CDllDeviceApi::FlashRead(uint32_t handle, uint32_t address, uint8_t* buffer128) {
    return Kivo_FlshRead(handle, address, buffer128);
}

uint32_t CDllDeviceApi::GetEraseBlk(uint32_t imageLength) {
    return Kivo_FlshGetEraseBlk(imageLength);
}

int CDllDeviceApi::Erase(uint32_t handle, uint32_t eraseBlocks) {
    return Kivo_FlshErase(handle, eraseBlocks);
}

int CDllDeviceApi::FlashWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length) {
    return Kivo_FlshWrite(handle, address, data, length);
}
