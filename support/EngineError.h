#pragma once

#include <stdexcept>
#include <string>

enum class ErrorNumber : int {
    BadArgument = 5, // e.g. a stopwatch closed under another label
    Overflow = 6,    // a running sum would leave 32 bits
    OutOfRange = 9,  // an index or range outside an array
};

// The one exception the engine raises; the number tells the caller's mistake.
class EngineError : public std::runtime_error {
public:
    EngineError(ErrorNumber n, const std::string& message)
        : std::runtime_error(message), number(n) {}
    const ErrorNumber number;
};

[[noreturn]] inline void raiseOutOfRange(const std::string& what) {
    throw EngineError(ErrorNumber::OutOfRange, "subscript out of range: " + what);
}
