#include <windows.h>

#include <objbase.h>

#include "engine/CInstall.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    CInstall install;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (install.Init(instance) && install.Run()) {
        install.Finish();
        CoUninitialize();
    }
    return 0;
}
