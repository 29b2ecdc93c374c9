// Test driver for the end-to-end tests: starts a program and drives its windows from outside,
// by messages to their handles, following a script of one command per line (UTF-8):
//
//   start CMDLINE            start a program (working folder: the driver's)
//   window [MS]              wait for the program's main dialog; it becomes the current window
//   dialog CAPTION           wait for another dialog of the program; it becomes current
//   main                     make the main dialog current again
//   title TEXT               the current window's title is TEXT
//   text ID [TEXT]           control ID shows TEXT (read with WM_GETTEXT)
//   settext ID [TEXT]        put TEXT into control ID
//   enabled ID 0|1           control ID is disabled / enabled
//   checked ID 0|1           check box ID is unchecked / checked
//   click ID                 click button ID (BM_CLICK)
//   command ID               send command ID to the current window (as a menu would)
//   syscommand VALUE         send a system-menu command
//   ipset ID A.B.C.D         set an IP-address control
//   ip ID A.B.C.D|blank      an IP-address control shows this address
//   msgbox BUTTON TEXT       a message box with TEXT appears; press BUTTON (ok, yes, no, cancel)
//   anymsgbox BUTTON         a message box appears (text not checked: the system's own); press BUTTON
//   nomsgbox MS              no message box appears within MS milliseconds
//   shot FILE.bmp            save a picture of the current window
//   close                    close the current window (WM_CLOSE)
//   exited [MS]              the program has ended
//   attach CAPTION           wait for a dialog with this caption in any process (a program that
//                            another one started); it and its process become the driven ones
//   image PATH               the driven program's executable is PATH (letter case ignored)
//   toplevel CLASS|TITLE     wait for a window of the driven program that is no dialog (a help
//                            viewer, say) by class and title; it becomes current
//
// Every wait is bounded; a failed step prints FAIL with its line and ends the program under
// test. Exit status 0 when every step passed.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/Utf8Text.h"
#include "common/Utf8Text_win.h"

namespace {
const DWORD kDefaultWaitMs = 10000;

struct Driver {
    PROCESS_INFORMATION process = {};
    HWND main = nullptr;
    HWND current = nullptr;
    std::wstring error;
};

// Text of a window of another process: WM_GETTEXT is marshalled, GetWindowText is not.
std::wstring WindowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
        return std::wstring();
    }
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_ABORTIFHUNG, 2000, &got);
    return std::wstring(buffer.data());
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

struct FindArgs {
    DWORD pid;
    HWND exclude;
    bool wantMessageBox;
    const std::wstring* caption;
    HWND found;
};

// A message box's text is a static control with the ID 0xFFFF.
bool IsMessageBox(HWND hwnd) {
    return GetDlgItem(hwnd, 0xFFFF) != nullptr;
}

BOOL CALLBACK FindWindowOfProcess(HWND hwnd, LPARAM lParam) {
    auto* args = reinterpret_cast<FindArgs*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != args->pid || hwnd == args->exclude || !IsWindowVisible(hwnd) || ClassName(hwnd) != L"#32770") {
        return TRUE;
    }
    if (IsMessageBox(hwnd) != args->wantMessageBox) {
        return TRUE;
    }
    if (args->caption != nullptr && WindowText(hwnd) != *args->caption) {
        return TRUE;
    }
    args->found = hwnd;
    return FALSE;
}

HWND WaitForWindow(Driver& d, bool messageBox, const std::wstring* caption, HWND exclude, DWORD waitMs) {
    DWORD start = GetTickCount();
    do {
        FindArgs args = {d.process.dwProcessId, exclude, messageBox, caption, nullptr};
        EnumWindows(&FindWindowOfProcess, reinterpret_cast<LPARAM>(&args));
        if (args.found != nullptr) {
            return args.found;
        }
        Sleep(50);
    } while (GetTickCount() - start < waitMs);
    return nullptr;
}

