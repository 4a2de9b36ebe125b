#pragma once

#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine/CInstall.h"

// Windows path of a Unix path as Wine maps it (drive Z: is the Unix root).
inline std::wstring WindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return path;
}

inline std::u16string Units(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

inline std::u16string TextOf(const GString& text) {
    return text.GetWideText();
}

// Attaches a small string table of the test's own texts as the language table the engine
// searches first, so that a test decides what an id holds.
inline void OverrideTexts(CInstall& install,
                          std::initializer_list<std::pair<uint32_t, std::u16string>> list) {
    std::vector<std::pair<uint32_t, std::u16string>> texts(list);
    std::sort(texts.begin(), texts.end());
    const uint32_t count = static_cast<uint32_t>(texts.size());
    size_t textBytes = 0;
    for (const auto& entry : texts) {
        textBytes += 4 + entry.second.size() * 2;
    }
    auto* buffer = new unsigned char[8 * count + textBytes];
    unsigned char* index = buffer;
    unsigned char* area = buffer + 8 * count;
    uint32_t offset = 0;
    auto put32 = [](unsigned char* at, uint32_t value) { std::memcpy(at, &value, 4); };
    for (const auto& [id, text] : texts) {
        put32(index, id);
        put32(index + 4, offset);
        index += 8;
        put32(area + offset, static_cast<uint32_t>(text.size()));
        std::memcpy(area + offset + 4, text.data(), text.size() * 2);
        offset += static_cast<uint32_t>(4 + text.size() * 2);
    }
    install.m_uiLanguage = 0;
    install.m_langTexts[0].Attach(buffer, static_cast<int32_t>(count),
                                  static_cast<uint32_t>(8 * count + textBytes));
}

// A registry key under HKEY_CURRENT_USER that the test owns and removes with all it holds.
class ScratchKey {
public:
    explicit ScratchKey(const wchar_t* name) : m_name(name) {
        SHDeleteKeyW(HKEY_CURRENT_USER, m_name.c_str());
        RegCreateKeyExW(HKEY_CURRENT_USER, m_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &m_key, nullptr);
    }
    ~ScratchKey() {
        RegCloseKey(m_key);
        SHDeleteKeyW(HKEY_CURRENT_USER, m_name.c_str());
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY get() const { return m_key; }
    void SetRaw(const wchar_t* value, DWORD type, const void* data, DWORD size) const {
        RegSetValueExW(m_key, value, 0, type, static_cast<const BYTE*>(data), size);
    }

private:
    std::wstring m_name;
    HKEY m_key = nullptr;
};

// An engine with its real texts, as after start-up.
inline void InitEngine(CInstall& install) {
    install.Init(GetModuleHandleW(nullptr));
}
