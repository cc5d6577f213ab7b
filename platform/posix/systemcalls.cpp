#include "support/systemcalls.h"

#include "support/Utf16.h"
#include "support/Utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace systemcalls {

int64_t queryPerformanceCounter() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

int64_t queryPerformanceFrequency() {
    using Period = std::chrono::steady_clock::period;
    return Period::den / Period::num;
}

// Transparent huge pages, where the system gives them to those who ask (madvise mode).
void preferLargePages(void* start, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t largePage = uintptr_t{1} << 21;
    const auto first = (reinterpret_cast<uintptr_t>(start) + largePage - 1) & ~(largePage - 1);
    const auto end = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(largePage - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}

namespace {

constexpr uint32_t codePageUtf8 = 65001;
constexpr uint32_t codePageWestern = 1252;
constexpr char16_t replacementCharacter = 0xFFFD;
// Some systems refuse a single write of 2 GiB or more.
constexpr size_t largestWrite = size_t{1} << 30;

// Bytes 80..9F of Windows-1252. The five bytes the code page leaves unassigned map to
// the C1 controls of the same value, so that every byte survives a round trip.
constexpr std::array<char16_t, 32> westernHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isSupported(uint32_t codePage) {
    return codePage == codePageUtf8 || codePage == codePageWestern;
}

uint32_t resolve(uint32_t codePage) {
    return codePage == 0 ? ansiCodePage() : codePage;
}

std::u16string decodeUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        const utf8::Step step = utf8::stepAt(bytes, at);
        appendUtf16(text, step.valid ? step.codePoint : replacementCharacter);
        at += static_cast<size_t>(step.length);
    }
    return text;
}

std::u16string decodeWestern(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text.push_back(b >= 0x80 && b < 0xA0 ? westernHighTable[b - 0x80u] : char16_t{b});
    }
    return text;
}

std::string encodeUtf8(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    const auto put = [&](char32_t value) { bytes.push_back(static_cast<char>(value)); };
    forEachCodePoint(text, [&](char32_t c) {
        if (isSurrogate(c))
            c = replacementCharacter;
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    });
    return bytes;
}

char westernByteFor(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (size_t k = 0; k < westernHighTable.size(); ++k)
        if (westernHighTable[k] == c)
            return static_cast<char>(0x80 + k);
    return '?';
}

std::string encodeWestern(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c) { bytes.push_back(westernByteFor(c)); });
    return bytes;
}

// Copies a finished conversion out under the Windows calls' rules: size query with no
// buffer, 0 when the buffer is too small.
template <class String, class Unit>
int32_t deliver(const String& converted, Unit* output, int32_t outputSize) {
    const auto size = static_cast<int32_t>(converted.size());
    if (outputSize == 0)
        return size;
    if (output == nullptr || outputSize < size)
        return 0;
    converted.copy(output, converted.size());
    return size;
}

[[noreturn]] void raiseFromErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// An unprivileged user cannot give a file away, nor hand it to a group not theirs; the
// owner is then only found unchanged where the file system holds no owners of its own.
// Changing the owner clears set-user-ID bits, so the mode comes after it (best effort: some
// file systems hold no modes).
void takeAttributes(int descriptor, const struct stat& like) {
    if (::fchown(descriptor, like.st_uid, like.st_gid) != 0) {
        const int failure = errno;
        struct stat made {};
        if (::fstat(descriptor, &made) != 0 || made.st_uid != like.st_uid ||
            made.st_gid != like.st_gid)
            throw OwnerNotTaken(failure, std::generic_category(),
                                "the new file cannot be given the old one's owner");
    }
    std::ignore = ::fchmod(descriptor, like.st_mode & 07777);
}

void writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written =
            ::write(descriptor, bytes.data(), std::min(bytes.size(), largestWrite));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw std::system_error(written < 0 ? errno : EIO, std::generic_category(),
                                    "writing failed");
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

} // namespace

