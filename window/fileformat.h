#pragma once

#include "window/filestamp.h"

#include <cstdint>
#include <string>
#include <string_view>

// How the edited file's bytes become text and back, in the encoding they came in.
constexpr int32_t codePageUtf16 = -1;
constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view utf16Mark = "\xFF\xFE";

// How a file's text is stored: what saving must reproduce.
struct TextFileFormat {
    int32_t codePage = 65001; // -1 UTF-16LE, 65001 UTF-8, 0 the ANSI code page, else a code page
    bool hadBom = false;
    // The unpaired last byte of an odd-length UTF-16 file, written back after the text.
    std::string oddTrailingByte;
    bool operator==(const TextFileFormat&) const = default;
};

struct TextFile {
    std::u16string text;
    TextFileFormat format;
    FileStamp stamp; // of the bytes read; none for text decoded from memory
};

// Anything that is not a byte-order mark followed by well-formed text decodes in the
// ANSI code page, so every byte string encodes back to itself.
TextFile decodeTextFile(std::string_view bytes);
std::string encodeTextFile(std::u16string_view text, const TextFileFormat& format);
// Whether the format holds every character of text; a code page substitutes the others.
bool canStore(std::u16string_view text, const TextFileFormat& format);
