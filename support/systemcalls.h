#pragma once

#include <cstdint>
#include <filesystem>

// The operating-system services the support layer needs: kernel32 on Windows, a
// layer of our own with the same contracts elsewhere (platform/win32, platform/posix).
namespace systemcalls {
// The performance counter: ticks, and ticks per second.
int64_t queryPerformanceCounter();
int64_t queryPerformanceFrequency();

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

// Forces the written contents of a closed file onto the disk. Throws std::system_error.
void flushFileToDisk(const std::filesystem::path& file);
// Puts temporary in target's place in one step, so that target is always either the old
// or the new file, keeping target's permissions and owner where the system allows; target
// need not exist. Throws std::system_error, leaving both files as they were.
void replaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target);
} // namespace systemcalls
