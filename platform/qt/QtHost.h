#pragma once

#include "QtSurface.h"
#include "window/Host.h"

#include <QStringList>

#include <cstdint>
#include <string>

class QWidget;

// The command line as the window logic expects it: one argument is taken literally,
// several are joined by blanks, as a path with unquoted blanks would arrive.
std::u16string commandLineOf(const QStringList& arguments);

// The host services both front ends share: the picture and the command line.
class SurfaceHost : public Host {
public:
    SurfaceHost(QtSurface& picture, std::u16string commandLine);

    Surface& picture() override { return surface; }
    void setPictureSize(int32_t width, int32_t height) override;
    std::u16string commandLine() override { return arguments; }

protected:
    QtSurface& surface;

private:
    std::u16string arguments;
};

// The host of the desktop window: its caption and its modal dialogs.
class WindowHost : public SurfaceHost {
public:
    using SurfaceHost::SurfaceHost;
    void attach(QWidget& editorWindow) { window = &editorWindow; }
    // While a dialog is open, timer ticks wait, so a failing draw cannot pile dialogs up.
    bool dialogOpen() const { return openDialogs > 0; }

    void setCaption(const std::u16string& caption) override;
    std::u16string inputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultAnswer) override;
    bool askYesNo(const std::u16string& question, const std::u16string& title) override;
    void reportError(const std::u16string& message, const std::u16string& title) override;

private:
    template <class Dialog> auto runDialog(Dialog dialog);

    QWidget* window = nullptr;
    int openDialogs = 0;
};
