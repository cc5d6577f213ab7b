#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include <gtest/gtest.h>

namespace {

TEST(BoxSetUp, BindSetsPixelsAndCacheRoundsHalvesToEven) {
    struct Row {
        double charWidth, lineHeight;
        int32_t spaceWidth, lineHeightCached;
    };
    for (const Row row : {Row{7.5, 16.5, 8, 16}, Row{6.5, 15.5, 6, 16}, Row{7.49, 12, 7, 12}}) {
        HeadlessSurface surface(300.5, 199.5, row.charWidth, row.lineHeight);
        CLBox box;
        box.bind(surface);
        EXPECT_EQ(surface.scaleMode, Surface::ScaleModePixels);
        box.updateCache();
        EXPECT_EQ(box.spaceWidth, row.spaceWidth) << row.charWidth;
        EXPECT_EQ(box.lineHeight, row.lineHeightCached) << row.lineHeight;
        EXPECT_EQ(box.viewWidth, 300);
        EXPECT_EQ(box.viewHeight, 200);
        EXPECT_FLOAT_EQ(box.fontSize, 9.0f);
    }
}

TEST(BoxSetUp, UnboundBoxRefusesToMeasure) {
    CLBox box;
    EXPECT_THROW(box.updateCache(), EngineError);
}

TEST(BoxSetUp, CopyfromKeepsTheRememberedX) {
    CLPos target;
    target.xPosMem = 42;
    CLPos source{3, 2, 1, 7};
    target.copyfrom(source);
    EXPECT_EQ(target, (CLPos{3, 2, 1, 42}));
}

} // namespace
