#pragma once

#include "window/fileformat.h"
#include "window/filestamp.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Saves atomically: the file, or the one a symbolic link at path points to, is either
// untouched or wholly replaced, keeping its permissions; no temporary file remains.
// Gives the stamp of what it wrote, its time read back once in place. Raises
// std::exception with a message for the user (UTF-8) on any failure.
FileStamp writeTextFile(const std::u16string& path, std::u16string_view text,
                        const TextFileFormat& format);

// writeTextFile once the text is encoded, with messages that do not name the file yet.
// The bytes go to a temporary file created beside the target only where nothing is (a
// name found taken is drawn again), which then takes the target's place. beforeCreate runs
// with each drawn name just before the file is created there: the moment another program
// may take that name, which tests reproduce there.
FileStamp
saveBytesAtomically(const std::filesystem::path& file, std::string_view bytes,
                    const std::function<void(const std::filesystem::path&)>& beforeCreate = {});
