#include "window/filesave.h"

#include "support/systemcalls.h"
#include "window/fileerrors.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

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
        throw std::runtime_error("could not save " + shownPath(path) + ": out of memory");
    } catch (const std::exception& failure) {
        throw std::runtime_error("could not save " + shownPath(path) + ": " + failure.what());
    }
}
