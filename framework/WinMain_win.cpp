// Entry point of every program: runs the one global application object.
#include "framework/WinApp_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR cmdLine, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return 1;
    }
    return app->Run(instance, cmdLine);
}
