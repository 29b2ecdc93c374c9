#include "common/ModulePath_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "common/PathText.h"

// The grown buffer gives the same whole path as one call with room to spare, and the path names
// this very program.
TEST(ModulePath, WholePathOfTheRunningProgram) {
    std::vector<wchar_t> roomy(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, roomy.data(), static_cast<DWORD>(roomy.size()));
    ASSERT_GT(length, 16u); // longer than the first buffer, so that the path had to grow
    const std::wstring path = ModuleFilePath();
    EXPECT_EQ(path, std::wstring(roomy.data(), length));
    EXPECT_EQ(NameWithoutExtension(path), L"common_win_tests");
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
