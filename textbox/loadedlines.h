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
// records are made in keeps alive. An edit that makes many lines at once (Replace all) may
// hand over their texts too: its lines are then held as codes of the same kind, their
// offsets going on past the loaded text's.
class LoadedLines final : public ElementMaker<CLLine> {
public:
    LoadedLines(CLBox& box, std::shared_ptr<const std::u16string> text);

    // Whether the place of a line's text, piece at offset in the loaded text, fits a code;
    // the caller makes a line that does not at once.
    static bool hasCode(size_t offset, std::u16string_view piece);
    // The line whose text (hasTab: holding a tab) starts at offset, where it has a code.
    static uint64_t codeFor(size_t offset, std::u16string_view piece, bool hasTab);
    static bool isEmpty(uint64_t code) { return (code & 1) != 0; }

    // Where the next text handed over starts among the codes' offsets.
    size_t nextTextOffset() const;
    // Keeps text, its lines written as loading reads them, for codes from nextTextOffset(),
    // while holder lives or a line of the box is held as such a code (records made of it keep
    // it themselves). Texts that neither holds any more go first.
    void adoptText(std::u16string&& text, std::weak_ptr<const void> holder);

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
    // A text handed over after the load, with the arena its lines' records are made in.
    struct AdoptedText {
        size_t offset;
        size_t size;
        std::shared_ptr<const std::u16string> text; // null once released
        std::unique_ptr<RecordArena> arena;
        std::weak_ptr<const void> holder;
    };
    void releaseUnused();
    std::u16string_view pieceOf(uint64_t code) const;
    RecordArena& arenaOf(uint64_t code);
    Ref<CLLine> makeLineIn(RecordArena& records, std::u16string_view piece, bool isLast,
                           bool hasTab);
    // Calls cell(text, form) for each cell of a line's piece without its line end.
    template <class Cell>
    void forEachCell(std::u16string_view piece, bool hasTab, Cell&& cell) const;
    Ref<CLTab> makeCell(RecordArena& records, std::u16string_view text, IndentForm form);
    const AdoptedText* adoptedHolding(size_t offset) const;
    void measure(CLLine& line);

    CLBox& box;
    std::shared_ptr<const std::u16string> loadedText;
    RecordArena arena;
    std::vector<AdoptedText> adopted; // by offset
    size_t spacesPerCell;
};
