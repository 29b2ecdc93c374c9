#include "Tesk4861Tools/LaunchTable.h"

#include "common/PathText.h"
#include "Tesk4861Tools/resource.h"

namespace {
const wchar_t kDefaultTitle[] = L"Tesk4861Tools";
const wchar_t kTitleI0x0x[] = L"Tesk-I0x0xTools";
const wchar_t kTitleA0x0x[] = L"Tesk-A0x0xTools";

// One row of the launch table: a button and its command text per series; nullptr = nothing.
struct LaunchRow {
    int buttonId;
    const wchar_t* tesk4861;
    const wchar_t* teskI0x0x;
    const wchar_t* teskA0x0x;
};

const LaunchRow kLaunchTable[] = {
    {IDC_NERACONFIG, L"NERACONFIG.EXE", L"NERACONFIG.EXE", L"NERACONFIG.EXE"},
    {IDC_NUMBER_TOOL, L"Q5120Number.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861",
     L"Q5120Number.exe -IF:LAN -TITLE:Tesk-I0x0x -TYPEI0x0x",
     L"Q5120Number.exe -IF:LAN -TITLE:Tesk-A0x0x -TYPEA0x0x"},
    {IDC_FLASH_WRITER, L"KivoFW.exe -UFIRMONLY", L"KivoFW.exe -UFIRMONLY", L"KivoFW.exe -UFIRMONLY"},
    {IDC_INI_WRITER, L"Q5120IniWriter.exe", L"Q5120IniWriter.exe", L"Q5120IniWriter.exe"},
    {IDC_CLOCK_TOOL, L"Chronset.exe -IF:LAN -TITLE:Tesk4861 -TYPE4861", nullptr, nullptr},
    {IDC_CALIBRATION_TOOL, L"Calibrex.exe -TITLE:Tesk-A0x0x", L"Calibrex.exe -TITLE:Tesk-A0x0x",
     L"Calibrex.exe -TITLE:Tesk-A0x0x"},
    {IDC_FIRMWARE_UPDATER, L"NERAUPDATER.EXE -UUID:a4d29e6b-0f17-4c3a-8e5b-72c6d1f09a38 -PRODUCT:Tesk-I4861",
     L"NERAUPDATER.EXE -UUID:5c1e7a90-2b4d-4e8f-9a13-6d0b7f2c4e51 -PRODUCT:Tesk-I0x0x",
     L"NERAUPDATER.EXE -UUID:8e3f1b27-6a9c-4d05-b7e2-1f4a9c3d8b60 -PRODUCT:Tesk-A0x0x"},
};
} // namespace

LaunchVariant VariantFromTitle(const std::wstring& title) {
    if (title == kTitleI0x0x) {
        return LaunchVariant::TeskI0x0x;
    }
    if (title == kTitleA0x0x) {
        return LaunchVariant::TeskA0x0x;
    }
    return LaunchVariant::Tesk4861;
}

bool IsClockToolEnabled(const std::wstring& title) {
    return title == kDefaultTitle;
}

bool IsCalibrationToolEnabled(const std::wstring& title) {
    return title == kTitleA0x0x;
}

const wchar_t* LaunchCommandFor(int buttonId, const std::wstring& title) {
    LaunchVariant variant = VariantFromTitle(title);
    for (const LaunchRow& row : kLaunchTable) {
        if (row.buttonId != buttonId) {
            continue;
        }
        switch (variant) {
            case LaunchVariant::TeskI0x0x:
                return row.teskI0x0x;
            case LaunchVariant::TeskA0x0x:
                return row.teskA0x0x;
            case LaunchVariant::Tesk4861:
                return row.tesk4861;
        }
    }
    return nullptr;
}

std::wstring BuildLaunchCommandLine(const std::wstring& modulePath, const std::wstring& commandText) {
    const std::wstring folder = FolderOfPath(modulePath);
    size_t blank = commandText.find(L' ');
    std::wstring tool = commandText.substr(0, blank);
    std::wstring line = L"\"" + folder + tool + L"\"";
    if (blank != std::wstring::npos) {
        line += commandText.substr(blank);
    }
    return line;
}
