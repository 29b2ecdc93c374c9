#pragma once
// The nerasim command-line tool, kept free of I/O streams so that tests can run it:
// arguments in, printed text and exit code out.

#include <string>
#include <vector>

namespace nerasim {

constexpr int kToolOk = 0;
constexpr int kToolDifferent = 1; // compare-flash found a difference
constexpr int kToolUsage = 2;
constexpr int kToolError = 3;

// Runs one command line (without the program name). Text for standard output goes to out,
// messages and usage to err.
int RunNeraSimTool(const std::vector<std::string>& args, std::string& out, std::string& err);

} // namespace nerasim
