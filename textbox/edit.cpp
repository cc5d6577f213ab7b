#include "support/Utf16.h"
#include "textbox/CLBox.h"
#include "textbox/indentation.h"
#include "textbox/position.h"

#include <memory>

namespace {

constexpr char32_t Backspace = 8;
constexpr char32_t Tab = 9;
constexpr char32_t Enter = 13;
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

} // namespace

// Codes that are neither Backspace, Tab, Enter nor a character do nothing at all.
bool CLBox::isTypable(char32_t code) {
    return code >= 32 && code != Delete && !isSurrogate(code) && code <= 0x10FFFF;
}

void CLBox::insertChar(char32_t code, CLPos& pos) {
    CLTab& cell = cellAt(*this, pos);
    const bool joinsLines = code == Backspace && pos.xChar == 0 && pos.xTab == 0 && pos.yLine != 0;
    if (joinsLines)
        requireHeightRoom(*this, pos.yLine - 1, 2, 1);
    else
        requireHeightRoom(*this, pos.yLine, 1, code == Enter ? 2 : 1);
    const bool atTextStart = pos.yLine == 0 && pos.xTab == 0 && pos.xChar == 0;
    if (code == Backspace ? !atTextStart : code == Tab || code == Enter || isTypable(code))
        markTextChanged(); // before the change, so that even one failing half-way counts
    if (code == Backspace)
        deleteBackwards(*this, cell, pos);
    else if (code == Tab)
        splitCell(*this, cell, pos);
    else if (code == Enter)
        splitLine(*this, cell, pos);
    else if (isTypable(code))
        typeCharacter(*this, code, cell, pos);
    else
        return;
    // Deleting or joining can bring two lone halves together into one pair; the
    // position then stands before the character they form.
    pos.xChar = characterStart(lines.at(pos.yLine)->tabs.at(pos.xTab)->text, pos.xChar);
    pos.xPosMem = -1;
    viewFollow(pos);
}
