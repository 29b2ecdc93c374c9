#pragma once
#include <string>

// Which tools the launcher offers and with which arguments, decided by its window title.

// The three device series that one launcher serves.
enum class LaunchVariant { Tesk4861, TeskI0x0x, TeskA0x0x };

// The title compared as a whole and case-sensitively; any other title is the Tesk4861 series.
LaunchVariant VariantFromTitle(const std::wstring& title);

// The clock tool exists only for the exact default title, the calibration tool only for the
// analog series.
bool IsClockToolEnabled(const std::wstring& title);
bool IsCalibrationToolEnabled(const std::wstring& title);

// The command text (tool file name and arguments) a button starts under the given title, or
// nullptr when the button starts nothing for it.
const wchar_t* LaunchCommandFor(int buttonId, const std::wstring& title);

// The command line for a command text: the tool's file in the launcher's own folder, quoted so
// that a folder with blanks names the tool and nothing else, then the tool's arguments.
// modulePath is the launcher's full path; its file name plays no part.
std::wstring BuildLaunchCommandLine(const std::wstring& modulePath, const std::wstring& commandText);
