#include "window/frmEditor.h"

#include <string>
#include <utility>
#include <vector>

// With a block of cells selected, Ctrl+C copies it, Ctrl+X cuts it, and Delete and
// Backspace remove it; any other key ends it first, then acts as it does without one.
// True when the key was the block's.
bool frmEditor::runOnBlock(const KeyAction& action) {
    const CellBlock block = *box().selectedBlock;
    using enum KeyAction::Kind;
    if (action.kind == Copy) {
        copyBlock(block, u"copying");
        return true;
    }
    if (action.kind == Cut) {
        cutBlock(block);
        return true;
    }
    if (action.kind == Delete || (action.kind == Edit && action.code == CLBox::backspaceCode)) {
        removeSelectedBlock(block, u"deleting");
        return true;
    }
    clearSelection(box());
    history.breakRun();
    drawUnlessMoving();
    return false;
}

bool frmEditor::copyBlock(const CellBlock& block, std::u16string_view operation) {
    return guarded(operation, [&] {
        std::vector<BlockRow> rows = cellsOf(box(), block);
        std::u16string text = blockText(rows);
        host.setClipboardText(text);
        copiedBlock.keep(std::move(rows), std::move(text));
    });
}

// What could not be copied is not removed.
void frmEditor::cutBlock(const CellBlock& block) {
    if (copyBlock(block, u"cutting"))
        removeSelectedBlock(block, u"cutting");
}

// One step of the history, however many lines it changes.
void frmEditor::removeSelectedBlock(const CellBlock& block, std::u16string_view operation) {
    changeText(EditHistory::Action::Other, operation, [&](const TextChangeSink& told) {
        CLBox& edited = box();
        clearSelection(edited);
        edited.cursor = removeBlock(edited, block, told);
        followCursor();
    });
    drawUnlessMoving();
}

void frmEditor::pasteBlockRows(const std::vector<BlockRow>& rows) {
    changeText(EditHistory::Action::Other, u"pasting", [&](const TextChangeSink& told) {
        CLBox& pasted = box();
        clearSelection(pasted);
        pasted.cursor = pasteBlock(pasted, pasted.cursor, rows, told);
        followCursor();
    });
    drawUnlessMoving();
}
