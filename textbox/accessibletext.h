#pragma once

#include "containers/OArray.h"
#include "containers/Ref.h"
#include "textbox/CLBox.h"
#include "textbox/textrange.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The document as a screen reader reads it: the text as saving writes it, but with every
// line end one '\n'. Offsets count UTF-16 code units from the text's start, as the
// platforms' accessibility interfaces do. The model keeps each line's length (its '\n'
// included) as a running sum, so that a line's start and the line holding an offset are
// found without reading the text, and every query reads only the lines it names. It is
// built in one pass over the lines, which makes none of them, and then follows each change
// the text-range layer tells; the character count is kept, never counted.
//
// An offset past the text is taken as its end, a negative one as its start. A text longer
// than 32-bit offsets can count is refused with Overflow when the model is built.

// The units from start up to, not including, end.
struct TextSpan {
    int32_t start = 0;
    int32_t end = 0;
    bool operator==(const TextSpan&) const = default;
};

// What a screen reader reads by: a character (a surrogate pair is one), a word (a run of
// word characters, of spaces or of other signs within a cell; a tab, a cell's indentation
// written as spaces and a line end are words of their own), a line with its '\n', and the
// whole text.
enum class TextUnit { Character, Word, Line, Document };

// One change as the accessible text saw it: at offset, removed gave way to inserted. Either
// may be empty, not both.
struct AccessibleEdit {
    int32_t offset = 0;
    std::u16string removed;
    std::u16string inserted;
};

class AccessibleText {
public:
    // Whether the model stands for the box's text as it is now.
    bool isCurrent(const CLBox& box) const { return built && builtFor == box.revision; }
    // Builds the model where it stands for another text.
    void bringUpToDate(const CLBox& box);
    // The model stands for no text any more, until it is built again.
    void forget() { built = false; }
    // Whether the model stands for a text, the box's or one it followed away from.
    bool holdsText() const { return built; }

    int32_t length() const { return lines.weiacc(lines.size()); }
    int32_t offsetOf(const CLBox& box, const CLPos& pos) const;
    // The position at offset; inside indentation written as spaces, the nearer end of it.
    CLPos positionAt(const CLBox& box, int32_t offset) const;
    std::u16string text(const CLBox& box, TextSpan span) const;
    // The unit holding the character at offset; at the text's end, an empty span there, or
    // for a line the last line (empty where the text ends in a line break).
    TextSpan unitAt(const CLBox& box, int32_t offset, TextUnit unit) const;
    TextSpan lineSpan(int32_t line) const;
    int32_t lineAt(int32_t offset) const;

    // A change of the box's text, just made and not followed by another yet: the model
    // follows it and gives it as the accessible text saw it. Where the lines the model
    // keeps no longer match the box's, the model forgets its text and gives none.
    std::optional<AccessibleEdit> follow(const CLBox& box, const TextChange& change);
    // The box's text is the one the model followed to, whatever revision the box gave it.
    void settle(const CLBox& box);

private:
    struct LineMark : RefCounted {};
    int32_t clamped(int32_t offset) const { return std::clamp(offset, 0, length()); }
    // The length line l has in the accessible text, its '\n' included.
    int32_t lengthOf(const CLBox& box, int32_t l) const;
    void replaceLines(const CLBox& box, int32_t first, int32_t removed, int32_t inserted);

    // Weighted by each line's length, '\n' included: weiacc(l) is line l's start.
    OArray<LineMark> lines;
    bool built = false;
    uint64_t builtFor = 0;
};
