#include "SimFs.h"

namespace nerasim {

std::string FsJoin(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    char last = folder.back();
    if (last == '/' || last == '\\')
        return folder + name;
    return folder + FsSeparator() + name;
}

} // namespace nerasim
