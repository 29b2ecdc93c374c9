#pragma once
// Device-access functions of the Kivo5120 library: read/write areas, flash memory and the
// time-outs of an open module. Handles come from the Q5120Common open calls (Q5120Common.h).

#include <cstdint>

#ifndef KIVO_API
#ifdef _WIN32
#define KIVO_API __stdcall
#else
#define KIVO_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

// All results: 0 = success, nonzero = failure (unknown handle, null buffer, device fault).
int KIVO_API Kivo_FlshReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer128);
int KIVO_API Kivo_FlshWriteRWArea(uint32_t handle, uint32_t area, const uint8_t* buffer128);
int KIVO_API Kivo_Close(uint32_t handle);
int KIVO_API Kivo_SetTimeouts(uint32_t handle, uint32_t readTimeoutMs, uint32_t writeTimeoutMs);
int KIVO_API Kivo_FlshEchoTest(uint32_t handle);
int KIVO_API Kivo_FlshReadHwVersion(uint32_t handle, uint32_t* hwCode);
int KIVO_API Kivo_FlshRead(uint32_t handle, uint32_t address, uint8_t* buffer128);
// Erase-block bits that an image of this length, starting at flash address 0, touches.
uint32_t KIVO_API Kivo_FlshGetEraseBlk(uint32_t imageLength);
int KIVO_API Kivo_FlshErase(uint32_t handle, uint32_t eraseBlocks);
int KIVO_API Kivo_FlshWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length);

#ifdef __cplusplus
}
#endif
