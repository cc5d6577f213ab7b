#include "window/filesave.h"

#include "support/systemcalls.h"
#include "window/fileerrors.h"
#include "window/freename.h"

#include <array>
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

// A hidden file of the save's own beside target, under a name drawn for it.
fs::path createBeside(const fs::path& target, std::string_view what, std::string_view ending,
                      const std::function<void(const fs::path&)>& create,
                      const SaveProbes& probes) {
    return createUnderFreeName(
        what,
        [&](uint64_t draw) {
            return target.parent_path() / (fs::path(u".") += target.filename()) +=
                   "." + std::to_string(draw % 1000000000) + std::string(ending);
        },
        [&](const fs::path& candidate) {
            if (probes.beforeCreate)
                probes.beforeCreate(candidate);
            create(candidate);
        });
}

// False, leaving everything as it was, where the new file could not take the target's
// owner.
bool replaceWithNewFile(const fs::path& target, std::string_view bytes, const SaveProbes& probes) {
    fs::path temporary;
    try {
        temporary = createBeside(
            target, "temporary file", ".tmp",
            [&](const fs::path& candidate) { systemcalls::writeNewFile(candidate, bytes, target); },
            probes);
    } catch (const systemcalls::OwnerNotTaken&) {
        return false;
    }
    try {
        systemcalls::replaceFile(temporary, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
    return true;
}

std::string bytesOf(const fs::path& file) {
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    std::string bytes;
    std::array<char, 1 << 16> piece{};
    while (in.read(piece.data(), piece.size()) || in.gcount() > 0)
        bytes.append(piece.data(), static_cast<size_t>(in.gcount()));
    if (in.bad() || !in.eof())
        throw std::runtime_error("the file cannot be read: " + lastSystemReason());
    return bytes;
}

// Cutting the file to nothing and appending writes it whole, flushed to the disk.
void overwrite(const fs::path& file, std::string_view bytes, const SaveProbes& probes) {
    if (probes.writeInPlace)
        probes.writeInPlace(file, bytes);
    else
        systemcalls::appendToFile(file, 0, bytes);
}

bool stillHolds(const fs::path& file, std::string_view bytes) {
    try {
        return bytesOf(file) == bytes;
    } catch (const std::exception&) {
        return false;
    }
}

// After a failed write, which may have changed the file or not (it could not be opened,
// say): the old bytes are in it again and their copy goes, or else the copy stays, named
// in the message.
void putBack(const fs::path& target, std::string_view old, const fs::path& copy,
             const std::exception& failure) {
    try {
        if (!stillHolds(target, old))
            systemcalls::appendToFile(target, 0, old);
    } catch (const std::exception& restoring) {
        throw std::runtime_error(std::string(failure.what()) +
                                 "; writing the old text back failed too (" + restoring.what() +
                                 "), so it is kept in " + shownPath(copy.u16string()));
    }
    std::error_code ignored;
    fs::remove(copy, ignored);
}

// Every name of the file, and its owner, stay: the bytes go into the file itself. Until
// they are on the disk, a copy beside it holds the old ones.
void writeInPlace(const fs::path& target, std::string_view bytes, const SaveProbes& probes) {
    const std::string old = bytesOf(target);
    const fs::path copy = createBeside(
        target, "file for the old text", ".old",
        [&](const fs::path& candidate) { systemcalls::writeNewPrivateFile(candidate, old); },
        probes);
    try {
        overwrite(target, bytes, probes);
    } catch (const std::exception& failure) {
        putBack(target, old, copy, failure);
        throw;
    }
    std::error_code ignored;
    fs::remove(copy, ignored); // the save is done; a copy left over only takes room
}

} // namespace

FileStamp saveBytesAtomically(const fs::path& file, std::string_view bytes,
                              const SaveProbes& probes) {
    const fs::path target = followLinks(file);
    requireWritable(target);
    // A new file in the target's place would leave its other names on the old text.
    if (systemcalls::hardLinkCount(target) > 1 || !replaceWithNewFile(target, bytes, probes))
        writeInPlace(target, bytes, probes);
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