// Polls a condition for at most the default wait; true as soon as it holds.
template <typename Condition> bool WaitUntil(Condition condition) {
    DWORD start = GetTickCount();
    do {
        if (condition()) {
            return true;
        }
        Sleep(50);
    } while (GetTickCount() - start < kDefaultWaitMs);
    return condition();
}

HWND Control(Driver& d, const std::wstring& idText) {
    int id = _wtoi(idText.c_str());
    HWND control = GetDlgItem(d.current, id);
    if (control == nullptr) {
        d.error = L"no control " + idText;
    }
    return control;
}

std::wstring IpText(HWND control) {
    std::wstring text;
    int fields = 0;
    for (HWND child = GetWindow(control, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring field = WindowText(child);
        if (!field.empty()) {
            ++fields;
        }
        text += (text.empty() && child == GetWindow(control, GW_CHILD) ? L"" : L".") + field;
    }
    return fields == 0 ? L"blank" : text;
}

bool ParseAddress(const std::wstring& text, DWORD& address) {
    unsigned a = 0, b = 0, c = 0, e = 0;
    if (swscanf(text.c_str(), L"%u.%u.%u.%u", &a, &b, &c, &e) != 4 || a > 255 || b > 255 || c > 255 ||
        e > 255) {
        return false;
    }
    address = MAKEIPADDRESS(a, b, c, e);
    return true;
}

int ButtonFromName(const std::wstring& name) {
    if (name == L"ok") {
        return IDOK;
    }
    if (name == L"yes") {
        return IDYES;
    }
    if (name == L"no") {
        return IDNO;
    }
    if (name == L"cancel") {
        return IDCANCEL;
    }
    return _wtoi(name.c_str());
}

// Lets the program finish what it was doing, so that a picture shows a painted window.
void Settle(HWND hwnd) {
    DWORD_PTR ignored = 0;
    for (int i = 0; i < 3; ++i) {
        SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(100);
    }
}

bool SaveBitmap(HWND hwnd, const std::wstring& path) {
    Settle(hwnd);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
    DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
    header.bfSize = header.bfOffBits + imageSize;
    bool ok = false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ok = WriteFile(file, &header, sizeof(header), &written, nullptr) &&
             WriteFile(file, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
             WriteFile(file, bits, imageSize, &written, nullptr);
        CloseHandle(file);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// Splits a line into `words` parts: single words first, the rest of the line last (texts may
// hold blanks).
std::vector<std::wstring> Split(const std::wstring& line, size_t words) {
    std::vector<std::wstring> parts;
    size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < line.size() && line[pos] == L' ') {
            ++pos;
        }
    };
    while (parts.size() + 1 < words) {
        skipBlanks();
        size_t end = line.find(L' ', pos);
        end = end == std::wstring::npos ? line.size() : end;
        parts.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    skipBlanks();
    parts.push_back(pos < line.size() ? line.substr(pos) : std::wstring());
    return parts;
}

struct TopLevelArgs {
    DWORD pid; // 0: any process
    const wchar_t* className;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lParam) {
    auto* args = reinterpret_cast<TopLevelArgs*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if ((args->pid != 0 && pid != args->pid) || !IsWindowVisible(hwnd) ||
        ClassName(hwnd) != args->className ||
        (args->className == std::wstring(L"#32770") && IsMessageBox(hwnd)) ||
        WindowText(hwnd) != *args->caption) {
        return TRUE;
    }
    args->found = hwnd;
    return FALSE;
}

HWND WaitForTopLevel(DWORD pid, const wchar_t* className, const std::wstring& caption, DWORD waitMs) {
    DWORD start = GetTickCount();
    do {
        TopLevelArgs args = {pid, className, &caption, nullptr};
        EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&args));
        if (args.found != nullptr) {
            return args.found;
        }
        Sleep(50);
    } while (GetTickCount() - start < waitMs);
    return nullptr;
}

