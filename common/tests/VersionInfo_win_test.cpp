#include "common/VersionInfo_win.h"

#include "common/ModulePath_win.h"
#include "common/PathText.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {
std::wstring BesideTest(const wchar_t* name) {
    return FolderOfPath(ModuleFilePath()) + name;
}

struct VersionCase {
    const wchar_t* file; // nullptr: the test program itself
    bool productVersion;
    const wchar_t* expected;
};

const VersionCase kCases[] = {
    {nullptr, false, L"1, 2, 3, 4"},
    {nullptr, true, L"5, 6, 7, 8"},
    {L"vi_none.dll", false, L""},
    // The key exists only under the second translation, which is never consulted.
    {L"vi_two_translations.dll", false, L""},
    {L"vi_two_translations.dll", true, L"first, 1"},
    {L"vi_no_file_version.dll", false, L""},
    {L"vi_no_file_version.dll", true, L"7, 7, 7, 7"},
    {L"no_such_file.dll", false, L""},
};
} // namespace

TEST(GetVersionInfoString, ReadsTheFirstTranslationOnly) {
    for (const VersionCase& c : kCases) {
        std::wstring path = c.file != nullptr ? BesideTest(c.file) : BesideTest(L"common_win_tests.exe");
        EXPECT_EQ(GetVersionInfoString(path, c.productVersion), c.expected)
            << (c.file != nullptr ? "file" : "self") << " product=" << c.productVersion;
    }
}
