#pragma once

#include <string_view>

// A stack of named stopwatches on the high-resolution counter, timing the phases of
// drawing. Stopping with nothing open raises OutOfRange; stopping under another label
// than the innermost one's raises BadArgument, after popping it.
namespace modClock {
void clockStart(std::string_view label);
double clockStop(std::string_view label, bool report);
int openStopwatches(); // how many are open now
} // namespace modClock
