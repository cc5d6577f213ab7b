#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Fonts and images need a GUI application, windows a widget one; the offscreen platform
// needs no display. Its two screens, of two densities, are those of screens.json.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" OFFSCREEN_SCREENS, 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
