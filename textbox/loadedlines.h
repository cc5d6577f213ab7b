#pragma once

#include "containers/OArray.h"
#include "containers/Ref.h"
#include "textbox/CLBox.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The lines of one load. A line followed by a line break is not made when the text is
// loaded: the box's lines hold a code for it, where its text lies in the loaded text and
// whether it is empty, and it is made, its cells measured in the box's font, when first
// read. Cells borrow their texts from the loaded text, which every chunk of the arena the
// records are made in keeps alive.
class LoadedLines final : public ElementMaker<CLLine> {
public:
    LoadedLines(CLBox& box, std::shared_ptr<const std::u16string> text);

    // Whether the place of a line's text, piece at offset in the loaded text, fits a code;
    // the caller makes a line that does not at once.
    static bool hasCode(size_t offset, std::u16string_view piece);
    // The line whose text (hasTab: holding a tab) starts at offset, where it has a code.
    static uint64_t codeFor(size_t offset, std::u16string_view piece, bool hasTab);
    static bool isEmpty(uint64_t code) { return (code & 1) != 0; }

    // One line from its text (without "\n"): a trailing "\r" becomes the line end, each
    // run of tabMin leading spaces an empty indentation cell of the form Spaces, and each tab
    // a cell boundary.
    Ref<CLLine> makeLine(std::u16string_view piece, bool isLast, bool hasTab);
    Ref<CLLine> make(uint64_t code, int32_t weight) override;
    // The cells' texts of a line not made yet, appended to cells, and their forms to forms
    // unless it is null.
    void appendCellTexts(uint64_t code, std::vector<std::u16string_view>& cells,
                         std::vector<IndentForm>* forms) const;
    // A line not made yet ends in a line break: "\r\n" where its piece ends in "\r".
    LineEnd lineEndOf(uint64_t code) const;
    // The text gettext gives for a line not made yet, its line end included.
    void appendText(std::u16string& out, uint64_t code) const;
    // The length of that text without its line end.
    size_t savedLength(uint64_t code) const;

private:
    std::u16string_view pieceOf(uint64_t code) const;
    // Calls cell(text, form) for each cell of a line's piece without its line end.
    template <class Cell>
    void forEachCell(std::u16string_view piece, bool hasTab, Cell&& cell) const;
    Ref<CLTab> makeCell(std::u16string_view text, IndentForm form);
    void measure(CLLine& line);

    CLBox& box;
    std::shared_ptr<const std::u16string> loadedText;
    RecordArena arena;
    size_t spacesPerCell;
};
