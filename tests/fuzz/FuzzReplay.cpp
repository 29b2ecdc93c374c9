// The fuzz targets without libFuzzer: every file named on the command line, or found directly
// in a folder named there, goes once through LLVMFuzzerTestOneInput, in name order. Each run
// of the tests thus replays the committed corpora, under the sanitizers in the asan tree. A
// fault aborts the program; an empty or unreadable corpus is a failure too.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The plain files directly in a folder, sorted; false if it cannot be listed.
bool ListFiles(const std::string& folder, std::vector<std::string>& files) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    std::vector<std::string> found;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && !IsFolder(folder + "/" + name)) {
            found.push_back(folder + "/" + name);
        }
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
    return true;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        if (IsFolder(path) ? !ListFiles(path, files) : (files.push_back(path), false)) {
            std::fprintf(stderr, "cannot list %s\n", path.c_str());
            return 2;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "no corpus input given\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    for (const std::string& path : files) {
        if (!ReadFile(path, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 2;
        }
        // A copy of exactly the file's size, so that a read past its end leaves the allocation;
        // never a null pointer, as libFuzzer gives none.
        std::unique_ptr<uint8_t[]> input(new uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), input.get());
        LLVMFuzzerTestOneInput(input.get(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return 0;
}