// Takes over the program that owns a dialog found by caption: the driver did not start it.
bool Attach(Driver& d, const std::wstring& caption) {
    HWND found = WaitForTopLevel(0, L"#32770", caption, 30000);
    if (found == nullptr) {
        d.error = L"no such dialog in any process";
        return false;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        d.error = L"cannot open the process";
        return false;
    }
    if (d.process.hProcess != nullptr) {
        CloseHandle(d.process.hThread);
        CloseHandle(d.process.hProcess);
    }
    d.process = {};
    d.process.hProcess = process;
    d.process.dwProcessId = pid;
    d.main = found;
    d.current = found;
    return true;
}

bool Run(Driver& d, const std::wstring& line) {
    std::wstring command = Split(line, 2)[0];
    if (command == L"start") {
        std::wstring cmdLine = Split(line, 2)[1];
        std::vector<wchar_t> buffer(cmdLine.begin(), cmdLine.end());
        buffer.push_back(L'\0');
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &d.process)) {
            d.error = L"cannot start";
            return false;
        }
        return true;
    }
    if (command == L"window") {
        std::wstring ms = Split(line, 2)[1];
        d.main = WaitForWindow(d, false, nullptr, nullptr,
                               ms.empty() ? 30000 : static_cast<DWORD>(_wtoi(ms.c_str())));
        d.current = d.main;
        if (d.main == nullptr) {
            d.error = L"no main window";
        }
        return d.main != nullptr;
    }
    if (command == L"dialog") {
        std::wstring caption = Split(line, 2)[1];
        HWND found = WaitForWindow(d, false, &caption, nullptr, kDefaultWaitMs);
        if (found == nullptr) {
            d.error = L"no dialog";
            return false;
        }
        d.current = found;
        return true;
    }
    if (command == L"main") {
        d.current = d.main;
        return d.main != nullptr;
    }
    if (command == L"title") {
        std::wstring expected = Split(line, 2)[1];
        if (!WaitUntil([&] { return WindowText(d.current) == expected; })) {
            d.error = L"title is \"" + WindowText(d.current) + L"\"";
            return false;
        }
        return true;
    }
    std::vector<std::wstring> args = Split(line, 3);
    if (command == L"text" || command == L"settext" || command == L"enabled" || command == L"checked" ||
        command == L"click" || command == L"ipset" || command == L"ip") {
        HWND control = Control(d, args[1]);
        if (control == nullptr) {
            return false;
        }
        const std::wstring& value = args[2];
        if (command == L"text") {
            if (!WaitUntil([&] { return WindowText(control) == value; })) {
                d.error = L"text is \"" + WindowText(control) + L"\"";
                return false;
            }
        } else if (command == L"settext") {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()),
                                SMTO_ABORTIFHUNG, 5000, &ignored);
        } else if (command == L"enabled") {
            bool want = value == L"1";
            if (!WaitUntil([&] { return (IsWindowEnabled(control) != FALSE) == want; })) {
                d.error = L"enabled state differs";
                return false;
            }
        } else if (command == L"checked") {
            bool want = value == L"1";
            if (!WaitUntil([&] {
                    DWORD_PTR state = 0;
                    SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
                    return (state == BST_CHECKED) == want;
                })) {
                d.error = L"check state differs";
                return false;
            }
        } else if (command == L"click") {
            // A person cannot click a disabled or hidden button.
            if (!IsWindowEnabled(control) || !IsWindowVisible(control)) {
                d.error = L"control is disabled or hidden";
                return false;
            }
            PostMessageW(control, BM_CLICK, 0, 0);
        } else if (command == L"ipset") {
            DWORD address = 0;
            if (!ParseAddress(value, address)) {
                d.error = L"bad address";
                return false;
            }
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(control, IPM_SETADDRESS, 0, static_cast<LPARAM>(address), SMTO_ABORTIFHUNG,
                                5000, &ignored);
        } else if (command == L"ip") {
            if (!WaitUntil([&] { return IpText(control) == value; })) {
                d.error = L"address is " + IpText(control);
                return false;
            }
        }
        return true;
    }
    if (command == L"command") {
        PostMessageW(d.current, WM_COMMAND, MAKEWPARAM(_wtoi(args[1].c_str()), 0), 0);
        return true;
    }
    if (command == L"syscommand") {
        PostMessageW(d.current, WM_SYSCOMMAND, static_cast<WPARAM>(_wtoi(args[1].c_str())), 0);
        return true;
    }
    if (command == L"msgbox" || command == L"anymsgbox") {
        std::wstring text = command == L"msgbox" ? args[2] : std::wstring();
        HWND box = WaitForWindow(d, true, nullptr, nullptr, kDefaultWaitMs);
        if (box == nullptr) {
            d.error = L"no message box";
            return false;
        }
        std::wstring shown = WindowText(GetDlgItem(box, 0xFFFF));
        if (command == L"msgbox" && shown != text) {
            d.error = L"message box says \"" + shown + L"\"";
            return false;
        }
        int button = ButtonFromName(args[1]);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
    }
    if (command == L"nomsgbox") {
        HWND box = WaitForWindow(d, true, nullptr, nullptr, static_cast<DWORD>(_wtoi(args[1].c_str())));
        if (box != nullptr) {
            d.error = L"unexpected message box \"" + WindowText(GetDlgItem(box, 0xFFFF)) + L"\"";
            return false;
        }
        return true;
    }
    if (command == L"shot") {
        if (!SaveBitmap(d.current, Split(line, 2)[1])) {
            d.error = L"cannot save picture";
            return false;
        }
        return true;
    }
    if (command == L"close") {
        PostMessageW(d.current, WM_CLOSE, 0, 0);
        return true;
    }
    if (command == L"attach") {
        return Attach(d, Split(line, 2)[1]);
    }
    if (command == L"image") {
        std::wstring expected = Split(line, 2)[1];
        wchar_t path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (!QueryFullProcessImageNameW(d.process.hProcess, 0, path, &size) ||
            CompareStringOrdinal(path, -1, expected.c_str(), -1, TRUE) != CSTR_EQUAL) {
            d.error = L"the program is " + std::wstring(path);
            return false;
        }
        return true;
    }
    if (command == L"toplevel") {
        std::wstring rest = Split(line, 2)[1];
        size_t bar = rest.find(L'|');
        std::wstring className = rest.substr(0, bar);
        std::wstring caption = bar == std::wstring::npos ? std::wstring() : rest.substr(bar + 1);
        HWND found = WaitForTopLevel(d.process.dwProcessId, className.c_str(), caption, kDefaultWaitMs);
        if (found == nullptr) {
            d.error = L"no such window";
            return false;
        }
        d.current = found;
        return true;
    }
    if (command == L"exited") {
        DWORD ms = args[1].empty() ? kDefaultWaitMs : static_cast<DWORD>(_wtoi(args[1].c_str()));
        if (WaitForSingleObject(d.process.hProcess, ms) != WAIT_OBJECT_0) {
            d.error = L"still running";
            return false;
        }
        return true;
    }
    d.error = L"unknown command";
    return false;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: nera_driver SCRIPT\n");
        return 2;
    }
    FILE* file = _wfopen(argv[1], L"rb");
    if (file == nullptr) {
        fwprintf(stderr, L"nera_driver: cannot read the script\n");
        return 2;
    }
    std::string content;
    char chunk[4096];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) {
        content.append(chunk, got);
    }
    fclose(file);

    Driver d;
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string raw = content.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!raw.empty() && raw.back() == '\r') {
            raw.pop_back();
        }
        if (raw.empty() || raw[0] == '#') {
            continue;
        }
        std::wstring line = WideFromUtf8(raw);
        if (!Run(d, line)) {
            printf("FAIL line %d: %s: %s\n", lineNumber, raw.c_str(), Utf8FromWide(d.error).c_str());
            fflush(stdout);
            if (d.process.hProcess != nullptr) {
                TerminateProcess(d.process.hProcess, 1);
            }
            return 1;
        }
        printf("ok   %s\n", raw.c_str());
        fflush(stdout);
    }
    if (d.process.hProcess != nullptr) {
        CloseHandle(d.process.hThread);
        CloseHandle(d.process.hProcess);
    }
    return 0;
}
