// Entry point of the Windows nerapack tool: wide arguments in, UTF-8 out.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/Utf8Text.h"
#include "nerapack/NerapackTool.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8FromWide(argv[i]));
    }
    std::string out;
    std::string err;
    const int code = RunNerapack(args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return code;
}
