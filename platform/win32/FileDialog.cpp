#include "platform/win32/FileDialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace {

// Pairs of a label and its patterns; the literal's own NUL ends the list.
constexpr wchar_t filters[] = L"Text files (*.txt;*.tsv;*.tab;*.csv)\0*.txt;*.tsv;*.tab;*.csv\0"
                              L"All files (*.*)\0*.*\0";

// Past this the dialog's report of the size it needs (two bytes) cannot be believed.
constexpr size_t largestBuffer = 1 << 20;

// The Save dialog opens at the file itself: a path in the name field outranks the folder
// Windows may remember instead of the one given. The Open dialog opens in its folder.
struct StartPoint {
    std::u16string folder;
    std::u16string file; // "" for none
};

StartPoint startPointOf(fileDialog::Kind kind, const std::u16string& path) {
    std::u16string folder = std::filesystem::path(path).parent_path().u16string();
    return {std::move(folder), kind == fileDialog::Kind::Save ? path : u""};
}

std::string dialogFailure(fileDialog::Kind kind, DWORD error) {
    char code[16] = {};
    std::snprintf(code, sizeof(code), "0x%04lx", static_cast<unsigned long>(error));
    const char* dialog = kind == fileDialog::Kind::Save ? "Save" : "Open";
    return std::string("the ") + dialog + " dialog could not be shown (common dialog error " +
           code + ")";
}

// One showing of the dialog; the buffer holds the name it starts with and then the answer.
BOOL show(HWND owner, fileDialog::Kind kind, const StartPoint& start, std::vector<wchar_t>& file) {
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = filters;
    request.nFilterIndex = 1;
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    if (start.file.empty() && !start.folder.empty())
        request.lpstrInitialDir = reinterpret_cast<const wchar_t*>(start.folder.c_str());
    request.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (kind == fileDialog::Kind::Save) {
        request.Flags |= OFN_OVERWRITEPROMPT;
        return GetSaveFileNameW(&request);
    }
    request.Flags |= OFN_FILEMUSTEXIST;
    return GetOpenFileNameW(&request);
}

std::vector<wchar_t> nameBuffer(const std::u16string& name, size_t capacity) {
    std::vector<wchar_t> file(std::max(capacity, name.size() + 1), L'\0');
    std::copy(name.begin(), name.end(), file.begin());
    return file;
}

} // namespace

namespace fileDialog {

std::u16string ask(HWND owner, Kind kind, const std::u16string& startPath, DWORD capacity) {
    StartPoint start = startPointOf(kind, startPath);
    size_t bufferSize = std::max<size_t>(capacity, 2);
    for (;;) {
        std::vector<wchar_t> file = nameBuffer(start.file, bufferSize);
        if (show(owner, kind, start, file))
            return reinterpret_cast<const char16_t*>(file.data());
        const DWORD error = CommDlgExtendedError();
        if (error == 0)
            return {}; // cancelled
        if (error == FNERR_BUFFERTOOSMALL && file.size() < largestBuffer) {
            const size_t needed = file[0]; // the size it needs, in place of the name
            bufferSize = std::min(std::max(needed, file.size() * 2), largestBuffer);
        } else if (error == FNERR_INVALIDFILENAME && !start.file.empty()) {
            start.file.clear(); // a name the dialog refuses is left out; its folder stays
        } else {
            throw std::runtime_error(dialogFailure(kind, error));
        }
    }
}

} // namespace fileDialog
