#include "common/TextCodec.h"

#include <climits>
#include <winsock2.h>
#include <windows.h>

bool WideToAnsi(const std::wstring& text, std::string& out) {
    out.clear();
    if (text.empty()) {
        return true;
    }
    if (text.size() > static_cast<size_t>(INT_MAX)) {
        return false;
    }
    const int inputLength = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), inputLength, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return false;
    }
    std::string result(static_cast<size_t>(needed), '\0');
    const int written =
        WideCharToMultiByte(CP_ACP, 0, text.data(), inputLength, &result[0], needed, nullptr, nullptr);
    if (written <= 0 || written > needed) {
        return false;
    }
    result.resize(static_cast<size_t>(written));
    out.swap(result);
    return true;
}

bool AnsiToWide(const std::string& text, std::wstring& out) {
    out.clear();
    if (text.empty()) {
        return true;
    }
    if (text.size() > static_cast<size_t>(INT_MAX)) {
        return false;
    }
    const int inputLength = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), inputLength, nullptr, 0);
    if (needed <= 0) {
        return false;
    }
    std::wstring result(static_cast<size_t>(needed), L'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), inputLength, &result[0], needed);
    if (written <= 0 || written > needed) {
        return false;
    }
    result.resize(static_cast<size_t>(written));
    out.swap(result);
    return true;
}

uint32_t InetAddr(const std::string& text) {
    return static_cast<uint32_t>(inet_addr(text.c_str()));
}
