#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

// Reading and saving the edited file in the encoding it came in.
constexpr int32_t codePageUtf16 = -1;

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
};

// Raised by readTextFile when nothing exists at the path, so a caller can offer to create it.
class FileNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Detection and conversion alone. Anything that is not a byte-order mark followed by
// well-formed text decodes in the ANSI code page, so every byte string encodes back to itself.
TextFile decodeTextFile(std::string_view bytes);
std::string encodeTextFile(std::u16string_view text, const TextFileFormat& format);
// Whether the format holds every character of text; a code page substitutes the others.
bool canStore(std::u16string_view text, const TextFileFormat& format);

// Both raise std::exception with a message for the user (UTF-8) on any failure.
// beforeRead runs once the file is checked and measured, just before it is opened: the
// moment another program may remove, truncate or lock it, which tests reproduce there.
TextFile readTextFile(const std::u16string& path, const std::function<void()>& beforeRead = {});
// Saves atomically: the file, or the one a symbolic link at path points to, is either
// untouched or wholly replaced, keeping its permissions; no temporary file remains.
void writeTextFile(const std::u16string& path, std::u16string_view text,
                   const TextFileFormat& format);
