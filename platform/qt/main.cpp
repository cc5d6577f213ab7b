#include "AccessibleEditor.h"
#include "EditorWindow.h"
#include "QtHost.h"
#include "QtSurface.h"
#include "qtstrings.h"
#include "window/WindowDesign.h"
#include "window/frmEditor.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

namespace {

constexpr int usageError = 2;

// The one file named after the program and Qt's own options, if any.
std::optional<std::u16string> fileArgument(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: columnator [FILE]\n");
        std::exit(usageError);
    }
    if (argc < 2)
        return std::nullopt;
    return toU16String(QFile::decodeName(argv[1]));
}

// Without a display and without a platform named for it, the toolkit would abort with a
// core dump; a user started from a terminal without one is told so plainly instead.
bool noDisplay() {
    const auto unset = [](const char* name) {
        const char* value = std::getenv(name);
        return value == nullptr || *value == '\0';
    };
    return unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM");
}

// Points become pixels at the density of the screen the window opens on.
double startDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : 96;
}

} // namespace

int main(int argc, char** argv) {
    if (noDisplay()) {
        std::fprintf(stderr, "columnator: no display to open a window on\n");
        return 1;
    }
    QApplication app(argc, argv); // takes Qt's own options out of argv
    // Names the per-user data folder, where recovery files are kept.
    QCoreApplication::setApplicationName(QStringLiteral("Columnator"));
    // Lets desktops match the window to its installed entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.columnator.Columnator"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.columnator.Columnator")));
    const std::optional<std::u16string> file = fileArgument(argc, argv);
    QAccessible::installFactory(accessibleEditorFactory);
    try {
        QtSurface surface(windowDesign::startWidth, windowDesign::startHeight, startDpi());
        WindowHost host(surface);
        frmEditor form(host);
        EditorWindow window(surface, form);
        host.attach(window);
        host.replaceButtons = [&form](const ReplaceRequest& request) {
            form.onReplaceDialog(request);
        };
        window.resize(windowDesign::startWidth, windowDesign::startHeight);
        form.onLoadFile(file);
        window.show();
        return QApplication::exec();
    } catch (const std::exception& failure) { // only start-up can fail outside a handler
        std::fprintf(stderr, "columnator: %s\n", failure.what());
        return 1;
    }
}
