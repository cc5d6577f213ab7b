#include "textbox/position.h"
#include "textbox/textrange.h"

#include <optional>

void deleteForward(CLBox& box, CLPos& pos, const TextChangeSink& told) {
    cellAt(box, pos);
    std::optional<CLPos> next = positionRightOf(box, pos);
    if (!next) {
        beep(box);
        pos.xPosMem = -1;
        box.viewFollow(pos);
        return;
    }
    box.insertChar(CLBox::backspaceCode, *next, told); // which leaves next where pos stands
    pos.copyfrom(*next);
    pos.xPosMem = -1;
}
