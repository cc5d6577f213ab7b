#include "EditorWindow.h"
#include "QtHost.h"
#include "QtSurface.h"

#include "support/Rounding.h"
#include "window/WindowDesign.h"
#include "window/frmEditor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using windowDesign::startHeight;
using windowDesign::startWidth;

// The desktop window's host with the dialogs these tests meet answered (Cancel) and
// recorded instead of shown, no folder for recovery files, and a picture that cannot grow
// past largestPicturePixels.
class RecordingHost : public WindowHost {
public:
    using WindowHost::WindowHost;

    std::vector<std::u16string> prompts;
    std::vector<std::u16string> errors;
    std::function<void()> whileDialogOpen;
    int64_t largestPicturePixels = int64_t{1} << 40;

    void setPictureSize(int32_t width, int32_t height) override {
        if (int64_t{width} * height > largestPicturePixels)
            throw std::runtime_error("not enough memory for the picture");
        WindowHost::setPictureSize(width, height);
    }
    std::u16string inputBox(const std::u16string& prompt, const std::u16string&,
                            const std::u16string&) override {
        prompts.push_back(prompt);
        if (whileDialogOpen)
            whileDialogOpen();
        return {};
    }
    void reportError(const std::u16string& message, const std::u16string&) override {
        errors.push_back(message);
    }
    std::vector<std::u16string> questions; // yes-or-no ones, each answered Yes
    bool askYesNo(const std::u16string& question, const std::u16string&, EnterAnswers) override {
        questions.push_back(question);
        return true;
    }
    std::u16string recoveryFolder() override { return {}; }
};

QScreen& screenNamed(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == name)
            return *screen;
    throw std::runtime_error("no screen " + name.toStdString() + " in screens.json");
}

// The program's window as main() puts it together, on the standard screen, shown: over a
// file holding "one\ntwo".
struct OpenWindow {
    OpenWindow() {
        QFile file(folder.filePath(QStringLiteral("file.txt")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("one\ntwo");
        file.close();
        host.attach(window);
        window.winId(); // the native window, to put on a screen before it shows
        window.windowHandle()->setScreen(&screenNamed(QStringLiteral("standard")));
        window.resize(startWidth, startHeight);
        form.onLoadFile(file.fileName().toStdU16String());
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(100); // the first glide settles
    }
    std::u16string text() { return form.box().gettext(); }

    QTemporaryDir folder;
    QtSurface surface{startWidth, startHeight};
    RecordingHost host{surface};
    frmEditor form{host};
    EditorWindow window{surface, form};
};

// Keys reach the key-down handler as its codes, modifiers included, and their text the
// key-press handler; Tab is text, not a move of the focus.
TEST(QtEditorWindow, KeysAndTheirTextReachTheHandlers) {
    OpenWindow open;
    QTest::keyClicks(&open.window, QStringLiteral("ab"));
    QTest::keyClick(&open.window, Qt::Key_Tab);
    QTest::keyClick(&open.window, Qt::Key_End);
    QTest::keyClicks(&open.window, QStringLiteral("!"));
    QTest::keyClick(&open.window, Qt::Key_Backspace);
    QTest::keyClicks(&open.window, QStringLiteral("?"));
    QTest::keyClick(&open.window, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&open.window, QStringLiteral("Z"));
    EXPECT_EQ(open.text(), u"ab\tone?\ntwoZ");
}

// What an input method commits is typed, an astral character as one.
TEST(QtEditorWindow, AnInputMethodsCommitIsTypedAstralCharactersWhole) {
    OpenWindow open;
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromStdU16String(u"\u00e9\U0001F600"));
    QApplication::sendEvent(&open.window, &commit);
    EXPECT_EQ(open.text(), u"\u00e9\U0001F600one\ntwo");
    EXPECT_EQ(open.form.box().cursor.xChar, 3);
}

// Moved to the dense screen, the window draws at its ratio and measures its text again at
// its resolution, as a picture made there measures it.
TEST(QtEditorWindow, AScreenOfAnotherDensityMeasuresAgain) {
    OpenWindow open;
    open.window.windowHandle()->setScreen(&screenNamed(QStringLiteral("dense")));
    QtSurface there(startWidth, startHeight, 144, 2);
    const CLBox& box = open.form.box();
    EXPECT_EQ(open.surface.presentedImage().devicePixelRatio(), 2);
    EXPECT_EQ(box.lineHeight, roundToPixel(there.textHeight(u" ")));
    EXPECT_EQ(box.lines.at(0)->tabs.at(0)->innerWidth, roundToPixel(there.textWidth(u"one")));
}

// A window grown past what the picture can take shows the frame it had, and the background
// beyond it; the failure is told once.
TEST(QtEditorWindow, APaintAfterARefusedFrameKeepsTheOldFrame) {
    OpenWindow open;
    const QImage before = open.window.grab().toImage();
    open.host.largestPicturePixels = int64_t{startWidth} * startHeight;
    open.window.resize(startWidth + 100, startHeight + 50);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !open.host.errors.empty(); }));
    const QImage after = open.window.grab().toImage().convertToFormat(before.format());
    ASSERT_EQ(after.size(), QSize(startWidth + 100, startHeight + 50));
    EXPECT_EQ(after.copy(0, 0, startWidth, startHeight), before);
    const QColor background = open.surface.background();
    for (int y = 0; y < after.height(); ++y)
        for (int x = y < startHeight ? startWidth : 0; x < after.width(); ++x)
            ASSERT_EQ(after.pixelColor(x, y), background) << x << ", " << y;
    EXPECT_EQ(open.host.errors.size(), 1u);
}

