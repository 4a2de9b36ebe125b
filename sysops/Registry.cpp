// The registry layer: every registry access of the engine, with the type and size of every read
// checked so that callers never see a value of an unexpected type.
#include <windows.h>

#include <new>

#include "engine/CInstall.h"
#include "sysops/WideText.h"

namespace {

bool IsEmptyName(const wchar_t* name) {
    return name == nullptr || name[0] == 0;
}

}  // namespace

const wchar_t* CInstall::FetchName(StringId id) {
    if (!GetText(id, m_text)) {
        return nullptr;
    }
    return AsWide(m_text.GetWideText());
}

HKEY CInstall::OpenKey(HKEY root, const wchar_t* name, REGSAM access) {
    HKEY key = nullptr;
    if (root == nullptr || IsEmptyName(name) ||
        RegOpenKeyExW(root, name, 0, access, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

HKEY CInstall::CreateKey(HKEY root, const wchar_t* name, REGSAM access) {
    HKEY key = nullptr;
    if (root == nullptr || IsEmptyName(name) ||
        RegCreateKeyExW(root, name, 0, nullptr, 0, access, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

bool CInstall::SetBinaryValue(HKEY key, const wchar_t* name, const void* bytes, uint32_t count) {
    return RegSetValueExW(key, name, 0, REG_BINARY, static_cast<const BYTE*>(bytes), count) ==
           ERROR_SUCCESS;
}

unsigned char* CInstall::ReadBinaryValue(HKEY key, const wchar_t* name, uint32_t& count) {
    count = 0;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || size == 0 || type != REG_BINARY) {
        return nullptr;
    }
    count = size;
    auto* buffer = new unsigned char[size];
    // The value may change between the two queries; the second one is bounded by the buffer and
    // must report the same size and type.
    DWORD secondSize = size;
    if (RegQueryValueExW(key, name, nullptr, &type, buffer, &secondSize) != ERROR_SUCCESS ||
        secondSize != size || type != REG_BINARY) {
        delete[] buffer;
        return nullptr;
    }
    return buffer;
}

bool CInstall::SetDwordValue(HKEY key, const wchar_t* name, uint32_t value) {
    DWORD data = value;
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

bool CInstall::ReadDwordValue(HKEY key, const wchar_t* name, uint32_t& value) {
    DWORD data = 0;
    DWORD type = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data) {
        return false;
    }
    value = data;
    return true;
}

bool CInstall::SetTextValue(HKEY key, const wchar_t* name, GString& text) {
    if (key == nullptr || IsEmptyName(name)) {
        return false;
    }
    text.MakeWide();
    // An empty or undecodable text stores the terminating NUL alone.
    const DWORD bytes = static_cast<DWORD>(text.IsWide() ? text.GetLength() + 1 : 1) * 2;
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.GetWideText()),
                          bytes) == ERROR_SUCCESS;
}

bool CInstall::ReadTextValue(HKEY key, const wchar_t* name, GString& text) {
    if (key == nullptr || IsEmptyName(name)) {
        return false;
    }
    text.AssignWide(u"", 0);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    // Room for an odd size's last byte too, so that the second query never writes past the text.
    const int units = static_cast<int>(size / 2 + 1);
    char16_t* buffer = text.GetAppendBuffer(units);
    DWORD secondSize = static_cast<DWORD>(units) * 2;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &secondSize) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        text.SetLength(0);
        return false;
    }
    // The stored terminating NUL is dropped by the length; a value stored without one loses its
    // last character, as Windows' own readers of such values would see it cut.
    text.SetLength(secondSize == 0 ? 0 : static_cast<int>((secondSize - 1) / 2));
    return true;
}

bool CInstall::TextValueEquals(HKEY key, const wchar_t* name, const GString& expected) {
    GString actual;
    if (!ReadTextValue(key, name, actual)) {
        return false;
    }
    return expected.IsWide() ? actual.Compare(expected.GetWideText(), expected.GetLength()) == 0
                             : actual.Compare(expected.GetNarrowText(), expected.GetLength()) == 0;
}

bool CInstall::DeleteValue(HKEY key, const wchar_t* name) {
    if (key == nullptr || IsEmptyName(name)) {
        return false;
    }
    return RegDeleteValueW(key, name) == ERROR_SUCCESS;
}

HKEY CInstall::OpenKeyById(HKEY root, StringId nameId, REGSAM access) {
    const wchar_t* name = FetchName(nameId);
    return name == nullptr ? nullptr : OpenKey(root, name, access);
}

HKEY CInstall::CreateKeyById(HKEY root, StringId nameId, REGSAM access) {
    const wchar_t* name = FetchName(nameId);
    return name == nullptr ? nullptr : CreateKey(root, name, access);
}

bool CInstall::SetBinaryValueById(HKEY key, StringId nameId, const void* bytes, uint32_t count) {
    const wchar_t* name = FetchName(nameId);
    return name != nullptr && SetBinaryValue(key, name, bytes, count);
}

unsigned char* CInstall::ReadBinaryValueById(HKEY key, StringId nameId, uint32_t& count) {
    const wchar_t* name = FetchName(nameId);
    if (name == nullptr) {
        count = 0;
        return nullptr;
    }
    return ReadBinaryValue(key, name, count);
}

bool CInstall::SetDwordValueById(HKEY key, StringId nameId, uint32_t value) {
    const wchar_t* name = FetchName(nameId);
    return name != nullptr && SetDwordValue(key, name, value);
}

bool CInstall::ReadDwordValueById(HKEY key, StringId nameId, uint32_t& value) {
    const wchar_t* name = FetchName(nameId);
    return name != nullptr && ReadDwordValue(key, name, value);
}

bool CInstall::SetTextValueById(HKEY key, StringId nameId, GString& text) {
    GString name;
    return GetText(nameId, name) && SetTextValue(key, AsWide(name.GetWideText()), text);
}

bool CInstall::SetTextValueByIds(HKEY key, StringId nameId, StringId dataId) {
    GString data;
    return GetText(dataId, data) && SetTextValueById(key, nameId, data);
}

bool CInstall::ReadTextValueById(HKEY key, StringId nameId, GString& text) {
    const wchar_t* name = FetchName(nameId);
    return name != nullptr && ReadTextValue(key, name, text);
}

bool CInstall::TextValueEqualsById(HKEY key, StringId nameId, const GString& expected) {
    GString name;
    return GetText(nameId, name) && TextValueEquals(key, AsWide(name.GetWideText()), expected);
}

void CInstall::DeleteValueById(HKEY key, StringId nameId) {
    if (const wchar_t* name = FetchName(nameId)) {
        DeleteValue(key, name);
    }
}

bool CInstall::DeleteKeyById(HKEY parent, StringId nameId) {
    const wchar_t* name = FetchName(nameId);
    return name != nullptr && RegDeleteKeyW(parent, name) == ERROR_SUCCESS;
}

bool CInstall::SetMachineTextValue(StringId keyId, StringId nameId, StringId dataId) {
    HKEY key = OpenKeyById(HKEY_LOCAL_MACHINE, keyId, KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
    if (key == nullptr) {
        return false;
    }
    const bool written = SetTextValueByIds(key, nameId, dataId);
    RegCloseKey(key);
    return written;
}
