#include "engine/CInstall.h"

#include <cwchar>

#include "payload/PayloadCatalogue.h"
#include "sysops/WideText.h"

namespace {

constexpr LANGID kLangIdPolish = 0x0415;

}  // namespace

CInstall::CInstall() = default;

CInstall::~CInstall() {
    CInstall::ReleaseTexts();
}

HWND CInstall::OwnerWindow() const {
    return nullptr;
}

bool CInstall::Init(HINSTANCE instance) {
    CInstallBase::SetInstance(instance);
    if (!m_guard.SetKeyMaterial(kKeyMaterial, static_cast<int>(sizeof kKeyMaterial))) {
        return false;
    }
    // The order matters only for what stays attached when a later table fails.
    if (!AttachStringTable(m_defaultTexts, kStringTableDefault) ||
        !AttachStringTable(m_ownTexts, kStringTableEngine) ||
        !AttachStringTable(m_langTexts[0], kStringTableLanguage0) ||
        !AttachStringTable(m_langTexts[1], kStringTableLanguage1)) {
        return false;
    }
    ReadLayoutLangId();
    DefaultLayoutSet();
    DefaultDecimalKey();
    return true;
}

void CInstall::ReadLayoutLangId() {
    GString text;
    GetText(kStrLayoutLangId, text);
    unsigned int value = 0;
    if (swscanf(AsWide(text.GetWideText()), L"%X", &value) == 1) {
        m_layoutLangId = static_cast<uint16_t>(value);
    }
}

bool CInstall::AttachStringTable(StringTable& table, const PayloadRef& payload) {
    uint32_t size = payload.size;
    uint32_t itemCount = 0;
    unsigned char* plain = m_guard.Decode(payload.data, size, &itemCount);
    if (plain == nullptr) {
        return false;
    }
    if (!table.Attach(plain, static_cast<int32_t>(itemCount), size)) {
        delete[] plain;
        return false;
    }
    return true;
}

bool CInstall::Run() {
    m_uiLanguage = GetUserDefaultLangID() == kLangIdPolish ? 1 : 0;
    // A failed probe leaves OsCode 0, which the support rule refuses.
    ProbeEnvironment(kStrNativeSystemInfoFunction, kStrSystemLibrary);
    if (!IsSupportedOs()) {
        ShowMessage(kMsgUnsupportedSystem, MB_ICONWARNING);
        return false;
    }
    // Before Vista the layout is added under its own language; later systems let the user's
    // language carry it.
    m_inputLangId = m_osCode >= 60 ? GetUserDefaultLangID() : m_layoutLangId;
    if (m_osCode < 51) {
        m_makeDefault = 0;
    }
    if (!ActivateRunningCopy()) {
        return false;
    }
    BuildPaths();
    m_isAdmin = IsAdmin() ? 1 : 0;
    if (!m_isAdmin) {
        ShowMessage(kMsgNotAdministrator, MB_OK);
    }
    return true;
}

void CInstall::Finish() {
    if (m_removed || m_installed) {
        WritePostRunValue();
    }
    ReleaseTexts();
}

bool CInstall::WritePostRunValue() {
    return SetMachineTextValue(kStrPostRunKey, kStrPostRunValueName,
                               m_osCode > 50 ? kStrPostRunCommand : kStrPostRunCommandWin2000);
}

void CInstall::ShowMessage(StringId textId, UINT style) {
    GString text;
    GString caption;
    GetText(textId, text);
    GetText(kStrMainWindowTitle, caption);
    MessageBoxW(OwnerWindow(), AsWide(text.GetWideText()), AsWide(caption.GetWideText()), style);
}

void CInstall::ReleaseTexts() {
    CInstallBase::ReleaseTexts();
    m_ownTexts.Release();
}

const void* CInstall::FindText(StringId id) const {
    if (const void* entry = CInstallBase::FindText(id)) {
        return entry;
    }
    return m_ownTexts.Find(id);
}

bool CInstall::GetText(StringId id, GString& destination) const {
    destination.Empty();
    const void* entry = FindText(id);
    if (entry == nullptr || !destination.AssignCounted(entry)) {
        return false;
    }
    // An entry whose UTF-8 cannot be decoded stays narrow and so reads as empty wide text.
    destination.MakeWide();
    return true;
}
