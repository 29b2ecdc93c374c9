#include "common/RuntimeDeviceApi_win.h"

#include "common/ModulePath_win.h"
#include "common/PathText.h"
#include "common/SystemPath_win.h"

namespace {

// The libraries' calling convention on i686; x86_64 has one convention only.
#define NERA_DEVICE_CALL __stdcall

enum EFunction {
    kNeraFlashModeOpen,
    kNeraFlashModeClose,
    kFlashModeOpen,
    kFlashModeClose,
    kShowProductInfo,
    kOptionDlg2,
    kReadRWArea,
    kWriteRWArea,
    kClose,
    kSetTimeouts,
    kEchoTest,
    kReadHwVersion,
    kFlashRead,
    kGetEraseBlk,
    kErase,
    kFlashWrite,
    kFunctionCount
};

// Each function's exported name and whether Q5120Common.dll (else Kivo5120.dll) exports it.
const struct {
    const char* name;
    bool q5120;
} kFunctionNames[kFunctionCount] = {
    {"Q5120_NeraFlashModeOpen", true}, {"Q5120_NeraFlashModeClose", true}, {"Q5120_FlashModeOpen", true},
    {"Q5120_FlashModeClose", true},    {"Q5120_ShowProductInfo", true},    {"Q5120_OptionDlg2", true},
    {"Kivo_FlshReadRWArea", false},    {"Kivo_FlshWriteRWArea", false},    {"Kivo_Close", false},
    {"Kivo_SetTimeouts", false},       {"Kivo_FlshEchoTest", false},       {"Kivo_FlshReadHwVersion", false},
    {"Kivo_FlshRead", false},          {"Kivo_FlshGetEraseBlk", false},    {"Kivo_FlshErase", false},
    {"Kivo_FlshWrite", false},
};

using OpenFn = uint32_t(NERA_DEVICE_CALL*)(uint32_t);
using FamilyOpenFn = uint32_t(NERA_DEVICE_CALL*)(uint32_t, uint32_t);
using HandleReservedFn = int(NERA_DEVICE_CALL*)(uint32_t, uint32_t);
using HandleFn = int(NERA_DEVICE_CALL*)(uint32_t);
using NoArgumentFn = int(NERA_DEVICE_CALL*)();
using AreaReadFn = int(NERA_DEVICE_CALL*)(uint32_t, uint32_t, uint8_t*);
using AreaWriteFn = int(NERA_DEVICE_CALL*)(uint32_t, uint32_t, const uint8_t*);
using TimeoutsFn = int(NERA_DEVICE_CALL*)(uint32_t, uint32_t, uint32_t);
using HwVersionFn = int(NERA_DEVICE_CALL*)(uint32_t, uint32_t*);
using EraseBlocksFn = uint32_t(NERA_DEVICE_CALL*)(uint32_t);
using FlashWriteFn = int(NERA_DEVICE_CALL*)(uint32_t, uint32_t, const uint8_t*, uint32_t);

template <typename Fn> Fn As(FARPROC function) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(function));
}

// A library by its full path beside the program, so that no other folder is searched for it;
// its own dependencies are then looked for in its folder first.
HMODULE LoadBeside(const wchar_t* name) {
    const std::wstring path = FolderOfPath(ModuleFilePath()) + name;
    return LoadLibraryExW(SystemPathOf(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

CRuntimeDeviceApi::~CRuntimeDeviceApi() {
    Unload();
}

void CRuntimeDeviceApi::Unload() {
    if (m_kivo != nullptr) {
        FreeLibrary(m_kivo);
        m_kivo = nullptr;
    }
    if (m_q5120 != nullptr) {
        FreeLibrary(m_q5120);
        m_q5120 = nullptr;
    }
    for (FARPROC& function : m_functions) {
        function = nullptr;
    }
}

bool CRuntimeDeviceApi::Load() {
    if (m_kivo != nullptr && m_q5120 != nullptr) {
        return true;
    }
    Unload();
    m_kivo = LoadBeside(L"Kivo5120.dll");
    m_q5120 = LoadBeside(L"Q5120Common.dll");
    bool complete = m_kivo != nullptr && m_q5120 != nullptr;
    for (int i = 0; complete && i < kFunctionCount; ++i) {
        m_functions[i] = GetProcAddress(kFunctionNames[i].q5120 ? m_q5120 : m_kivo, kFunctionNames[i].name);
        complete = m_functions[i] != nullptr;
    }
    if (!complete) {
        Unload();
    }
    return complete;
}

uint32_t CRuntimeDeviceApi::NeraFlashModeOpen(uint32_t reserved) {
    return As<OpenFn>(m_functions[kNeraFlashModeOpen])(reserved);
}

int CRuntimeDeviceApi::NeraFlashModeClose(uint32_t handle, uint32_t reserved) {
    return As<HandleReservedFn>(m_functions[kNeraFlashModeClose])(handle, reserved);
}

uint32_t CRuntimeDeviceApi::FlashModeOpen(uint32_t productFamily, uint32_t reserved) {
    return As<FamilyOpenFn>(m_functions[kFlashModeOpen])(productFamily, reserved);
}

int CRuntimeDeviceApi::FlashModeClose(uint32_t handle, uint32_t reserved) {
    return As<HandleReservedFn>(m_functions[kFlashModeClose])(handle, reserved);
}

int CRuntimeDeviceApi::ShowProductInfo(uint32_t handle) {
    return As<HandleFn>(m_functions[kShowProductInfo])(handle);
}

int CRuntimeDeviceApi::OptionDlg2() {
    return As<NoArgumentFn>(m_functions[kOptionDlg2])();
}

int CRuntimeDeviceApi::ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer128) {
    return As<AreaReadFn>(m_functions[kReadRWArea])(handle, area, buffer128);
}

int CRuntimeDeviceApi::WriteRWArea(uint32_t handle, uint32_t area, const uint8_t* buffer128) {
    return As<AreaWriteFn>(m_functions[kWriteRWArea])(handle, area, buffer128);
}

int CRuntimeDeviceApi::Close(uint32_t handle) {
    return As<HandleFn>(m_functions[kClose])(handle);
}

int CRuntimeDeviceApi::SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
    return As<TimeoutsFn>(m_functions[kSetTimeouts])(handle, readTimeoutMs, writeTimeoutMs);
}

int CRuntimeDeviceApi::EchoTest(uint32_t handle) {
    return As<HandleFn>(m_functions[kEchoTest])(handle);
}

int CRuntimeDeviceApi::ReadHwVersion(uint32_t handle, uint32_t* hwCode) {
    return As<HwVersionFn>(m_functions[kReadHwVersion])(handle, hwCode);
}

int CRuntimeDeviceApi::FlashRead(uint32_t handle, uint32_t address, uint8_t* buffer128) {
    return As<AreaReadFn>(m_functions[kFlashRead])(handle, address, buffer128);
}

uint32_t CRuntimeDeviceApi::GetEraseBlk(uint32_t imageLength) {
    return As<EraseBlocksFn>(m_functions[kGetEraseBlk])(imageLength);
}

int CRuntimeDeviceApi::Erase(uint32_t handle, uint32_t eraseBlocks) {
    return As<HandleReservedFn>(m_functions[kErase])(handle, eraseBlocks);
}

int CRuntimeDeviceApi::FlashWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length) {
    return As<FlashWriteFn>(m_functions[kFlashWrite])(handle, address, data, length);
}
