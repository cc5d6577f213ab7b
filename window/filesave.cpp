#include "window/filesave.h"

#include "support/systemcalls.h"
#include "window/fileerrors.h"
#include "window/freename.h"

#include <cerrno>
#include <fstream>
#include <new>
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

fs::path writeTemporaryBeside(const fs::path& target, std::string_view bytes,
                              const std::function<void(const fs::path&)>& beforeCreate) {
    return createUnderFreeName(
        "temporary file",
        [&](uint64_t draw) {
            return target.parent_path() / (fs::path(u".") += target.filename()) +=
                   "." + std::to_string(draw % 1000000000) + ".tmp";
        },
        [&](const fs::path& candidate) {
            if (beforeCreate)
                beforeCreate(candidate);
            systemcalls::writeNewFile(candidate, bytes, target);
        });
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
