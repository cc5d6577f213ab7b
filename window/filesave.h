#pragma once

#include "window/fileformat.h"

#include <string>
#include <string_view>

// Saves atomically: the file, or the one a symbolic link at path points to, is either
// untouched or wholly replaced, keeping its permissions; no temporary file remains.
// Raises std::exception with a message for the user (UTF-8) on any failure.
void writeTextFile(const std::u16string& path, std::u16string_view text,
                   const TextFileFormat& format);
