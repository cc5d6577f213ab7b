#pragma once

#include "support/modLocale.h"

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

// How reading and saving name a file and a failure to the user, alike for both.

inline std::string shownPath(const std::u16string& path) {
    return "\"" + modLocale::textToBytes(path, modLocale::codePageUtf8) + "\"";
}

// What the last failed standard-library call left in errno, for the user.
inline std::string lastSystemReason() {
    const int failure = errno;
    return failure == 0 ? std::string("unknown error") : std::generic_category().message(failure);
}

inline std::filesystem::path pathFrom(const std::u16string& path) {
    if (path.empty())
        throw std::runtime_error("no file name was given");
    return std::filesystem::path(path);
}
