#include "common/PathText.h"

namespace {

template <typename Text> size_t LastSeparator(const Text& path) {
    using Char = typename Text::value_type;
    const Char separators[] = {Char('\\'), Char('/'), Char(0)};
    return path.find_last_of(separators);
}

} // namespace

size_t FileNameOffset(const std::wstring& path) {
    const size_t slash = LastSeparator(path);
    if (slash != std::wstring::npos) {
        return slash + 1;
    }
    return path.size() >= 2 && path[1] == L':' ? 2 : 0;
}

std::wstring FolderOfPath(const std::wstring& path) {
    return path.substr(0, FileNameOffset(path));
}

std::wstring FileNameOfPath(const std::wstring& path) {
    return path.substr(FileNameOffset(path));
}

std::wstring NameWithoutExtension(const std::wstring& path) {
    std::wstring name = FileNameOfPath(path);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) {
        name.erase(dot);
    }
    return name;
}

std::wstring PathWithoutExtension(const std::wstring& path) {
    const size_t start = FileNameOffset(path);
    const size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && dot >= start) {
        return path.substr(0, dot);
    }
    return path;
}

std::string ParentOfPath(const std::string& path) {
    const size_t slash = LastSeparator(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