// Activation comes back from another program and from a dialog of ours closing, inside the
// handler that opened it; over a file as it was loaded, neither asks anything more or
// changes anything. Over a file another program changed, it asks once.
TEST(QtEditorWindow, ActivationAsksOnlyAboutAFileChangedFromOutside) {
    OpenWindow open;
    QEvent activation(QEvent::WindowActivate);
    open.host.whileDialogOpen = [&] { QApplication::sendEvent(&open.window, &activation); };
    QKeyEvent goToLine(QEvent::KeyPress, Qt::Key_G, Qt::ControlModifier, QStringLiteral("\x07"));
    QApplication::sendEvent(&open.window, &goToLine);
    QApplication::sendEvent(&open.window, &activation);
    EXPECT_EQ(open.host.prompts, std::vector<std::u16string>{u"line:"});
    EXPECT_EQ(open.host.errors, std::vector<std::u16string>{});
    EXPECT_EQ(open.text(), u"one\ntwo");
    EXPECT_EQ(open.window.windowTitle(), QStringLiteral("Columnator"));
    EXPECT_TRUE(open.host.questions.empty());

    QFile file(open.folder.filePath(QStringLiteral("file.txt")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("changed from outside");
    file.close();
    QApplication::sendEvent(&open.window, &activation);
    QApplication::sendEvent(&open.window, &activation);
    EXPECT_EQ(open.host.questions.size(), 1u);
    EXPECT_EQ(open.text(), u"changed from outside");
}

} // namespace

// A dark palette set on the window is followed at once: the frame's background is the
// palette's, the cursor shows in its text colour; and a zoom key's "=" is not typed.
TEST(QtEditorWindow, FollowsItsPaletteAndZoomsWithoutTyping) {
    OpenWindow open;
    QPalette dark = open.window.palette();
    dark.setColor(QPalette::Base, QColor(0, 0, 0));
    dark.setColor(QPalette::Text, QColor(255, 255, 255));
    open.window.setPalette(dark);
    QApplication::processEvents();
    CLBox& box = open.form.box();
    EXPECT_EQ(open.surface.drawnPixel(startWidth - 2, startHeight - 2), 0);
    const PixelPoint bar = box.posToXYScrmov(box.cursor);
    EXPECT_EQ(open.surface.drawnPixel(bar.x, bar.y + 2), packedColour(255, 255, 255));
    const int32_t height = box.lineHeight;
    QTest::keyClick(&open.window, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_GT(box.lineHeight, height);
    EXPECT_EQ(open.text(), u"one\ntwo");
}
