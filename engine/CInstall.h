#pragma once

#include "engine/CInstallBase.h"
#include "payload/PayloadRef.h"

// The engine object: one per run, created by the entry function. It owns every option, fact and
// path of the run and the engine's own string table. Its operations are spread over units by
// subject: start-up here, the probe and the paths in engine/, registry and files in sysops/.
class CInstall : public CInstallBase {
public:
    CInstall();
    ~CInstall() override;

    HWND OwnerWindow() const override;
    bool Init(HINSTANCE instance) override;
    void ReleaseTexts() override;
    const void* FindText(StringId id) const override;

    bool Run();
    void Finish();
    bool WritePostRunValue();

    // Texts: chosen language table, default table, engine table. On failure the destination is
    // empty.
    bool GetText(StringId id, GString& destination) const;

    // Environment probe.
    bool ProbeEnvironment(StringId functionNameId, StringId libraryNameId);
    bool IsSupportedOs() const;
    bool IsAdmin() const;
    bool ActivateRunningCopy();
    bool SetUiLanguage(uint32_t index);
    HMODULE LoadSystemLibrary(StringId libraryNameId);
    FARPROC GetSystemProc(StringId functionNameId, StringId libraryNameId, HMODULE& module);

    // Paths and layout options.
    bool BuildPaths();
    // The two halves of BuildPaths, apart so that tests can give their own folders and
    // command lines.
    void ComposeInstallPaths(const GString& programFiles, const GString& programs,
                             const GString& desktop);
    bool BuildSetupPaths(const wchar_t* commandLine);
    int32_t DefaultLayoutSet();
    int32_t SetLayoutSet(int32_t value);
    int32_t DefaultDecimalKey();
    int32_t SetDecimalKey(int32_t value);
    int32_t GetAltFamily() const;
    int32_t SetAltFamily(int32_t value);
    int32_t SetModifyOnly(int32_t value);

    // Registry, names as text. The caller closes every key it receives.
    HKEY OpenKey(HKEY root, const wchar_t* name, REGSAM access);
    HKEY CreateKey(HKEY root, const wchar_t* name, REGSAM access);
    bool SetBinaryValue(HKEY key, const wchar_t* name, const void* bytes, uint32_t count);
    unsigned char* ReadBinaryValue(HKEY key, const wchar_t* name, uint32_t& count);
    bool SetDwordValue(HKEY key, const wchar_t* name, uint32_t value);
    bool ReadDwordValue(HKEY key, const wchar_t* name, uint32_t& value);
    bool SetTextValue(HKEY key, const wchar_t* name, GString& text);
    bool ReadTextValue(HKEY key, const wchar_t* name, GString& text);
    bool TextValueEquals(HKEY key, const wchar_t* name, const GString& expected);
    bool DeleteValue(HKEY key, const wchar_t* name);

    // Registry, names by id. The fetched name lives in m_text until the next call.
    HKEY OpenKeyById(HKEY root, StringId nameId, REGSAM access);
    HKEY CreateKeyById(HKEY root, StringId nameId, REGSAM access);
    bool SetBinaryValueById(HKEY key, StringId nameId, const void* bytes, uint32_t count);
    unsigned char* ReadBinaryValueById(HKEY key, StringId nameId, uint32_t& count);
    bool SetDwordValueById(HKEY key, StringId nameId, uint32_t value);
    bool ReadDwordValueById(HKEY key, StringId nameId, uint32_t& value);
    bool SetTextValueById(HKEY key, StringId nameId, GString& text);
    bool SetTextValueByIds(HKEY key, StringId nameId, StringId dataId);
    bool ReadTextValueById(HKEY key, StringId nameId, GString& text);
    bool TextValueEqualsById(HKEY key, StringId nameId, const GString& expected);
    void DeleteValueById(HKEY key, StringId nameId);
    bool DeleteKeyById(HKEY parent, StringId nameId);
    bool SetMachineTextValue(StringId keyId, StringId nameId, StringId dataId);

    // Files and folders. The caller closes every handle it receives.
    HANDLE CreateOutputFile(const wchar_t* path);
    bool WriteBytes(HANDLE file, const void* bytes, uint32_t count);
    bool WriteText(HANDLE file, GString& text);
    bool GetSpecialFolder(int csidl, GString& folder);
    bool DeleteOrScheduleFile(const wchar_t* path);
    bool DeleteOrScheduleFileText(GString& path);
    bool RemoveFolder(GString& path);
    bool EnsureFolder(const wchar_t* path);
    bool GetTempFolder(GString& folder);
    bool MakeTempFile(GString& path, StringId prefixId, const wchar_t* folder);
    bool ExtractPayloadToFile(const wchar_t* path, const unsigned char* payload, uint32_t size);
    bool LoadPayloadText(const unsigned char* payload, uint32_t size, GString& text);
    unsigned char* DecodeHexText(StringId textId, uint32_t& count);

    // Options and state of the run, in the order the state record and the pages expect them.
    uint16_t m_layoutLangId = 0;
    uint16_t m_inputLangId = 0;
    int32_t m_makeDefault = 1;
    int32_t m_viewerPresent = 0;
    int32_t m_isAdmin = 0;
    int32_t m_removed = 0;
    int32_t m_installed = 0;
    int32_t m_restartNow = 0;
    int32_t m_eulaAccepted = 0;
    int32_t m_writeUserSettings = 1;
    int32_t m_desktopLinks = 1;
    int32_t m_file3DesktopDone = 0;
    int32_t m_file1DesktopDone = 0;
    int32_t m_file2DesktopDone = 0;
    int32_t m_layoutSet = -1;
    int32_t m_decimalKey = -1;
    int32_t m_altFamilyStored = 0;
    int32_t m_altFamily = 0;
    int32_t m_modifyOnly = 0;
    int32_t m_scancodeMapFound = 0;
    StringTable m_ownTexts;

    GString m_inputLangName;
    GString m_prevLayoutRecord;
    GString m_vendorDir;
    GString m_installDir;
    GString m_menuVendorDir;
    GString m_menuDir;
    GString m_oldFile1;
    GString m_file1;
    GString m_oldFile1MenuLink;
    GString m_file1MenuLink;
    GString m_oldFile1DesktopLink;
    GString m_file1DesktopLink;
    GString m_oldFile2;
    GString m_file2;
    GString m_oldFile2MenuLink;
    GString m_file2MenuLink;
    GString m_oldFile2DesktopLink;
    GString m_file2DesktopLink;
    GString m_oldFile3;
    GString m_file3;
    GString m_oldFile3MenuLink;
    GString m_file3MenuLink;
    GString m_oldFile3DesktopLink;
    GString m_file3DesktopLink;
    GString m_oldFile4Menu;
    GString m_file4Menu;
    GString m_oldFile4Desktop;
    GString m_file4Desktop;
    GString m_oldFile5;
    GString m_file5;
    GString m_setupPath;
    GString m_setupLinkName;
    GString m_oldSetupCopy;
    GString m_setupCopy;
    GString m_oldSetupLink;
    GString m_setupLink;

    uint32_t m_file2Version = 0;
    uint32_t m_file1Users = 0;
    uint32_t m_installedVersion = 0;
    uint32_t m_installCount = 0;

private:
    bool AttachStringTable(StringTable& table, const PayloadRef& payload);
    void ReadLayoutLangId();
    // Until the wizard can show its own message boxes, the start checks use a plain one.
    void ShowMessage(StringId textId, UINT style);
    const wchar_t* FetchName(StringId id);
};
