#include "nerapack/PackageFiles.h"

#include <windows.h>

#include <bcrypt.h>

#include "common/SystemPath_win.h"
#include "common/Utf8Text_win.h"

namespace {

HANDLE OpenForIdentity(const std::wstring& path) {
    return CreateFileW(SystemPathOf(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

EReadFile PfReadFile(const std::string& path, size_t maxLength, std::vector<uint8_t>& data,
                     std::string& reason) {
    DWORD error = ERROR_SUCCESS;
    switch (ReadWholeFile(WideFromUtf8(path), maxLength, kReadShared, data, error)) {
        case EReadFileResult::kOk:
            return EReadFile::kOk;
        case EReadFileResult::kTooLarge:
            return EReadFile::kTooLarge;
        default:
            reason = "system error " + std::to_string(error);
            return EReadFile::kUnreadable;
    }
}

bool PfSameFile(const std::string& a, const std::string& b) {
    HANDLE fileA = OpenForIdentity(WideFromUtf8(a));
    if (fileA == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool same = false;
    HANDLE fileB = OpenForIdentity(WideFromUtf8(b));
    if (fileB != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION infoA;
        BY_HANDLE_FILE_INFORMATION infoB;
        same = GetFileInformationByHandle(fileA, &infoA) && GetFileInformationByHandle(fileB, &infoB) &&
               infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
               infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
        CloseHandle(fileB);
    }
    CloseHandle(fileA);
    return same;
}

bool PfWriteFile(const std::string& path, const std::vector<uint8_t>& data, bool /*executable*/,
                 std::string& reason) {
    DWORD error = ERROR_SUCCESS;
    if (WriteWholeFile(WideFromUtf8(path), data.data(), data.size(), error)) {
        return true;
    }
    reason = "system error " + std::to_string(error);
    return false;
}

bool PfRandomBytes(uint8_t* out, size_t length) {
    return length <= 0xFFFFFFFFu &&
           BCryptGenRandom(nullptr, out, static_cast<ULONG>(length), BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}
