// Whole-file writes: a new file, a replaced one, one in a folder deeper than the plain path
// form allows, and failures that must leave the old file and no stray file behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/SystemPath_win.h"

namespace {
std::wstring TempFolder() {
    std::wstring temp(GetTempPathW(0, nullptr), L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), &temp[0]));
    return temp + L"wholefile-" + std::to_wstring(GetCurrentProcessId());
}

std::string Contents(const std::wstring& path) {
    HANDLE file = CreateFileW(SystemPathOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    char buffer[256];
    DWORD got = 0;
    ReadFile(file, buffer, sizeof(buffer), &got, nullptr);
    CloseHandle(file);
    return std::string(buffer, got);
}

// Names in a folder, to see that nothing but the target is left.
std::vector<std::wstring> Names(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(SystemPathOf(folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (data.cFileName[0] != L'.') {
                names.push_back(data.cFileName);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return names;
}

bool Write(const std::wstring& path, const std::string& text, DWORD& error) {
    return WriteWholeFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size(), error);
}
} // namespace

TEST(WriteWholeFile, CreatesAndReplacesAtAnyDepthOrLeavesTheOldFile) {
    const std::wstring root = TempFolder();
    std::wstring deep = root;
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    // Folders down to a path well beyond MAX_PATH characters.
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(CreateDirectoryW(SystemPathOf(deep).c_str(), nullptr));
    }
    for (const std::wstring& folder : {root, deep}) {
        SCOPED_TRACE(folder.size());
        const std::wstring target = folder + L"\\settings.nera";
        DWORD error = 0;
        ASSERT_TRUE(Write(target, "first", error)) << error;
        ASSERT_TRUE(Write(target, "second", error)) << error;
        EXPECT_EQ(Contents(target), "second");
        // A target that is a folder cannot be replaced: the write fails and cleans up.
        EXPECT_FALSE(Write(folder, "x", error));
        EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS));
        const std::vector<std::wstring> names = Names(folder);
        EXPECT_EQ(std::count(names.begin(), names.end(), std::wstring(L"settings.nera")), 1);
        for (const std::wstring& name : names) {
            EXPECT_NE(name.substr(0, 1), L"~") << "stray file left behind";
        }
    }
    DWORD error = 0;
    EXPECT_FALSE(Write(root + L"\\missing\\settings.nera", "x", error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

// Writing into an existing file: the file itself takes the new bytes and their length; a file
// with the read-only attribute is refused and stays as it was.
TEST(WriteFileInPlace, RewritesAWritableFileAndRefusesAReadOnlyOne) {
    const std::wstring root = TempFolder() + L"-inplace";
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    const std::wstring path = root + L"\\target.nera";
    const std::string before = "the old, longer contents";
    const std::string after = "new";
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only" : "writable");
        DWORD error = 0;
        ASSERT_TRUE(Write(path, before, error)) << error;
        ASSERT_TRUE(
            SetFileAttributesW(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL));
        EXPECT_EQ(WriteFileInPlace(path, reinterpret_cast<const uint8_t*>(after.data()), after.size(), error),
                  !readOnly);
        EXPECT_EQ(error, static_cast<DWORD>(readOnly ? ERROR_ACCESS_DENIED : ERROR_SUCCESS));
        EXPECT_EQ(Contents(path), readOnly ? before : after);
        EXPECT_EQ(Names(root), std::vector<std::wstring>{L"target.nera"});
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
    RemoveDirectoryW(root.c_str());
}
