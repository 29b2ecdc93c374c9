#include "Tesk4861Tools/LaunchTable.h"
#include "Tesk4861Tools/resource.h"

#include <gtest/gtest.h>

namespace {
const wchar_t kUpdater4861[] =
    L"NERAUPDATER.EXE -UUID:a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38 -PRODUCT:Tesk-I4861";
const wchar_t kUpdaterI[] = L"NERAUPDATER.EXE -UUID:5c1e7a90-2b4d-4e8f-9a13-6d0b7f2c4e51 -PRODUCT:Tesk-I0x0x";
const wchar_t kUpdaterA[] = L"NERAUPDATER.EXE -UUID:8e3f1b27-6a9c-4d05-b7e2-1f4a9c3d8b60 -PRODUCT:Tesk-A0x0x";

struct TitleCase {
    const wchar_t* title;
    bool clock;
    bool calibration;
    const wchar_t* number;
    const wchar_t* updater;
    const wchar_t* clockCommand;
};

// A title selects a series only when it matches as a whole and in case.
const TitleCase kTitles[] = {
    {L"Tesk4861Tools", true, false, L"Q5120Number.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861", kUpdater4861,
     L"Chronset.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861"},
    {L"Tesk-I0x0xTools", false, false, L"Q5120Number.exe -IF:LAN -TITLE:Tesk-I0x0x -TYPEI0x0x", kUpdaterI,
     nullptr},
    {L"Tesk-A0x0xTools", false, true, L"Q5120Number.exe -IF:LAN -TITLE:Tesk-A0x0x -TYPEA0x0x", kUpdaterA,
     nullptr},
    {L"tesk-a0x0xtools", false, false, L"Q5120Number.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861", kUpdater4861,
     L"Chronset.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861"},
    {L"My", false, false, L"Q5120Number.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861", kUpdater4861,
     L"Chronset.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861"},
    {L"Tesk4861Tools ", false, false, L"Q5120Number.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861", kUpdater4861,
     L"Chronset.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861"},
};

std::wstring Show(const wchar_t* text) {
    return text != nullptr ? text : L"(nothing)";
}
} // namespace

TEST(LaunchTable, TitleChoosesButtonsAndArguments) {
    for (const TitleCase& c : kTitles) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.title)));
        EXPECT_EQ(IsClockToolEnabled(c.title), c.clock);
        EXPECT_EQ(IsCalibrationToolEnabled(c.title), c.calibration);
        EXPECT_EQ(Show(LaunchCommandFor(IDC_NUMBER_TOOL, c.title)), Show(c.number));
        EXPECT_EQ(Show(LaunchCommandFor(IDC_FIRMWARE_UPDATER, c.title)), Show(c.updater));
        EXPECT_EQ(Show(LaunchCommandFor(IDC_CLOCK_TOOL, c.title)), Show(c.clockCommand));
        // The same in every series.
        EXPECT_EQ(Show(LaunchCommandFor(IDC_NERACONFIG, c.title)), L"NERACONFIG.EXE");
        EXPECT_EQ(Show(LaunchCommandFor(IDC_FLASH_WRITER, c.title)), L"KivoFW.exe -UFIRMONLY");
        EXPECT_EQ(Show(LaunchCommandFor(IDC_INI_WRITER, c.title)), L"Q5120IniWriter.exe");
        EXPECT_EQ(Show(LaunchCommandFor(IDC_CALIBRATION_TOOL, c.title)), L"Calibrex.exe -TITLE:Tesk-A0x0x");
    }
    EXPECT_EQ(LaunchCommandFor(2, L"Tesk4861Tools"), nullptr);
}

TEST(LaunchTable, CommandLineQuotesTheToolInTheLauncherFolder) {
    struct {
        const wchar_t* modulePath;
        const wchar_t* command;
        const wchar_t* expected;
    } const cases[] = {
        {L"C:\\TOOLS\\TESK4861TOOLS.EXE", L"NERACONFIG.EXE", L"\"C:\\TOOLS\\NERACONFIG.EXE\""},
        {L"C:\\PROGRAM FILES\\TESK\\TESK4861TOOLS.EXE", L"KivoFW.exe -UFIRMONLY",
         L"\"C:\\PROGRAM FILES\\TESK\\KivoFW.exe\" -UFIRMONLY"},
        // A renamed launcher still starts the tool beside it, never itself.
        {L"D:\\X\\LAUNCHER-COPY.EXE", L"Q5120IniWriter.exe", L"\"D:\\X\\Q5120IniWriter.exe\""},
        {L"D:\\TESK4861TOOLS.EXE\\TESK4861TOOLS.EXE", L"NERACONFIG.EXE",
         L"\"D:\\TESK4861TOOLS.EXE\\NERACONFIG.EXE\""},
        {L"Z:\\A B\\T.EXE", kUpdaterA,
         L"\"Z:\\A B\\NERAUPDATER.EXE\" -UUID:8e3f1b27-6a9c-4d05-b7e2-1f4a9c3d8b60 -PRODUCT:Tesk-A0x0x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildLaunchCommandLine(c.modulePath, c.command), c.expected);
    }
}
