#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Fonts and images need a GUI application; the offscreen platform needs no display.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
