#include "window/fileio.h"

#include "support/Utf8.h"
#include "support/modLocale.h"
#include "support/systemcalls.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view utf16Mark = "\xFF\xFE";
// The code-page calls and the engine count in 32 bits.
constexpr uintmax_t largestFile = std::numeric_limits<int32_t>::max();
constexpr int32_t westernCodePage = 1252;

std::string shown(const std::u16string& path) {
    return "\"" + modLocale::textToBytes(path, modLocale::codePageUtf8) + "\"";
}

// What the last failed standard-library call left in errno, for the user.
std::string lastSystemReason() {
    const int failure = errno;
    return failure == 0 ? std::string("unknown error") : std::generic_category().message(failure);
}

std::u16string unitsFromLittleEndian(std::string_view bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

std::string littleEndianFromUnits(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

// A system ANSI code page that cannot give every byte back (a multi-byte one) yields to
// Windows-1252, which can, so an unedited file always saves unchanged.
TextFile decodeAnsi(std::string_view bytes) {
    TextFile file{modLocale::bytesToText(bytes, modLocale::codePageAnsi),
                  {modLocale::codePageAnsi, false, {}}};
    if (modLocale::textToBytes(file.text, modLocale::codePageAnsi) != bytes)
        file = {modLocale::bytesToText(bytes, westernCodePage), {westernCodePage, false, {}}};
    return file;
}

TextFile decodeUtf8(std::string_view bytes, bool hadBom) {
    return {modLocale::bytesToText(bytes, modLocale::codePageUtf8),
            {modLocale::codePageUtf8, hadBom, {}}};
}

TextFile decodeUtf16(std::string_view units) {
    TextFile file{unitsFromLittleEndian(units), {codePageUtf16, true, {}}};
    if (units.size() % 2 != 0)
        file.format.oddTrailingByte = units.substr(units.size() - 1);
    return file;
}

} // namespace

TextFile decodeTextFile(std::string_view bytes) {
    if (bytes.empty())
        return {};
    if (bytes.starts_with(utf8Mark)) {
        const std::string_view rest = bytes.substr(utf8Mark.size());
        return utf8::isWellFormed(rest) ? decodeUtf8(rest, true) : decodeAnsi(bytes);
    }
    if (bytes.starts_with(utf16Mark))
        return decodeUtf16(bytes.substr(utf16Mark.size()));
    return utf8::isWellFormed(bytes) ? decodeUtf8(bytes, false) : decodeAnsi(bytes);
}

std::string encodeTextFile(std::u16string_view text, const TextFileFormat& format) {
    if (format.codePage == codePageUtf16)
        return std::string(format.hadBom ? utf16Mark : "") + littleEndianFromUnits(text) +
               format.oddTrailingByte;
    const bool marked = format.hadBom && format.codePage == modLocale::codePageUtf8;
    return std::string(marked ? utf8Mark : "") + modLocale::textToBytes(text, format.codePage);
}

bool canStore(std::u16string_view text, const TextFileFormat& format) {
    return format.codePage == codePageUtf16 || format.codePage == modLocale::codePageUtf8 ||
           modLocale::canEncode(text, format.codePage);
}

namespace {

fs::path pathFrom(const std::u16string& path) {
    if (path.empty())
        throw std::runtime_error("no file name was given");
    return fs::path(path);
}

std::runtime_error tooLarge(const std::u16string& path) {
    return std::runtime_error(shown(path) + " is too large to open (the limit is 2 GB)");
}

void requireReadableFile(const fs::path& file, const std::u16string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        throw FileNotFound("the file " + shown(path) + " does not exist");
    if (error)
        throw std::runtime_error("cannot open " + shown(path) + ": " + error.message());
    if (fs::is_directory(status))
        throw std::runtime_error(shown(path) + " is a folder, not a file");
    if (!fs::is_regular_file(status))
        throw std::runtime_error(shown(path) + " is not a regular file");
    if (fs::file_size(file, error) > largestFile && !error)
        throw tooLarge(path);
}

std::string readAllBytes(const fs::path& file, const std::u16string& path) {
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + shown(path) + ": " + lastSystemReason());
    std::string bytes;
    std::array<char, 1 << 16> chunk{};
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        bytes.append(chunk.data(), static_cast<size_t>(in.gcount()));
        if (bytes.size() > largestFile) // it grew while being read
            throw tooLarge(path);
    }
    if (in.bad())
        throw std::runtime_error("cannot read " + shown(path) + ": " + lastSystemReason());
    return bytes;
}

} // namespace

TextFile readTextFile(const std::u16string& path, const std::function<void()>& beforeRead) {
    const fs::path file = pathFrom(path);
    requireReadableFile(file, path);
    if (beforeRead)
        beforeRead();
    try {
        return decodeTextFile(readAllBytes(file, path));
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(shown(path) + " is too large to hold in memory");
    }
}

namespace {

// Saving through a symbolic link replaces the file it points to, not the link.
fs::path followLinks(fs::path file) {
    for (int hops = 0; fs::is_symlink(fs::symlink_status(file)); ++hops) {
        if (hops == 40)
            throw std::runtime_error("too many levels of symbolic links");
        const fs::path link = fs::read_symlink(file);
        file = link.is_absolute() ? link : file.parent_path() / link;
    }
    return file;
}

fs::path unusedTemporaryBeside(const fs::path& target) {
    std::random_device seed;
    std::mt19937_64 draw(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = target.parent_path() / (fs::path(u".") += target.filename()) +=
            "." + std::to_string(draw() % 1000000000) + ".tmp";
        std::error_code error;
        if (fs::symlink_status(candidate, error).type() == fs::file_type::not_found)
            return candidate;
    }
    throw std::runtime_error("cannot find a free temporary file name");
}

// Opening for appending writes nothing, yet fails where writing would, as on a
// read-only file, which a rename would otherwise replace without asking.
void requireWritable(const fs::path& target) {
    if (!fs::exists(target))
        return;
    errno = 0;
    std::ofstream probe(target, std::ios::binary | std::ios::app);
    if (!probe)
        throw std::runtime_error("the file cannot be written: " + lastSystemReason());
}

// The new file gets the old one's permissions before it holds anything, so a private
// file's text is never readable by others on the way.
void writeWhole(const fs::path& file, std::string_view bytes, const fs::path& target) {
    errno = 0;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot create a file in its folder: " + lastSystemReason());
    std::error_code ignored; // best effort: some file systems hold no permissions
    const fs::file_status original = fs::status(target, ignored);
    if (fs::exists(original))
        fs::permissions(file, original.permissions(), ignored);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("writing failed: " + lastSystemReason());
}

void saveAtomically(const fs::path& requested, std::string_view bytes) {
    const fs::path target = followLinks(requested);
    requireWritable(target);
    const fs::path temporary = unusedTemporaryBeside(target);
    try {
        writeWhole(temporary, bytes, target);
        systemcalls::flushFileToDisk(temporary);
        systemcalls::replaceFile(temporary, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

} // namespace

void writeTextFile(const std::u16string& path, std::u16string_view text,
                   const TextFileFormat& format) {
    try {
        saveAtomically(pathFrom(path), encodeTextFile(text, format));
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("could not save " + shown(path) + ": out of memory");
    } catch (const std::exception& failure) {
        throw std::runtime_error("could not save " + shown(path) + ": " + failure.what());
    }
}
