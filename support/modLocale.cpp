#include "support/modLocale.h"

#include "support/EngineError.h"
#include "support/systemcalls.h"

#include <limits>

namespace modLocale {

namespace {

uint32_t systemCodePage(int32_t codePage) {
    return codePage == codePageAnsi ? systemcalls::ansiCodePage() : static_cast<uint32_t>(codePage);
}

// The system calls count in 32 bits.
int32_t countOf(size_t size) {
    if (size > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EngineError(ErrorNumber::Overflow, "text too large to convert in one piece");
    return static_cast<int32_t>(size);
}

[[noreturn]] void refuse(int32_t codePage) {
    throw EngineError(ErrorNumber::BadArgument,
                      "the system cannot convert code page " + std::to_string(codePage));
}

} // namespace

std::u16string bytesToText(std::string_view bytes, int32_t codePage) {
    if (bytes.empty()) // the system calls refuse empty input
        return {};
    const uint32_t system = systemCodePage(codePage);
    const int32_t count = countOf(bytes.size());
    const int32_t needed =
        systemcalls::multiByteToWideChar(system, bytes.data(), count, nullptr, 0);
    if (needed <= 0)
        refuse(codePage);
    std::u16string text(static_cast<size_t>(needed), u'\0');
    if (systemcalls::multiByteToWideChar(system, bytes.data(), count, text.data(), needed) !=
        needed)
        refuse(codePage);
    return text;
}

std::string textToBytes(std::u16string_view text, int32_t codePage) {
    if (text.empty())
        return {};
    const uint32_t system = systemCodePage(codePage);
    const int32_t count = countOf(text.size());
    const int32_t needed = systemcalls::wideCharToMultiByte(system, text.data(), count, nullptr, 0);
    if (needed <= 0)
        refuse(codePage);
    std::string bytes(static_cast<size_t>(needed), '\0');
    if (systemcalls::wideCharToMultiByte(system, text.data(), count, bytes.data(), needed) !=
        needed)
        refuse(codePage);
    return bytes;
}

// A round trip catches both replacement by '?' and a system's best-fit substitutes.
bool canEncode(std::u16string_view text, int32_t codePage) {
    return bytesToText(textToBytes(text, codePage), codePage) == text;
}

} // namespace modLocale
