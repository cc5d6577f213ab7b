#include "window/frmEditor.h"

// The zoom keys and Ctrl+wheel: the font a step larger or smaller, or back.

void frmEditor::zoomBy(int32_t steps) {
    if (const std::optional<double> size = zoom.stepped(host.picture().fontSize(), steps))
        applyZoom(*size);
}

void frmEditor::zoomBack() {
    if (const std::optional<double> size = zoom.reset())
        applyZoom(*size);
}

void frmEditor::applyZoom(double points) {
    if (const std::optional<std::u16string> refused = zoomTo(host, box(), points))
        report(*refused);
}
