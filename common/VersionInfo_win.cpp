#include "common/VersionInfo_win.h"

#include <windows.h>

#include <vector>

#include "common/HexText.h"

namespace {
// Four lower-case hexadecimal digits, as the string-table names use them.
std::wstring Hex4(WORD value) {
    return WideHexFromNumber(value, 4, EHexCase::kLower);
}
} // namespace

std::wstring GetVersionInfoString(const std::wstring& path, bool productVersion) {
    const wchar_t* key = productVersion ? L"ProductVersion" : L"FileVersion";
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) {
        return std::wstring();
    }
    std::vector<unsigned char> buffer(size);
    // A failed read shows up as a failed translation query below.
    GetFileVersionInfoW(path.c_str(), 0, size, buffer.data());

    void* translation = nullptr;
    UINT translationLength = 0;
    if (!VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation", &translation, &translationLength) ||
        translation == nullptr || translationLength < 2 * sizeof(WORD)) {
        return std::wstring();
    }
    // Only the first (language, code page) pair counts, even when more are listed.
    const WORD* pair = static_cast<const WORD*>(translation);
    std::wstring query = L"\\StringFileInfo\\" + Hex4(pair[0]) + Hex4(pair[1]) + L"\\" + key;

    void* value = nullptr;
    UINT valueLength = 0;
    if (!VerQueryValueW(buffer.data(), query.c_str(), &value, &valueLength) || value == nullptr) {
        return std::wstring();
    }
    const wchar_t* text = static_cast<const wchar_t*>(value);
    // valueLength counts characters including the terminator; stop at the first zero.
    size_t length = 0;
    while (length < valueLength && text[length] != L'\0') {
        ++length;
    }
    return std::wstring(text, length);
}
