#pragma once
// Flash-rewrite mode entry and exit of the Q5120Common library, and the library's own dialogs.
// A handle returned here is used with the Kivo5120 device-access functions (Kivo5120.h).

#include <cstdint>

#ifndef KIVO_API
#ifdef _WIN32
#define KIVO_API __stdcall
#else
#define KIVO_API
#endif
#endif

// Product family that opens LAN modules with Q5120_FlashModeOpen.
constexpr uint32_t kQ5120FamilyLan = 0x40000000u;

#ifdef __cplusplus
extern "C" {
#endif

// Handle of the first LAN module, in flash-rewrite mode; 0 = failure.
uint32_t KIVO_API Q5120_NeraFlashModeOpen(uint32_t reserved);
int KIVO_API Q5120_NeraFlashModeClose(uint32_t handle, uint32_t reserved);
// Handle of the first module of the product family (kQ5120FamilyLan); 0 = failure.
uint32_t KIVO_API Q5120_FlashModeOpen(uint32_t productFamily, uint32_t reserved);
int KIVO_API Q5120_FlashModeClose(uint32_t handle, uint32_t reserved);
// Modal product-information window; nonzero = communication error (nothing shown).
int KIVO_API Q5120_ShowProductInfo(uint32_t handle);
// Modal connection-settings dialog of the library.
int KIVO_API Q5120_OptionDlg2(void);

#ifdef __cplusplus
}
#endif
