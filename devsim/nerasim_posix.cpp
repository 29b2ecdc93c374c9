// Entry point of the native nerasim tool.
#include <cstdio>
#include <string>
#include <vector>

#include "devsim/NeraSimTool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out;
    std::string err;
    int code = nerasim::RunNeraSimTool(args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return code;
}
