#pragma once

#include "textbox/CLBox.h"

#include <optional>

// F8's extend mode: while it is on, each move of the cursor extends the selection from
// where the mode began (its anchor) to the cursor, instead of ending it. The moves stay
// the cursor's own, remembered x and beeps included; the mode only selects after each.
class ExtendMode {
public:
    bool isOn() const { return anchor.has_value(); }
    // F8: on at the cursor, ending what was selected; or off, leaving what is selected.
    void toggle(CLBox& box);
    void end() { anchor.reset(); }
    // After a move of the cursor: the selection from the anchor to the cursor while the
    // mode is on; nothing while it is off.
    void extend(CLBox& box) const;

private:
    std::optional<CLPos> anchor;
};
