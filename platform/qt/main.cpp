#include "EditorWindow.h"
#include "QtHost.h"
#include "QtSurface.h"
#include "window/frmEditor.h"

#include <QApplication>
#include <QFile>
#include <QStringList>

namespace {

constexpr int startWidth = 360, startHeight = 199;

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv); // takes Qt's own options out of argv
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(QFile::decodeName(argv[i]));

    QtSurface surface(startWidth, startHeight);
    WindowHost host(surface, commandLineOf(arguments));
    frmEditor form(host);
    EditorWindow window(surface, form, host);
    host.attach(window);
    window.resize(startWidth, startHeight);
    form.onLoad();
    window.show();
    return QApplication::exec();
}
