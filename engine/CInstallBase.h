#pragma once

#include <windows.h>

#include <cstdint>

#include "payload/CGuard.h"
#include "payload/StringIds.h"
#include "payload/StringTable.h"
#include "text/GString.h"

// The part of the engine that owns the key material, the default and language string tables and
// the facts of the running system. The virtual operations keep their order: the wizard and the
// engine's sequences reach each other through them.
class CInstallBase {
public:
    CInstallBase();
    CInstallBase(const CInstallBase&) = delete;
    CInstallBase& operator=(const CInstallBase&) = delete;

    virtual HWND OwnerWindow() const;
    // The base only stores the instance handle; the engine overrides this with its whole start-up.
    virtual bool Init(HINSTANCE instance);
    virtual void ReleaseTexts();
    virtual const void* FindText(StringId id) const;
    virtual ~CInstallBase();

    bool SetInstance(HINSTANCE instance);

    HINSTANCE m_hInstance = nullptr;
    CGuard m_guard;
    StringTable m_defaultTexts;
    StringTable m_langTexts[2];
    uint32_t m_step = 0;
    int32_t m_osCode = 0;
    uint32_t m_uiLanguage = 0;
    int32_t m_is64BitOs = 0;
    uint16_t m_cpuArch = 0xFFFF;
    GString m_text;
};
