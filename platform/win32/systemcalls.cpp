#include "support/systemcalls.h"

#include <windows.h>

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

} // namespace systemcalls
