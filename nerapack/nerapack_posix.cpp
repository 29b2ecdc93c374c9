// Entry point of the native nerapack tool.
#include <cstdio>
#include <string>
#include <vector>

#include "nerapack/NerapackTool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string out;
    std::string err;
    const int code = RunNerapack(args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return code;
}
