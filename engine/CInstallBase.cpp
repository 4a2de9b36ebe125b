#include "engine/CInstallBase.h"

CInstallBase::CInstallBase() = default;

CInstallBase::~CInstallBase() {
    CInstallBase::ReleaseTexts();
}

HWND CInstallBase::OwnerWindow() const {
    return nullptr;
}

bool CInstallBase::Init(HINSTANCE instance) {
    return SetInstance(instance);
}

bool CInstallBase::SetInstance(HINSTANCE instance) {
    m_hInstance = instance;
    return true;
}

void CInstallBase::ReleaseTexts() {
    m_defaultTexts.Release();
    m_langTexts[0].Release();
    m_langTexts[1].Release();
    m_guard.Clear();
}

const void* CInstallBase::FindText(StringId id) const {
    // Only the chosen language is searched: a text missing there falls back to the
    // language-neutral table, never to the other language.
    if (m_uiLanguage < 2) {
        if (const void* entry = m_langTexts[m_uiLanguage].Find(id)) {
            return entry;
        }
    }
    return m_defaultTexts.Find(id);
}
