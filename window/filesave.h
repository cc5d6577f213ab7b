#pragma once

#include "window/fileformat.h"
#include "window/filestamp.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Saves without risking the old text: the file, or the one a symbolic link at path points
// to, ends up holding either its old bytes or the new ones, keeping its permissions, its
// owner and every other name it has; no file of the save's own remains. Gives the stamp of
// what it wrote, its time read back once in place. Raises std::exception with a message for
// the user (UTF-8) on any failure.
FileStamp writeTextFile(const std::u16string& path, std::u16string_view text,
                        const TextFileFormat& format);

// Where tests reproduce what another program, or the system, may do at a save's critical
// moments.
struct SaveProbes {
    using AtName = std::function<void(const std::filesystem::path&)>;
    using Writer = std::function<void(const std::filesystem::path&, std::string_view bytes)>;
    // Runs with each drawn name just before a file is created there: the moment another
    // program may take that name.
    AtName beforeCreate = {};
    // Writes the bytes into the file itself, in place of the system's own write: a write
    // that fails part-way.
    Writer writeInPlace = {};
};

// writeTextFile once the text is encoded, with messages that do not name the file yet.
// Mostly the bytes go to a temporary file created beside the target, which then takes the
// target's place in one step. A file with other names, or one a new file could not take
// the owner of, is written into itself instead, after a copy of its old bytes is kept
// beside it; a failure then writes the old bytes back, and the copy goes once the file holds
// either.
FileStamp saveBytesAtomically(const std::filesystem::path& file, std::string_view bytes,
                              const SaveProbes& probes = {});
