#include "common/PathText.h"

#include <gtest/gtest.h>

namespace {
// One path and every piece the helpers cut from it.
struct SPathCase {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* fileName;
    const wchar_t* name;
    const wchar_t* withoutExtension;
};

const SPathCase kPathCases[] = {
    {L"C:\\Tools\\NeraConfig.exe", L"C:\\Tools\\", L"NeraConfig.exe", L"NeraConfig",
     L"C:\\Tools\\NeraConfig"},
    {L"C:/Tools/b.NERA", L"C:/Tools/", L"b.NERA", L"b", L"C:/Tools/b"},
    {L"C:\\mixed/sep\\x.y", L"C:\\mixed/sep\\", L"x.y", L"x", L"C:\\mixed/sep\\x"},
    {L"plain", L"", L"plain", L"plain", L"plain"},
    {L"plain.txt", L"", L"plain.txt", L"plain", L"plain"},
    {L"D:d.nera", L"D:", L"d.nera", L"d", L"D:d"},
    {L"\\\\server\\share\\dir.x\\noext", L"\\\\server\\share\\dir.x\\", L"noext", L"noext",
     L"\\\\server\\share\\dir.x\\noext"},
    {L"C:\\cfg\\two.dots.nera", L"C:\\cfg\\", L"two.dots.nera", L"two.dots", L"C:\\cfg\\two.dots"},
    {L"C:\\cfg\\", L"C:\\cfg\\", L"", L"", L"C:\\cfg\\"},
    {L"C:\\cfg\\.hidden", L"C:\\cfg\\", L".hidden", L"", L"C:\\cfg\\"},
    {L"C:\\a b\\trailing.", L"C:\\a b\\", L"trailing.", L"trailing", L"C:\\a b\\trailing"},
    {L"/usr/bin/tool", L"/usr/bin/", L"tool", L"tool", L"/usr/bin/tool"},
    {L"", L"", L"", L"", L""},
};

struct SParentCase {
    const char* path;
    const char* parent;
};

const SParentCase kParentCases[] = {
    {"C:\\Users\\me\\settings.txt", "C:\\Users\\me"},
    {"C:\\settings.txt", "C:"},
    {"/home/me/.config/sim.txt", "/home/me/.config"},
    {"/settings.txt", ""},
    {"a/b\\c", "a/b"},
    {"dir/", "dir"},
    {"settings.txt", ""},
    {"C:settings.txt", ""},
    {"", ""},
};
} // namespace

TEST(PathText, CutsFolderNameAndExtension) {
    for (const SPathCase& c : kPathCases) {
        const std::wstring path = c.path;
        SCOPED_TRACE(testing::PrintToString(path));
        EXPECT_EQ(FolderOfPath(path), c.folder);
        EXPECT_EQ(FileNameOfPath(path), c.fileName);
        EXPECT_EQ(FileNameOffset(path), path.size() - std::wstring(c.fileName).size());
        EXPECT_EQ(NameWithoutExtension(path), c.name);
        EXPECT_EQ(PathWithoutExtension(path), c.withoutExtension);
    }
}

TEST(PathText, ParentHasNoTrailingSeparator) {
    for (const SParentCase& c : kParentCases) {
        EXPECT_EQ(ParentOfPath(c.path), c.parent) << c.path;
    }
}
