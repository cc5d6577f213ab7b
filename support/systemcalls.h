#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

// The operating-system services the engine needs: the Windows API on Windows, a
// layer of our own with the same contracts elsewhere (platform/win32, platform/posix).
namespace systemcalls {
// The performance counter: ticks, and ticks per second.
int64_t queryPerformanceCounter();
int64_t queryPerformanceFrequency();

// Asks that the memory from start, bytes long, be backed by large pages where the system
// gives them without special privileges, so that filling a large text faults once per
// large page rather than once per small one: on a virtual machine a fault can cost more
// than filling its page. A hint: nothing fails, and without them nothing happens.
void preferLargePages(void* start, size_t bytes);

// MultiByteToWideChar / WideCharToMultiByte with flags 0: with no output buffer
// (outputSize 0) they return the units needed; invalid input is replaced, not rejected.
// An output buffer too small, a negative count or an unsupported code page gives 0.
int32_t multiByteToWideChar(uint32_t codePage, const char* bytes, int32_t byteCount,
                            char16_t* output, int32_t outputSize);
int32_t wideCharToMultiByte(uint32_t codePage, const char16_t* text, int32_t unitCount,
                            char* output, int32_t outputSize);
// The code page that stands for "the system's ANSI code page" (code page 0), chosen so
// that every byte decodes and encodes back to itself.
uint32_t ansiCodePage();

// Raised by writeNewFile where the new file could not take the owner and group of the file
// it is to be like, as when that file belongs to another user.
class OwnerNotTaken : public std::system_error {
public:
    using std::system_error::system_error;
};

// Writes bytes to a new file that must not exist yet; a link at that name counts as
// existing and is never followed. When like names an existing file, the new file is its
// owner's alone until it has taken like's owner, group and permissions (on Windows its
// owner and access list), before the first byte is written; otherwise it gets what any new
// file gets. The bytes are on the disk when it returns. Throws std::system_error, with
// std::errc::file_exists when the name is taken, and OwnerNotTaken when like's owner (or
// group) could not be given to it; a file it created is removed again.
void writeNewFile(const std::filesystem::path& file, std::string_view bytes,
                  const std::filesystem::path& like);
// writeNewFile for a file of the user's own: it is readable and writable by its owner
// alone from the start (on Windows, an access list naming only the current user).
void writeNewPrivateFile(const std::filesystem::path& file, std::string_view bytes);
// Appends bytes to an existing file that should be sizeBefore bytes long, cutting off
// first whatever lies past sizeBefore (the part an append that failed may have left), and
// flushes them to the disk before it returns. A link at that name is never followed.
// Throws std::system_error, with std::errc::no_such_file_or_directory when the file is not
// there; the file then holds its first sizeBefore bytes and perhaps a part of bytes.
void appendToFile(const std::filesystem::path& file, uint64_t sizeBefore, std::string_view bytes);
// How many names (hard links) the file at path has; 0 where nothing is there. A link at
// path is not followed. Throws std::system_error when the file cannot be examined.
uint32_t hardLinkCount(const std::filesystem::path& file);
// Puts temporary in target's place in one step, so that target is always either the old
// or the new file; target need not exist. Throws std::system_error, leaving both files as
// they were.
void replaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target);
} // namespace systemcalls
