#include "platform/win32/AppDataFolder.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace {

const wchar_t* wideText(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

bool isFolder(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(wideText(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

namespace appDataFolder {

std::u16string localAppData() {
    PWSTR found = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &found);
    std::u16string folder;
    if (SUCCEEDED(result))
        folder = reinterpret_cast<const char16_t*>(found);
    CoTaskMemFree(found); // owed even when the call fails
    return folder;
}

std::u16string ownFolderIn(const std::u16string& base) {
    if (base.empty())
        return {};
    const bool separated = base.back() == u'\\' || base.back() == u'/';
    const std::u16string folder = base + (separated ? u"" : u"\\") + u"Columnator";
    if (!CreateDirectoryW(wideText(folder), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return {};
    return isFolder(folder) ? folder : u"";
}

} // namespace appDataFolder
