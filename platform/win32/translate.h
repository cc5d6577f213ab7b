#pragma once

#include <string>
#include <string_view>

// Pure pieces of turning Win32 input into handler arguments, kept apart from the
// window so they can be tested without one.

// What follows the program name in a process command line as GetCommandLineW gives
// it: the name ends at its closing quote, or at the first blank when unquoted; the
// blanks that separate it from the rest are dropped, the rest is kept as it is.
std::u16string commandLineTail(std::u16string_view commandLine);

// WM_CHAR delivers UTF-16 units; a character outside the BMP comes as two messages.
// Each unit fed in gives the characters it completes: none for a high surrogate that
// waits for its partner, two when a waiting half turns out to be unpaired.
class SurrogateJoiner {
public:
    std::u32string feed(char16_t unit);

private:
    char16_t pendingHigh = 0;
};
