#pragma once

#include "textbox/CLBox.h"
#include "window/Host.h"

#include <functional>
#include <optional>
#include <string>

// The right click's font change: bold, italic and strikethrough off, then a prompt for the
// name and one for the size, then the whole text laid out again and drawn. Every step runs
// even when one before it failed; a font in which the text would be too tall or wide to lay
// out is taken back. Gives what was refused, as one message for the user, or none.
std::optional<std::u16string> changeFontByPrompts(Host& host, CLBox& box);

// Lays the whole text out again in the surface's font and draws it, each step running even
// when one before it failed; beforeDrawing, if given, runs between the layout and the
// frame. Refused when the text would leave 32-bit coordinates.
enum class Layout { Done, Refused };
Layout layOutAgain(CLBox& box, const std::function<void()>& beforeDrawing = {});
