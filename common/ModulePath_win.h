#pragma once
// Where the running executable lies, for the files that travel beside it (help, package,
// updater) and for the title that its name gives the message boxes.

#include <string>

// Full path of the running executable, of any length the system allows; "" when the system
// gives none.
std::wstring ModuleFilePath();
