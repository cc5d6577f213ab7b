#include "window/fileread.h"

#include "support/Utf8.h"
#include "support/modLocale.h"
#include "support/systemcalls.h"
#include "window/fileerrors.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The code-page calls and the engine count in 32 bits.
constexpr uintmax_t largestFile = std::numeric_limits<int32_t>::max();

std::runtime_error tooLarge(const std::u16string& path) {
    return std::runtime_error(shownPath(path) + " is too large to open (the limit is 2 GB)");
}

void requireReadableFile(const fs::path& file, const std::u16string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        throw FileNotFound("the file " + shownPath(path) + " does not exist");
    if (error)
        throw std::runtime_error("cannot open " + shownPath(path) + ": " + error.message());
    if (fs::is_directory(status))
        throw std::runtime_error(shownPath(path) + " is a folder, not a file");
    if (!fs::is_regular_file(status))
        throw std::runtime_error(shownPath(path) + " is not a regular file");
    if (fs::file_size(file, error) > largestFile && !error)
        throw tooLarge(path);
}

// Reads a file in pieces, hashing them as they pass. Growth past the limit while reading
// is refused.
class PieceReader {
public:
    PieceReader(const fs::path& file, const std::u16string& userPath) : path(userPath) {
        errno = 0;
        in.open(file, std::ios::binary);
        if (!in)
            throw std::runtime_error("cannot open " + shownPath(path) + ": " + lastSystemReason());
        // Taken before reading: a write while the file is read then shows as a change.
        std::error_code unknownTime;
        openedAt = fs::last_write_time(file, unknownTime).time_since_epoch().count();
    }

    // Appends up to count bytes to bytes; false once the file is at its end.
    bool readInto(std::string& bytes, size_t count) {
        const size_t start = bytes.size();
        bytes.resize(start + count);
        in.read(bytes.data() + start, static_cast<std::streamsize>(count));
        const auto got = static_cast<size_t>(in.gcount());
        bytes.resize(start + got);
        if (in.bad())
            throw std::runtime_error("cannot read " + shownPath(path) + ": " + lastSystemReason());
        hash.add(std::string_view(bytes).substr(start));
        total += got;
        if (total > largestFile) // it grew while being read
            throw tooLarge(path);
        return got == count;
    }

    void readRest(std::string& bytes) {
        while (readInto(bytes, pieceSize)) {
        }
    }

    // What was read so far.
    FileStamp stamp() const { return {true, total, static_cast<int64_t>(openedAt), hash.value()}; }

    static constexpr size_t pieceSize = 1 << 20;

private:
    const std::u16string& path;
    std::ifstream in;
    uintmax_t total = 0;
    ByteHash hash;
    fs::file_time_type::rep openedAt = 0;
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
TextFile readAndDecode(const fs::path& file, PieceReader& reader) {
    std::string piece;
    bool more = reader.readInto(piece, PieceReader::pieceSize);
    if (std::string_view(piece).starts_with(utf16Mark)) {
        reader.readRest(piece);
        return decodeTextFile(piece);
    }
    const bool hadBom = std::string_view(piece).starts_with(utf8Mark);
    TextFile decoded{{}, {modLocale::codePageUtf8, hadBom, {}}, {}};
    std::error_code unknownSize;
    decoded.text.reserve(static_cast<size_t>(fs::file_size(file, unknownSize)));
    systemcalls::preferLargePages(decoded.text.data(), decoded.text.capacity() * sizeof(char16_t));
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
        PieceReader reader(file, path);
        TextFile read = readAndDecode(file, reader);
        read.stamp = reader.stamp();
        return read;
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(shownPath(path) + " is too large to hold in memory");
    }
}
