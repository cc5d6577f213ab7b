#include "window/fileio.h"

#include "support/Utf8.h"
#include "support/modLocale.h"
#include "support/systemcalls.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <optional>
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

// The text, or nothing when the bytes are not well-formed UTF-8: one pass for both.
std::optional<TextFile> decodeUtf8(std::string_view bytes, bool hadBom) {
    TextFile file{{}, {modLocale::codePageUtf8, hadBom, {}}};
    if (utf8::appendWellFormed(file.text, bytes, true).failed)
        return std::nullopt;
    return file;
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
    if (bytes.starts_with(utf16Mark))
        return decodeUtf16(bytes.substr(utf16Mark.size()));
    const bool hadBom = bytes.starts_with(utf8Mark);
    std::optional<TextFile> file = decodeUtf8(bytes.substr(hadBom ? utf8Mark.size() : 0), hadBom);
    return file ? std::move(*file) : decodeAnsi(bytes);
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

// Reads a file in pieces. Growth past the limit while reading is refused.
class PieceReader {
public:
    PieceReader(const fs::path& file, const std::u16string& shownPath) : path(shownPath) {
        errno = 0;
        in.open(file, std::ios::binary);
        if (!in)
            throw std::runtime_error("cannot open " + shown(path) + ": " + lastSystemReason());
    }

    // Appends up to count bytes to bytes; false once the file is at its end.
    bool readInto(std::string& bytes, size_t count) {
        const size_t start = bytes.size();
        bytes.resize(start + count);
        in.read(bytes.data() + start, static_cast<std::streamsize>(count));
        const auto got = static_cast<size_t>(in.gcount());
        bytes.resize(start + got);
        if (in.bad())
            throw std::runtime_error("cannot read " + shown(path) + ": " + lastSystemReason());
        total += got;
        if (total > largestFile) // it grew while being read
            throw tooLarge(path);
        return got == count;
    }

    void readRest(std::string& bytes) {
        while (readInto(bytes, pieceSize)) {
        }
    }

    static constexpr size_t pieceSize = 1 << 20;

private:
    const std::u16string& path;
    std::ifstream in;
    uintmax_t total = 0;
};

// The bytes of a file that turned out not to be well-formed UTF-8, whole: the mark, the
// well-formed text so far encoded back (which gives exactly its bytes), what remains.
std::string bytesRead(bool hadBom, std::u16string_view decoded, std::string_view undecoded,
                      PieceReader& reader) {
    std::string bytes = std::string(hadBom ? utf8Mark : "") +
                        modLocale::textToBytes(decoded, modLocale::codePageUtf8) +
                        std::string(undecoded);
    reader.readRest(bytes);
    return bytes;
}

// Nearly every file is UTF-8, so the text is decoded as the bytes arrive, piece by piece:
// one pass over them, and the whole file is never held as bytes beside its text. Any
// other file is read whole and decoded by decodeTextFile.
TextFile readAndDecode(const fs::path& file, const std::u16string& path) {
    PieceReader reader(file, path);
    std::string piece;
    bool more = reader.readInto(piece, PieceReader::pieceSize);
    if (std::string_view(piece).starts_with(utf16Mark)) {
        reader.readRest(piece);
        return decodeTextFile(piece);
    }
    const bool hadBom = std::string_view(piece).starts_with(utf8Mark);
    TextFile decoded{{}, {modLocale::codePageUtf8, hadBom, {}}};
    std::error_code unknownSize;
    decoded.text.reserve(static_cast<size_t>(fs::file_size(file, unknownSize)));
    size_t from = hadBom ? utf8Mark.size() : 0;
    for (;;) {
        const std::string_view rest = std::string_view(piece).substr(from);
        const utf8::Decoded step = utf8::appendWellFormed(decoded.text, rest, !more);
        if (step.failed)
            return decodeTextFile(
                bytesRead(hadBom, decoded.text, rest.substr(step.bytesRead), reader));
        if (!more)
            return decoded;
        piece.erase(0, from + step.bytesRead); // a character cut at the end goes on
        from = 0;
        more = reader.readInto(piece, PieceReader::pieceSize);
    }
}

} // namespace

TextFile readTextFile(const std::u16string& path, const std::function<void()>& beforeRead) {
    const fs::path file = pathFrom(path);
    requireReadableFile(file, path);
    if (beforeRead)
        beforeRead();
    try {
        return readAndDecode(file, path);
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