int32_t multiByteToWideChar(uint32_t codePage, const char* bytes, int32_t byteCount,
                            char16_t* output, int32_t outputSize) {
    codePage = resolve(codePage);
    if (bytes == nullptr || byteCount <= 0 || outputSize < 0 || !isSupported(codePage))
        return 0;
    const std::string_view input(bytes, static_cast<size_t>(byteCount));
    const std::u16string text = codePage == codePageUtf8 ? decodeUtf8(input) : decodeWestern(input);
    return deliver(text, output, outputSize);
}

int32_t wideCharToMultiByte(uint32_t codePage, const char16_t* text, int32_t unitCount,
                            char* output, int32_t outputSize) {
    codePage = resolve(codePage);
    if (text == nullptr || unitCount <= 0 || outputSize < 0 || !isSupported(codePage))
        return 0;
    const std::u16string_view input(text, static_cast<size_t>(unitCount));
    const std::string bytes = codePage == codePageUtf8 ? encodeUtf8(input) : encodeWestern(input);
    return deliver(bytes, output, outputSize);
}

uint32_t ansiCodePage() {
    return codePageWestern;
}

namespace {

// Creates the file with mode, hands it to like's owner and mode if given, writes and
// flushes; a file created is removed again on any failure.
void createAndWrite(const std::filesystem::path& file, std::string_view bytes, mode_t mode,
                    const struct stat* like) {
    const int descriptor =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (descriptor < 0)
        raiseFromErrno("cannot create a file in its folder");
    try {
        if (like != nullptr)
            takeAttributes(descriptor, *like);
        writeAll(descriptor, bytes);
        if (::fsync(descriptor) != 0)
            raiseFromErrno("cannot flush the new file to disk");
    } catch (...) {
        ::close(descriptor);
        ::unlink(file.c_str());
        throw;
    }
    if (::close(descriptor) != 0) {
        const int failure = errno;
        ::unlink(file.c_str());
        throw std::system_error(failure, std::generic_category(), "writing failed");
    }
}

// Seeks past the bytes to keep and cuts off the rest; a file found shorter than that was
// cut by someone else, and filling the gap with zeros would hide it.
void keepOnly(int descriptor, uint64_t keptBytes) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        raiseFromErrno("cannot examine the file");
    if (static_cast<uint64_t>(status.st_size) < keptBytes)
        throw std::system_error(std::make_error_code(std::errc::io_error),
                                "the file was cut short by another program");
    const auto offset = static_cast<off_t>(keptBytes);
    if (::ftruncate(descriptor, offset) != 0 || ::lseek(descriptor, offset, SEEK_SET) < 0)
        raiseFromErrno("cannot cut the file short");
}

} // namespace

void writeNewFile(const std::filesystem::path& file, std::string_view bytes,
                  const std::filesystem::path& like) {
    struct stat likeStatus {};
    const bool hasLike = !like.empty() && ::stat(like.c_str(), &likeStatus) == 0;
    createAndWrite(file, bytes, hasLike ? 0600 : 0666, hasLike ? &likeStatus : nullptr);
}

void writeNewPrivateFile(const std::filesystem::path& file, std::string_view bytes) {
    createAndWrite(file, bytes, 0600, nullptr);
}

void appendToFile(const std::filesystem::path& file, uint64_t sizeBefore, std::string_view bytes) {
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        raiseFromErrno("cannot open the file");
    try {
        keepOnly(descriptor, sizeBefore);
        writeAll(descriptor, bytes);
        if (::fsync(descriptor) != 0)
            raiseFromErrno("cannot flush the file to disk");
    } catch (...) {
        ::close(descriptor);
        throw;
    }
    if (::close(descriptor) != 0)
        raiseFromErrno("writing failed");
}

uint32_t hardLinkCount(const std::filesystem::path& file) {
    struct stat status {};
    if (::lstat(file.c_str(), &status) == 0)
        return static_cast<uint32_t>(status.st_nlink);
    if (errno == ENOENT)
        return 0;
    raiseFromErrno("cannot examine the file");
}

void replaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) {
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        raiseFromErrno("cannot put " + temporary.string() + " in place of " + target.string());
    // Makes the rename itself durable; the replacement has happened either way.
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

} // namespace systemcalls
