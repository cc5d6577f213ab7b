#include "support/Utf16.h"
#include "textbox/CLBox.h"
#include "textbox/indentation.h"
#include "textbox/position.h"
#include "textbox/textrange.h"

#include <memory>
#include <optional>

namespace {

constexpr char32_t Delete = 127;

// Takes units characters of the cell on line yLine out from at. The inner width follows
// without the text being measured whole where the surface adds advances: in a long cell
// only the piece that lost them is measured again.
void eraseInCell(CLBox& box, CLTab& cell, int32_t yLine, int32_t at, int32_t units) {
    cell.text.erase(static_cast<size_t>(at), static_cast<size_t>(units));
    box.updateHeight(yLine, yLine + 1);
    box.tabInnerWidth(cell);
}

void deleteCharacterBefore(CLBox& box, CLTab& cell, CLPos& pos) {
    const int32_t units = unitsBefore(cell.text, pos.xChar);
    pos.xChar -= units;
    eraseInCell(box, cell, pos.yLine, pos.xChar, units);
}

// Merging cells cannot change whether the line is empty, so its height stands. The tab
// between them goes, so the merged cell ends with the tab that ended the second.
void mergeWithCellBefore(CLBox& box, CLLine& line, CLPos& pos) {
    CLTab& previous = *line.tabs.at(pos.xTab - 1);
    const int32_t joinAt = textLength(previous);
    previous.text += line.tabs.at(pos.xTab)->text;
    previous.setForm(line.tabs.at(pos.xTab)->form());
    line.tabs.del(pos.xTab, 1);
    pos.xTab -= 1;
    pos.xChar = joinAt;
    box.tabInnerWidth(previous);
}

// The joined line keeps the upper line's end, except when the last line is joined:
// then it becomes the last line and takes the last line's empty end, so the saved
// text gains no line break.
void joinWithLineAbove(CLBox& box, CLPos& pos) {
    const Ref<CLLine> line = box.lines.at(pos.yLine);
    CLLine& above = *box.lines.at(pos.yLine - 1);
    const int32_t joinTab = above.tabs.size() - 1;
    CLTab& last = *above.tabs.at(joinTab);
    const int32_t joinAt = textLength(last);
    above.tabs.addArr(line->tabs); // the first appended cell is merged into last
    above.tabs.del(joinTab + 1, 1);
    last.text += line->tabs.at(0)->text;
    last.setForm(line->tabs.at(0)->form());
    if (pos.yLine == box.lines.size() - 1)
        above.lineEnd = line->lineEnd;
    box.lines.del(pos.yLine, 1);
    pos.yLine -= 1;
    pos.xTab = joinTab;
    pos.xChar = joinAt;
    box.tabInnerWidth(last);
    box.updateHeight(pos.yLine, pos.yLine + 1);
}

void deleteBackwards(CLBox& box, CLTab& cell, CLPos& pos) {
    if (pos.xChar != 0)
        deleteCharacterBefore(box, cell, pos);
    else if (pos.xTab != 0)
        mergeWithCellBefore(box, *box.lines.at(pos.yLine), pos);
    else if (pos.yLine != 0)
        joinWithLineAbove(box, pos);
    else
        beep(box);
}

// A tab typed among the empty cells that open a line is written as the indentation around
// it is: as the cell before it on its line, or where there is none as the first cell of the
// line above; any other is a tab.
IndentForm typedTabForm(const CLBox& box, const CLPos& pos) {
    const CLLine& line = *box.lines.at(pos.yLine);
    if (pos.xChar != 0 || leadingEmptyCells(line, pos.xTab) != pos.xTab)
        return IndentForm::Tab;
    const bool spaced = pos.xTab > 0    ? spacedIndentation(line) >= pos.xTab
                        : pos.yLine > 0 ? spacedIndentation(*box.lines.at(pos.yLine - 1)) > 0
                                        : false;
    return spaced ? IndentForm::Spaces : IndentForm::Tab;
}

// The new cell ends with the tab that ended the cell split, the split one with the tab typed.
void splitCell(CLBox& box, CLTab& cell, CLPos& pos) {
    const IndentForm typed = typedTabForm(box, pos);
    auto newCell = makeRef<CLTab>();
    newCell->text = cell.text.substr(static_cast<size_t>(pos.xChar));
    newCell->setForm(cell.form());
    box.lines.at(pos.yLine)->tabs.ins(pos.xTab + 1, newCell, 0);
    cell.text.resize(static_cast<size_t>(pos.xChar));
    cell.setForm(typed);
    pos.xTab += 1;
    pos.xChar = 0;
    box.updateHeight(pos.yLine, pos.yLine + 1);
    box.tabInnerWidth(*newCell);
    box.tabInnerWidth(cell);
}

// The new line is built whole before the old one changes, so a failure leaves the
// document as it was. Cells after the position move over with their widths, the copied
// indentation keeps its forms, and the split cell ends the old line.
void splitLine(CLBox& box, CLTab& cell, CLPos& pos) {
    CLLine& line = *box.lines.at(pos.yLine);
    auto newLine = makeRef<CLLine>();
    const int32_t indentation = leadingEmptyCells(line, pos.xTab);
    for (int32_t i = 0; i < indentation; ++i) {
        auto copied = makeRef<CLTab>();
        copied->setForm(line.tabs.at(i)->form());
        newLine->tabs.add(std::move(copied), 0);
    }
    auto newCell = makeRef<CLTab>();
    newCell->text = cell.text.substr(static_cast<size_t>(pos.xChar));
    newCell->setForm(cell.form());
    newLine->tabs.add(newCell, 0);
    for (int32_t i = pos.xTab + 1; i < line.tabs.size(); ++i)
        newLine->tabs.add(line.tabs.at(i), line.tabs.wei(i));
    newLine->lineEnd = line.lineEnd;

    box.lines.ins(pos.yLine + 1, newLine, 0);
    line.tabs.del(pos.xTab + 1, line.tabs.size() - pos.xTab - 1);
    cell.text.resize(static_cast<size_t>(pos.xChar));
    cell.setForm(IndentForm::Tab);
    line.lineEnd = u"\r\n";
    box.tabInnerWidth(*newCell);
    box.tabInnerWidth(cell);
    box.updateHeight(pos.yLine, pos.yLine + 2);
    pos.yLine += 1;
    pos.xTab = indentation;
    pos.xChar = 0;
}

void typeCharacter(CLBox& box, char32_t code, CLTab& cell, CLPos& pos) {
    const std::u16string typed = toUtf16(code);
    cell.text.insert(static_cast<size_t>(pos.xChar), typed);
    pos.xChar += static_cast<int32_t>(typed.size());
    box.updateHeight(pos.yLine, pos.yLine + 1);
    box.tabInnerWidth(cell);
}

const std::shared_ptr<const TextFragment>& noText() {
    static const auto nothing = std::make_shared<const TextFragment>();
    return nothing;
}

std::shared_ptr<const TextFragment> textOf(std::u16string text, std::vector<LineEnd> ends = {},
                                           std::vector<size_t> spacedTabs = {}) {
    return std::make_shared<const TextFragment>(
        TextFragment{std::move(text), std::move(ends), std::move(spacedTabs)});
}

// A lone tab of the form given.
std::shared_ptr<const TextFragment> tabOf(IndentForm form) {
    return textOf(u"\t", {},
                  form == IndentForm::Spaces ? std::vector<size_t>{0} : std::vector<size_t>{});
}

// Backspace's change, where pos is not the text's start. A joined line keeps the upper
// line's end, so the lower line's text moves in front of that end, unless the lower line
// was the last.
TextChange backspaceChange(const CLBox& box, const CLTab& cell, const CLPos& pos) {
    if (pos.xChar != 0) {
        CLPos start = pos;
        const int32_t units = unitsBefore(cell.text, pos.xChar);
        start.xChar -= units;
        return {start,
                textOf(std::u16string(cell.text.view().substr(static_cast<size_t>(start.xChar),
                                                              static_cast<size_t>(units)))),
                noText()};
    }
    const CLLine& line = *box.lines.at(pos.yLine);
    if (pos.xTab != 0) {
        const CLTab& before = *line.tabs.at(pos.xTab - 1);
        return {{pos.yLine, pos.xTab - 1, textLength(before)}, tabOf(before.form()), noText()};
    }
    const CLLine& above = *box.lines.at(pos.yLine - 1);
    const int32_t joinTab = above.tabs.size() - 1;
    const CLPos start{pos.yLine - 1, joinTab, textLength(*above.tabs.at(joinTab))};
    if (pos.yLine == box.lines.size() - 1)
        return {start, textOf(u"\n", {above.lineEnd}), noText()};
    const int32_t lastTab = line.tabs.size() - 1;
    const TextFragment moved =
        textBetween(box, pos, {pos.yLine, lastTab, textLength(*line.tabs.at(lastTab))});
    std::vector<size_t> spacedAfterBreak = moved.spacedTabs;
    for (size_t& at : spacedAfterBreak)
        ++at;
    return {start,
            textOf(u"\n" + moved.text + u"\n", {above.lineEnd, line.lineEnd},
                   std::move(spacedAfterBreak)),
            textOf(moved.text + u"\n", {above.lineEnd}, moved.spacedTabs)};
}

// The change the key's edit at pos is about to make, read from the text before it.
TextChange changeOf(const CLBox& box, char32_t code, const CLTab& cell, const CLPos& pos) {
    if (code == CLBox::backspaceCode)
        return backspaceChange(box, cell, pos);
    if (code == CLBox::tabCode)
        return {pos, noText(), tabOf(typedTabForm(box, pos))};
    if (code == CLBox::enterCode) {
        const CLLine& line = *box.lines.at(pos.yLine);
        const int32_t indentation = leadingEmptyCells(line, pos.xTab);
        std::vector<size_t> spaced;
        for (int32_t k = 0; k < indentation; ++k)
            if (line.tabs.at(k)->form() == IndentForm::Spaces)
                spaced.push_back(static_cast<size_t>(k) + 1);
        return {pos, noText(),
                textOf(u"\n" + std::u16string(static_cast<size_t>(indentation), u'\t'),
                       {LineEnd(u"\r\n")}, std::move(spaced))};
    }
    return {pos, noText(), textOf(toUtf16(code))};
}

// Deleting or joining can bring two lone halves together into one pair; the position
// then stands before the character they form.
void makeEdit(CLBox& box, char32_t code, CLTab& cell, CLPos& pos) {
    if (code == CLBox::backspaceCode)
        deleteBackwards(box, cell, pos);
    else if (code == CLBox::tabCode)
        splitCell(box, cell, pos);
    else if (code == CLBox::enterCode)
        splitLine(box, cell, pos);
    else
        typeCharacter(box, code, cell, pos);
    pos.xChar = characterStart(box.lines.at(pos.yLine)->tabs.at(pos.xTab)->text, pos.xChar);
    pos.xPosMem = -1;
    box.viewFollow(pos);
}

} // namespace

