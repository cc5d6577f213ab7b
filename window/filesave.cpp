#include "window/filesave.h"

#include "support/systemcalls.h"
#include "window/fileerrors.h"

#include <cerrno>
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

// The name is only checked by creating the file, never beforehand: another program could
// put a file or a link there in between and have the text written through it.
fs::path writeTemporaryBeside(const fs::path& target, std::string_view bytes,
                              const std::function<void(const fs::path&)>& beforeCreate) {
    std::random_device seed;
    std::mt19937_64 draw(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = target.parent_path() / (fs::path(u".") += target.filename()) +=
            "." + std::to_string(draw() % 1000000000) + ".tmp";
        if (beforeCreate)
            beforeCreate(candidate);
        try {
            systemcalls::writeNewFile(candidate, bytes, target);
            return candidate;
        } catch (const std::system_error& failure) {
            if (failure.code() != std::errc::file_exists)
                throw;
        }
    }
    throw std::runtime_error("cannot find a free temporary file name");
}

} // namespace

FileStamp saveBytesAtomically(const fs::path& file, std::string_view bytes,
                              const std::function<void(const fs::path&)>& beforeCreate) {
    const fs::path target = followLinks(file);
    requireWritable(target);
    const fs::path temporary = writeTemporaryBeside(target, bytes, beforeCreate);
    try {
        systemcalls::replaceFile(temporary, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
    FileStamp written = quickStampOf(target);
    written.exists = true;
    written.size = bytes.size();
    written.hash = hashOfBytes(bytes);
    return written;
}

FileStamp writeTextFile(const std::u16string& path, std::u16string_view text,
                        const TextFileFormat& format) {
    try {
        return saveBytesAtomically(pathFrom(path), encodeTextFile(text, format));
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("could not save " + shownPath(path) + ": out of memory");
    } catch (const std::exception& failure) {
        throw std::runtime_error("could not save " + shownPath(path) + ": " + failure.what());
    }
}
