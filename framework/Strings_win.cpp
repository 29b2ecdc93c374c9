#include "framework/Strings_win.h"

std::wstring LoadResString(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) {
        return std::wstring();
    }
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring AfxFormatString1(UINT id, const std::wstring& arg1) {
    return FormatPlaceholders(LoadResString(id), arg1, std::wstring());
}

std::wstring AfxFormatString2(UINT id, const std::wstring& arg1, const std::wstring& arg2) {
    return FormatPlaceholders(LoadResString(id), arg1, arg2);
}
