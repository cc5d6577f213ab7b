#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The zoom keys and Ctrl+wheel: the drawing font larger or smaller in steps of about ten
// percent, between 4 and 96 points, and back to the size in force before the first step
// (the size at start, or the one the right-click prompt set last).
class FontZoom {
public:
    static constexpr double smallest = 4, largest = 96;

    // The size steps steps up (down where negative) from current, the surface's size now;
    // none where current already stands at the bound it would pass.
    std::optional<double> stepped(double current, int32_t steps);
    // The size before the first step; none where no step was taken since.
    std::optional<double> reset();
    // The right-click prompt chose the font: zooming starts afresh from its size.
    void sizeChosen() { before.reset(); }

private:
    std::optional<double> before; // the size in force before the first step
    int32_t taken = 0;            // the steps up from it, net
};

class CLBox;
class Host;

// Sets the surface's font to points and lays the whole text out again as the right-click
// prompt does, the cursor's line keeping its place in the view (and the cursor in view).
// A size the surface refuses, or in which the text would be too large to lay out, leaves
// the font as it was: the refusal is given, for the user.
std::optional<std::u16string> zoomTo(Host& host, CLBox& box, double points);