// Codes that are neither Backspace, Tab, Enter nor a character do nothing at all.
bool CLBox::isTypable(char32_t code) {
    return code >= 32 && code != Delete && !isSurrogate(code) && code <= 0x10FFFF;
}

void CLBox::insertChar(char32_t code, CLPos& pos, const TextChangeSink& told) {
    CLTab& cell = cellAt(*this, pos);
    const bool joinsLines =
        code == backspaceCode && pos.xChar == 0 && pos.xTab == 0 && pos.yLine != 0;
    if (joinsLines)
        requireHeightRoom(*this, pos.yLine - 1, 2, 1);
    else
        requireHeightRoom(*this, pos.yLine, 1, code == enterCode ? 2 : 1);
    const bool keyCode = code == backspaceCode || code == tabCode || code == enterCode;
    if (!keyCode && !isTypable(code))
        return;
    const bool atTextStart = pos.yLine == 0 && pos.xTab == 0 && pos.xChar == 0;
    std::optional<TextChange> change;
    if (code != backspaceCode || !atTextStart) {
        if (told)
            change = changeOf(*this, code, cell, pos);
        markTextChanged(); // before the change, so that even one failing half-way counts
    }
    try {
        makeEdit(*this, code, cell, pos);
    } catch (...) {
        // The text is changed whole before anything that can fail afterwards (measuring),
        // so the change still describes it; the failure that goes on is the edit's own.
        if (change) {
            try {
                told(*change);
            } catch (...) {
            }
        }
        throw;
    }
    if (change)
        told(*change);
}
