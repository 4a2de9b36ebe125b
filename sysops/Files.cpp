// Files, folders and temporary files: the only way the engine touches the file system.
#include <windows.h>

#include <shlobj.h>

#include "engine/CInstall.h"
#include "sysops/WideText.h"

namespace {

constexpr int kFolderUnits = 261;      // MAX_PATH with its terminator
constexpr int kTempFolderUnits = 771;  // GetTempPathW's buffer, one below the reserved room
constexpr uint8_t kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

// Takes the text a Win32 call wrote into an append buffer: its length ends at the first NUL.
void TakeWrittenText(GString& text) {
    text.SetLength(-1);
}

int HexDigitValue(char c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = 0; i < 16; ++i) {
        if (kDigits[i] == c) {
            return i;
        }
    }
    return -1;
}

}  // namespace

HANDLE CInstall::CreateOutputFile(const wchar_t* path) {
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

bool CInstall::WriteBytes(HANDLE file, const void* bytes, uint32_t count) {
    if (file == nullptr || bytes == nullptr || count == 0) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

bool CInstall::WriteText(HANDLE file, GString& text) {
    if (file == nullptr || text.GetLength() == 0) {
        return false;
    }
    const char* bytes = text.MakeNarrow();
    return WriteBytes(file, bytes, static_cast<uint32_t>(text.GetLength()));
}

bool CInstall::GetSpecialFolder(int csidl, GString& folder) {
    folder.AssignWide(u"", 0);
    char16_t* buffer = folder.GetAppendBuffer(kFolderUnits);
    buffer[0] = 0;
    if (!SHGetSpecialFolderPathW(OwnerWindow(), AsWide(buffer), csidl, FALSE)) {
        folder.SetLength(0);
        return false;
    }
    TakeWrittenText(folder);
    return true;
}

bool CInstall::DeleteOrScheduleFile(const wchar_t* path) {
    if (path == nullptr || path[0] == 0) {
        return false;
    }
    if (DeleteFileW(path) || GetLastError() == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    // In use or locked: Windows removes it during the next restart.
    return MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool CInstall::DeleteOrScheduleFileText(GString& path) {
    if (path.GetLength() == 0 || path.MakeWide() == nullptr) {
        return false;
    }
    return DeleteOrScheduleFile(AsWide(path.GetWideText()));
}

bool CInstall::RemoveFolder(GString& path) {
    if (path.GetLength() == 0 || path.MakeWide() == nullptr) {
        return false;
    }
    return RemoveDirectoryW(AsWide(path.GetWideText())) != 0;
}

bool CInstall::EnsureFolder(const wchar_t* path) {
    return CreateDirectoryW(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CInstall::GetTempFolder(GString& folder) {
    folder.AssignWide(u"", 0);
    char16_t* buffer = folder.GetAppendBuffer(kTempFolderUnits + 1);
    const DWORD length = GetTempPathW(kTempFolderUnits, AsWide(buffer));
    if (length == 0 || length > kTempFolderUnits) {
        folder.SetLength(0);
        return false;
    }
    folder.SetLength(static_cast<int>(length));
    return true;
}

bool CInstall::MakeTempFile(GString& path, StringId prefixId, const wchar_t* folder) {
    if (prefixId == 0) {
        return false;
    }
    GString prefix;
    GetText(prefixId, prefix);
    GString tempFolder;
    if (folder == nullptr) {
        GetTempFolder(tempFolder);
        folder = AsWide(tempFolder.GetWideText());
    }
    path.AssignWide(u"", 0);
    char16_t* buffer = path.GetAppendBuffer(kFolderUnits);
    buffer[0] = 0;
    if (GetTempFileNameW(folder, AsWide(prefix.GetWideText()), 0, AsWide(buffer)) == 0) {
        path.SetLength(0);
        return false;
    }
    TakeWrittenText(path);
    return true;
}

bool CInstall::ExtractPayloadToFile(const wchar_t* path, const unsigned char* payload,
                                    uint32_t size) {
    if (path == nullptr || payload == nullptr) {
        return false;
    }
    uint32_t plainSize = size;
    unsigned char* plain = m_guard.Decode(payload, plainSize, nullptr);
    if (plain == nullptr) {
        return false;
    }
    bool written = false;
    if (HANDLE file = CreateOutputFile(path)) {
        written = WriteBytes(file, plain, plainSize);
        CloseHandle(file);
    }
    delete[] plain;
    return written;
}

bool CInstall::LoadPayloadText(const unsigned char* payload, uint32_t size, GString& text) {
    if (payload == nullptr || size == 0) {
        return false;
    }
    uint32_t plainSize = size;
    unsigned char* plain = m_guard.Decode(payload, plainSize, nullptr);
    if (plain == nullptr) {
        return false;
    }
    uint32_t skip = 0;
    if (plainSize > 2 && plain[0] == kByteOrderMark[0] && plain[1] == kByteOrderMark[1] &&
        plain[2] == kByteOrderMark[2]) {
        skip = 3;
    }
    text.AssignNarrow("", 0);
    const bool appended = text.AppendNarrow(reinterpret_cast<const char*>(plain + skip),
                                            static_cast<int>(plainSize - skip));
    delete[] plain;
    return appended;
}

unsigned char* CInstall::DecodeHexText(StringId textId, uint32_t& count) {
    GString hex;
    GetText(textId, hex);
    const char* digits = hex.MakeNarrow();
    if (hex.GetLength() == 0) {
        return nullptr;
    }
    const uint32_t bytes = static_cast<uint32_t>(hex.GetLength()) / 2;
    count = bytes;
    auto* buffer = new unsigned char[bytes + 1];
    for (uint32_t i = 0; i < bytes; ++i) {
        const int high = HexDigitValue(digits[2 * i]);
        const int low = HexDigitValue(digits[2 * i + 1]);
        if (high < 0 || low < 0) {
            delete[] buffer;
            return nullptr;
        }
        buffer[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return buffer;
}
