#include "common/ModulePath_win.h"

#include <windows.h>

std::wstring ModuleFilePath() {
    // The system cuts the name to the buffer without saying how long it is: grow until it fits,
    // up to the longest path the system knows. Starting small keeps the growing in use on every
    // call, where it cannot go unnoticed.
    constexpr DWORD kLongestPath = 32768;
    std::wstring buffer(16, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, &buffer[0], size);
        if (length == 0) {
            return std::wstring();
        }
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        if (size >= kLongestPath) {
            return std::wstring();
        }
        buffer.resize(2 * size);
    }
}
