#include "common/Utf8Text_win.h"

#include <windows.h>

#include <climits>

std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) {
        return std::wstring();
    }
    const int inputLength = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), inputLength, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    const int written = MultiByteToWideChar(CP_UTF8, 0, text.data(), inputLength, &wide[0], length);
    wide.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return wide;
}
