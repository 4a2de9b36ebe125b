#pragma once

// The one place where the core's UTF-16 units meet Win32's wchar_t (16 bits under mingw).
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");

inline const wchar_t* AsWide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

inline wchar_t* AsWide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}

inline const char16_t* AsUnits(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}
