#include "window/fileformat.h"

#include "support/Utf16.h"
#include "support/Utf8.h"
#include "support/modLocale.h"

#include <optional>
#include <utility>

namespace {

constexpr int32_t westernCodePage = 1252;

// A system ANSI code page that cannot give every byte back (a multi-byte one) yields to
// Windows-1252, which can, so an unedited file always saves unchanged.
TextFile decodeAnsi(std::string_view bytes) {
    TextFile file{modLocale::bytesToText(bytes, modLocale::codePageAnsi),
                  {modLocale::codePageAnsi, false, {}},
                  {}};
    if (modLocale::textToBytes(file.text, modLocale::codePageAnsi) != bytes)
        file = {modLocale::bytesToText(bytes, westernCodePage), {westernCodePage, false, {}}, {}};
    return file;
}

// The text, or nothing when the bytes are not well-formed UTF-8: one pass for both.
std::optional<TextFile> decodeUtf8(std::string_view bytes, bool hadBom) {
    TextFile file{{}, {modLocale::codePageUtf8, hadBom, {}}, {}};
    file.text.reserve(bytes.size()); // no character takes more units than bytes
    if (utf8::appendWellFormed(file.text, bytes, true).failed)
        return std::nullopt;
    return file;
}

TextFile decodeUtf16(std::string_view units) {
    TextFile file{unitsFromLittleEndian(units), {codePageUtf16, true, {}}, {}};
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
    if (format.codePage == codePageUtf16) {
        std::string bytes(format.hadBom ? utf16Mark : "");
        bytes.reserve(bytes.size() + 2 * text.size() + format.oddTrailingByte.size());
        appendLittleEndian(bytes, text);
        bytes += format.oddTrailingByte;
        return bytes;
    }
    const bool marked = format.hadBom && format.codePage == modLocale::codePageUtf8;
    return std::string(marked ? utf8Mark : "") + modLocale::textToBytes(text, format.codePage);
}

bool canStore(std::u16string_view text, const TextFileFormat& format) {
    return format.codePage == codePageUtf16 || format.codePage == modLocale::codePageUtf8 ||
           modLocale::canEncode(text, format.codePage);
}
