#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

// Makes a file under a name of its own, for the files a save or a journal puts beside
// others. nameFor turns a random number into a name; create makes the file there only where
// nothing is, raising std::system_error with std::errc::file_exists where the name is taken
// (as systemcalls::writeNewFile does), and a taken name is drawn again. A name is only
// checked by creating the file, never beforehand: another program could put a file or a
// link there in between and have the bytes written through it. Gives the name made; raises
// std::runtime_error when a hundred draws were all taken, naming what (such as "temporary
// file") and the folder, and lets create's other failures through.
std::filesystem::path
createUnderFreeName(std::string_view what,
                    const std::function<std::filesystem::path(uint64_t draw)>& nameFor,
                    const std::function<void(const std::filesystem::path&)>& create);
