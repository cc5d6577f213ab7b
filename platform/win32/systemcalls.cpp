#include "support/systemcalls.h"

#include <windows.h>

#include <system_error>

// char16_t and wchar_t are both UTF-16 code units on Windows, so buffers pass through.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace systemcalls {

int64_t queryPerformanceCounter() {
    LARGE_INTEGER ticks{};
    QueryPerformanceCounter(&ticks);
    return ticks.QuadPart;
}

int64_t queryPerformanceFrequency() {
    LARGE_INTEGER perSecond{};
    QueryPerformanceFrequency(&perSecond);
    return perSecond.QuadPart;
}

int32_t multiByteToWideChar(uint32_t codePage, const char* bytes, int32_t byteCount,
                            char16_t* output, int32_t outputSize) {
    if (byteCount <= 0) // the OS would read a negative count as "up to a NUL"
        return 0;
    return MultiByteToWideChar(codePage, 0, bytes, byteCount, reinterpret_cast<wchar_t*>(output),
                               outputSize);
}

int32_t wideCharToMultiByte(uint32_t codePage, const char16_t* text, int32_t unitCount,
                            char* output, int32_t outputSize) {
    if (unitCount <= 0)
        return 0;
    return WideCharToMultiByte(codePage, 0, reinterpret_cast<const wchar_t*>(text), unitCount,
                               output, outputSize, nullptr, nullptr);
}

uint32_t ansiCodePage() {
    // With "UTF-8 for worldwide language support" switched on the ANSI code page is
    // 65001, which cannot carry the bytes of a file that failed the UTF-8 scan.
    const UINT active = GetACP();
    return active == CP_UTF8 ? 1252 : active;
}

namespace {
[[noreturn]] void throwLastError(const std::string& what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}
} // namespace

void flushFileToDisk(const std::filesystem::path& file) {
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throwLastError("cannot open the new file to flush it");
    const BOOL flushed = FlushFileBuffers(handle);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!flushed)
        throw std::system_error(static_cast<int>(error), std::system_category(),
                                "cannot flush the new file to disk");
}

void replaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) {
    // ReplaceFileW keeps the target's attributes and security; it needs a target that
    // exists and a file system that supports it. Otherwise an atomic rename serves.
    const bool targetExists = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (targetExists && ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return;
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throwLastError("cannot put the new file in the old one's place");
}

} // namespace systemcalls
