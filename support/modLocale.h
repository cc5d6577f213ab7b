#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Conversion between bytes in a Windows code page and UTF-16 text, through the system's
// code-page calls. Code page 0 is the ANSI code page (systemcalls::ansiCodePage). Invalid
// input is replaced, never rejected; a code page the system cannot convert raises
// EngineError BadArgument.
namespace modLocale {
constexpr int32_t codePageUtf8 = 65001;
constexpr int32_t codePageAnsi = 0;

std::u16string bytesToText(std::string_view bytes, int32_t codePage);
std::string textToBytes(std::u16string_view text, int32_t codePage);

// Whether the code page holds every character of text, so that encoding it loses nothing.
bool canEncode(std::u16string_view text, int32_t codePage);
} // namespace modLocale
