// Where everything goes, and the defaults and setters of the layout options.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include "engine/CInstall.h"
#include "sysops/WideText.h"

namespace {

// destination = base joined with part, followed by extension (any may be empty), always in the
// wide form that Windows takes.
void ComposePath(GString& destination, const GString& base, const GString& part,
                 const GString& extension) {
    destination.AssignWide(u"", 0);
    destination.Append(base);
    destination.AppendPath(part);
    destination.Append(extension);
}

}  // namespace

bool CInstall::BuildPaths() {
    GString programFiles;
    GString programs;
    GString desktop;
    GetSpecialFolder(CSIDL_PROGRAM_FILES, programFiles);
    GetSpecialFolder(CSIDL_COMMON_PROGRAMS, programs);
    GetSpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY, desktop);
    ComposeInstallPaths(programFiles, programs, desktop);
    return BuildSetupPaths(GetCommandLineW());
}

void CInstall::ComposeInstallPaths(const GString& programFiles, const GString& programs,
                                   const GString& desktop) {
    GString file3, file4, file5, name1Left, name1Right, file2, extDocument, extLink, extFile3,
        extFile4, vendor, product;
    GetText(kStrFile3BaseName, file3);
    GetText(kStrFile4BaseName, file4);
    GetText(kStrFile5Name, file5);
    GetText(kStrFile1NameFirst, name1Left);
    GetText(kStrFile1NameSecond, name1Right);
    GetText(kStrFile2BaseName, file2);
    GetText(kStrDocumentExtension, extDocument);
    GetText(kStrShortcutExtension, extLink);
    GetText(kStrFile3Extension, extFile3);
    GetText(kStrFile4Extension, extFile4);
    GetText(kStrVendorFolder, vendor);
    GetText(kStrProductFolder, product);

    GString name1;
    name1.Assign(name1Left);
    name1.AppendWide(u" (");
    name1.Append(name1Right);
    name1.AppendWide(u")");

    const GString none;
    ComposePath(m_vendorDir, programFiles, vendor, none);
    ComposePath(m_installDir, m_vendorDir, product, none);
    ComposePath(m_menuVendorDir, programs, vendor, none);
    ComposePath(m_menuDir, m_menuVendorDir, product, none);

    struct FileSet {
        GString& file;
        GString& menuLink;
        GString& desktopLink;
        const GString& name;
        const GString& extension;
    };
    const FileSet sets[] = {
        {m_file1, m_file1MenuLink, m_file1DesktopLink, name1, extDocument},
        {m_file2, m_file2MenuLink, m_file2DesktopLink, file2, extDocument},
        {m_file3, m_file3MenuLink, m_file3DesktopLink, file3, extFile3},
    };
    for (const FileSet& set : sets) {
        ComposePath(set.file, m_installDir, set.name, set.extension);
        ComposePath(set.menuLink, m_menuDir, set.name, extLink);
        ComposePath(set.desktopLink, desktop, set.name, extLink);
    }
    ComposePath(m_file4Menu, m_menuDir, file4, extFile4);
    ComposePath(m_file4Desktop, desktop, file4, extFile4);
    ComposePath(m_file5, m_installDir, file5, none);
}

bool CInstall::BuildSetupPaths(const wchar_t* commandLine) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (arguments == nullptr) {
        return false;
    }
    if (count < 1) {
        LocalFree(arguments);
        return false;
    }
    m_setupPath.AssignWide(AsUnits(arguments[0]));
    LocalFree(arguments);

    // Only a backslash separates folders here: the path is as Windows gave it to us.
    GString fileName;
    fileName.Assign(m_setupPath);
    const int separator = fileName.ReverseFind(u'\\');
    if (separator >= 0) {
        fileName.TrimLeft(separator + 1);
    }

    GString linkFormat, layoutName, extLink;
    GetText(kStrSetupLinkFormat, linkFormat);
    GetText(kStrLayoutDisplayName, layoutName);
    GetText(kStrShortcutExtension, extLink);
    ComposePath(m_setupCopy, m_installDir, fileName, GString());
    m_setupLinkName.Format(linkFormat.GetWideText(), layoutName.GetWideText());
    ComposePath(m_setupLink, m_menuDir, m_setupLinkName, extLink);
    return true;
}

int32_t CInstall::DefaultLayoutSet() {
    if (m_layoutSet >= 0) {
        return m_layoutSet;
    }
    GString key;
    GetText(kStrDefaultLayoutSetKey, key);
    m_layoutSet = 0;
    const StringId setNames[] = {kStrLayoutSetName0, kStrLayoutSetName1, kStrLayoutSetName2};
    for (int32_t set = 0; set < 3; ++set) {
        GString name;
        GetText(setNames[set], name);
        if (key.GetLength() > 0 && name.Find(key) >= 0) {
            m_layoutSet = set;
            break;
        }
    }
    return m_layoutSet;
}

int32_t CInstall::SetLayoutSet(int32_t value) {
    if (static_cast<uint32_t>(value) <= 2) {
        m_layoutSet = value;
    }
    return value;
}

int32_t CInstall::DefaultDecimalKey() {
    if (m_decimalKey >= 0) {
        return m_decimalKey;
    }
    const int needed = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, nullptr, 0);
    if (needed <= 0) {
        return -1;
    }
    GString separator;
    separator.AssignWide(u"", 0);
    char16_t* buffer = separator.GetAppendBuffer(needed);
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, AsWide(buffer), needed) == 0) {
        return -1;
    }
    separator.SetLength(-1);
    m_decimalKey = separator.Compare(u",", 1) == 0 ? 0 : 1;
    return m_decimalKey;
}

int32_t CInstall::SetDecimalKey(int32_t value) {
    if (value == 0 || value == 1) {
        m_decimalKey = value;
    }
    return value;
}

int32_t CInstall::GetAltFamily() const {
    return m_altFamily;
}

int32_t CInstall::SetAltFamily(int32_t value) {
    m_altFamily = value;
    return value;
}

int32_t CInstall::SetModifyOnly(int32_t value) {
    m_modifyOnly = value;
    if (value != 0) {
        m_eulaAccepted = 1;
    }
    return value;
}
