#include "devsim/SimDeviceApi.h"

#include "devsim/SimEngine.h"
#include "devsim/SimLog.h"

namespace nerasim {

namespace {

CSimEngine& Engine() {
    return CSimEngine::Instance();
}

} // namespace

uint32_t CSimDeviceApi::NeraFlashModeOpen(uint32_t reserved) {
    return Engine().NeraFlashModeOpen(reserved);
}

int CSimDeviceApi::NeraFlashModeClose(uint32_t handle, uint32_t reserved) {
    return Engine().NeraFlashModeClose(handle, reserved);
}

uint32_t CSimDeviceApi::FlashModeOpen(uint32_t productFamily, uint32_t reserved) {
    return Engine().FlashModeOpen(productFamily, reserved);
}

int CSimDeviceApi::FlashModeClose(uint32_t handle, uint32_t reserved) {
    return Engine().FlashModeClose(handle, reserved);
}

int CSimDeviceApi::ShowProductInfo(uint32_t handle) {
    SProductInfo info;
    int result = Engine().GetProductInfo(handle, info);
    AppendCallLog(CLogLine("Q5120_ShowProductInfo").Dec("h", handle).Result(result));
    return result;
}

int CSimDeviceApi::OptionDlg2() {
    AppendCallLog(CLogLine("Q5120_OptionDlg2").Result(kSimOk));
    return kSimOk;
}

int CSimDeviceApi::ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer128) {
    return Engine().ReadRWArea(handle, area, buffer128);
}

int CSimDeviceApi::WriteRWArea(uint32_t handle, uint32_t area, const uint8_t* buffer128) {
    return Engine().WriteRWArea(handle, area, buffer128);
}

int CSimDeviceApi::Close(uint32_t handle) {
    return Engine().Close(handle);
}

int CSimDeviceApi::SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
    return Engine().SetTimeouts(handle, readTimeoutMs, writeTimeoutMs);
}

int CSimDeviceApi::EchoTest(uint32_t handle) {
    return Engine().EchoTest(handle);
}

int CSimDeviceApi::ReadHwVersion(uint32_t handle, uint32_t* hwCode) {
    return Engine().ReadHwVersion(handle, hwCode);
}

int CSimDeviceApi::FlashRead(uint32_t handle, uint32_t address, uint8_t* buffer128) {
    return Engine().FlashRead(handle, address, buffer128);
}

uint32_t CSimDeviceApi::GetEraseBlk(uint32_t imageLength) {
    return CSimEngine::GetEraseBlk(imageLength);
}

int CSimDeviceApi::Erase(uint32_t handle, uint32_t eraseBlocks) {
    return Engine().Erase(handle, eraseBlocks);
}

int CSimDeviceApi::FlashWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length) {
    return Engine().FlashWrite(handle, address, data, length);
}

} // namespace nerasim
