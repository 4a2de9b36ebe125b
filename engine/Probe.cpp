// What the engine runs on: Windows version, native processor architecture, administrator rights,
// another running copy, and the system libraries and functions that only some versions have.
#include <windows.h>

#include "engine/CInstall.h"
#include "sysops/WideText.h"

namespace {

constexpr uint16_t kArchIntel = 0;
constexpr uint16_t kArchIa64 = 6;
constexpr uint16_t kArchAmd64 = 9;
constexpr uint16_t kArchUnknown = 0xFFFF;

// The extended version structure first; Windows before 2000 SP-levels refuse its size.
constexpr DWORD kVersionInfoExSize = 284;
constexpr DWORD kVersionInfoSize = 276;

using NativeSystemInfoProc = void(WINAPI*)(SYSTEM_INFO*);

}  // namespace

bool CInstall::ProbeEnvironment(StringId functionNameId, StringId libraryNameId) {
    m_cpuArch = kArchUnknown;
    m_osCode = 0;
    m_is64BitOs = 0;

    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = kVersionInfoExSize;
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        version.dwOSVersionInfoSize = kVersionInfoSize;
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
            return false;
        }
    }
    m_osCode = static_cast<int32_t>(version.dwMajorVersion * 10 + version.dwMinorVersion);

    // A 32-bit process under WOW64 sees x86 through GetSystemInfo; the native query tells the
    // truth where it exists.
    HMODULE library = nullptr;
    SYSTEM_INFO info{};
    auto nativeInfo = reinterpret_cast<NativeSystemInfoProc>(
        reinterpret_cast<void*>(GetSystemProc(functionNameId, libraryNameId, library)));
    if (nativeInfo != nullptr) {
        nativeInfo(&info);
    } else {
        GetSystemInfo(&info);
    }
    if (library != nullptr) {
        FreeLibrary(library);
    }
    m_cpuArch = info.wProcessorArchitecture;
    m_is64BitOs = (m_cpuArch == kArchAmd64 || m_cpuArch == kArchIa64) ? 1 : 0;
    return true;
}

bool CInstall::IsSupportedOs() const {
    switch (m_osCode) {
        case 50:
        case 51:
            return m_cpuArch == kArchIntel;
        case 52:
        case 60:
        case 61:
        case 62:
        case 63:
        case 100:
            return m_cpuArch == kArchIntel || m_cpuArch == kArchIa64 || m_cpuArch == kArchAmd64;
        default:
            return false;
    }
}

bool CInstall::IsAdmin() const {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) {
        member = FALSE;
    }
    FreeSid(administrators);
    return member != FALSE;
}

bool CInstall::ActivateRunningCopy() {
    GString className;
    GetText(kStrMainWindowClass, className);
    HWND other = FindWindowW(AsWide(className.GetWideText()), nullptr);
    if (other == nullptr) {
        return true;
    }
    SetForegroundWindow(other);
    return false;
}

bool CInstall::SetUiLanguage(uint32_t index) {
    if (index > 1) {
        return false;
    }
    m_uiLanguage = index;
    return true;
}

HMODULE CInstall::LoadSystemLibrary(StringId libraryNameId) {
    GetText(libraryNameId, m_text);
    return LoadLibraryW(AsWide(m_text.GetWideText()));
}

FARPROC CInstall::GetSystemProc(StringId functionNameId, StringId libraryNameId, HMODULE& module) {
    if (module == nullptr) {
        module = LoadSystemLibrary(libraryNameId);
        if (module == nullptr) {
            return nullptr;
        }
    }
    GetText(functionNameId, m_text);
    // Function names are plain ASCII, which is what GetProcAddress takes.
    return GetProcAddress(module, m_text.MakeNarrow());
}
