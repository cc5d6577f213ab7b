#pragma once

#include <windows.h>

#include <string>

// The system clipboard's Unicode text (CF_UNICODETEXT). Both raise std::runtime_error when
// the clipboard stays open in another program, or when memory for the text runs out.
namespace clipboard {

// "" when the clipboard holds no text; the text ends at its first NUL, as the format does.
std::u16string text(HWND owner);
void setText(HWND owner, const std::u16string& text);

} // namespace clipboard
