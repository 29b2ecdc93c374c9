#pragma once
// The nerapack command-line tool, kept free of I/O streams so that tests run it: arguments
// in (UTF-8), printed text and exit code out. Files go through PackageFiles.h.
//
//   nerapack --updater EXE --image IMAGE --version TEXT (--key HEX16 | --random-key) --out FILE
//   nerapack demo-image FILE
//   nerapack check FILE

#include <string>
#include <vector>

constexpr int kNerapackOk = 0;
constexpr int kNerapackRefused = 1; // an input the updater would refuse, or a file error
constexpr int kNerapackUsage = 2;

int RunNerapack(const std::vector<std::string>& args, std::string& out, std::string& err);
