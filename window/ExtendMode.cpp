#include "window/ExtendMode.h"

#include "textbox/selection.h"

void ExtendMode::toggle(CLBox& box) {
    if (isOn())
        return end();
    clearSelection(box);
    anchor = CLPos{box.cursor.yLine, box.cursor.xTab, box.cursor.xChar};
}

void ExtendMode::extend(CLBox& box) const {
    if (anchor)
        extendSelection(box, *anchor);
}
