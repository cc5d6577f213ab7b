#include "tests/support/HeadlessWindow.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Window = HeadlessWindow;
using Call = HeadlessSurface::Call;

// Drives ticks until the glide stops; the offsets at which each tick drew.
std::vector<double> glideOffsets(Window& window) {
    std::vector<double> drawn;
    for (int tick = 0; tick < 1000 && window.box().moving; ++tick) {
        window.host.surface.calls.clear();
        window.form.onTick();
        if (window.frames() != 0)
            drawn.push_back(window.box().scrmovY);
    }
    return drawn;
}

TEST(Glide, ApproachesByThreeTenthsAndStopsOnArrival) {
    Window window;
    window.startGlideDown(100);
    const std::vector<double> drawn = glideOffsets(window);
    ASSERT_GE(drawn.size(), 4u);
    EXPECT_DOUBLE_EQ(drawn[0], 30);
    EXPECT_DOUBLE_EQ(drawn[1], 51);
    EXPECT_DOUBLE_EQ(drawn[2], 65.7);
    for (size_t k = 1; k + 1 < drawn.size(); ++k)
        EXPECT_NE(std::nearbyint(drawn[k]), std::nearbyint(drawn[k - 1])) << "tick " << k;
    // the last draw repeats the rounded offset, at the target
    EXPECT_EQ(std::nearbyint(drawn.back()), 100);
    EXPECT_EQ(std::nearbyint(drawn[drawn.size() - 2]), 100);
    EXPECT_FALSE(window.box().moving);
    // the last frame is drawn at the offset itself, not snapped to the target
    const auto prints = window.host.surface.callsOf(Call::Print);
    ASSERT_FALSE(prints.empty());
    EXPECT_NEAR(std::fmod(prints.front().y0 + drawn.back() + 1600, 16), 0, 1e-9);
}

TEST(Glide, TypingDuringTheGlideWaitsForTheNextTick) {
    Window window;
    window.startGlideDown(100);
    window.form.onTick();
    const size_t frames = window.frames();
    window.type(u"a");
    EXPECT_EQ(window.frames(), frames);
    window.form.onTick();
    EXPECT_EQ(window.frames(), frames + 1);
}

TEST(Glide, ATickThatCannotDrawStopsAndReportsOnce) {
    Window window;
    window.host.surface.failAfter = 0;
    for (int tick = 0; tick < 10; ++tick)
        window.form.onTick();
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_FALSE(window.box().moving);
}

TEST(Glide, ADocumentTallerThanFloatPrecisionSettlesAtItsEnd) {
    const TempFolder folder;
    std::string lines;
    for (int k = 1; k < 3000000; ++k)
        lines += "x\n";
    lines += "x"; // typing on the last line then changes no height
    Window window(folder.put("tall.txt", lines));
    window.settle();
    window.form.onKeyDown(KeyCode::End, ShiftMask::Ctrl);
    CLBox& box = window.box();
    EXPECT_GT(box.lines.weiacc(box.lines.size()), 1 << 25);
    EXPECT_TRUE(box.moving);
    window.settle();
    ASSERT_FALSE(box.moving);
    EXPECT_EQ(box.scrY, box.lines.weiacc(box.lines.size()) - box.viewHeight);
    EXPECT_NEAR(box.scrmovY, box.scrY, 0.5);
    const size_t frames = window.frames();
    window.type(u"a");
    EXPECT_EQ(window.frames(), frames + 1); // drawn at once
    EXPECT_EQ(window.host.surface.callsOf(Call::Print).back().text, u"xa");
}

} // namespace
