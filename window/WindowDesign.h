#pragma once

#include <cstdint>
#include <string_view>

// The window as designed: what the window logic and both front ends take from one place.
namespace windowDesign {

// The client area a new window opens with, in pixels.
constexpr int32_t startWidth = 360;
constexpr int32_t startHeight = 199;
// The scroll timer's interval.
constexpr int32_t tickMilliseconds = 10;

constexpr std::u16string_view caption = u"Columnator";
constexpr std::u16string_view loadingCaption = u"loading";
// The title of the input boxes.
constexpr std::u16string_view promptTitle = u"Colnat";
// The title of the command palette's window.
constexpr std::u16string_view paletteTitle = u"Commands";

// The picture's font until the user picks another.
constexpr std::u16string_view fontName = u"Verdana";
constexpr double fontPoints = 9;

} // namespace windowDesign
