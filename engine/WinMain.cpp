#include <windows.h>

#include <objbase.h>

#include "engine/CInstall.h"
#include "sysops/WideText.h"
#include "text/DebugSink.h"

namespace {

// The program keeps no log: its only diagnostics go to an attached debugger.
void SendToDebugger(const char16_t* line) {
    OutputDebugStringW(AsWide(line));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SetDebugSink(SendToDebugger);
    CInstall install;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (install.Init(instance) && install.Run()) {
        install.Finish();
        CoUninitialize();
    }
    return 0;
}
