#include "platform/win32/Clipboard.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Another program may hold the clipboard for a moment, so opening it is tried a few times.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (OpenClipboard(owner))
                return;
            Sleep(10);
        }
        throw std::runtime_error("the clipboard is in use by another program");
    }
    ~OpenClipboardScope() { CloseClipboard(); }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
};

} // namespace

namespace clipboard {

std::u16string text(HWND owner) {
    const OpenClipboardScope open(owner);
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr)
        return {};
    const auto* units = static_cast<const char16_t*>(GlobalLock(data));
    if (units == nullptr)
        return {};
    const size_t room = GlobalSize(data) / sizeof(char16_t);
    const std::u16string copied(units, std::find(units, units + room, u'\0'));
    GlobalUnlock(data);
    return copied;
}

// The block is the system's once the clipboard has taken it.
void setText(HWND owner, const std::u16string& text) {
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
    auto* units = block != nullptr ? static_cast<char16_t*>(GlobalLock(block)) : nullptr;
    if (units == nullptr) {
        if (block != nullptr)
            GlobalFree(block);
        throw std::runtime_error("there is not enough memory to copy the text");
    }
    std::memcpy(units, text.data(), text.size() * sizeof(char16_t));
    units[text.size()] = u'\0';
    GlobalUnlock(block);
    try {
        const OpenClipboardScope open(owner);
        if (!EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, block) == nullptr)
            throw std::runtime_error("the clipboard did not take the text");
    } catch (...) {
        GlobalFree(block);
        throw;
    }
}

} // namespace clipboard
