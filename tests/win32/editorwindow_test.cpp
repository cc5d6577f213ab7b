#include "platform/win32/EditorWindow.h"
#include "platform/win32/GdiSurface.h"
#include "platform/win32/Win32Host.h"
#include "support/Rounding.h"
#include "tests/TempFolder.h"
#include "tests/win32/DialogScript.h"
#include "window/frmEditor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The program's window over a file holding "kept", as main() puts it together, not shown.
class OpenWindow {
public:
    explicit OpenWindow(const fs::path& file)
        : surface(window.handle()), host(window.handle(), surface), form(host) {
        window.attach(form, surface);
        form.onResize(200, 100);
        form.onLoadFile(file.u16string());
    }
    ~OpenWindow() {
        MSG quit{}; // a destroyed window leaves its WM_QUIT, which would end the next dialog
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    OpenWindow(const OpenWindow&) = delete;
    OpenWindow& operator=(const OpenWindow&) = delete;

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(window.handle(), message, wParam, lParam);
    }
    bool exists() { return window.handle() != nullptr && IsWindow(window.handle()); }
    std::u16string caption() { return DialogScript::textOf(window.handle()); }

    EditorWindow window;
    GdiSurface surface;
    Win32Host host;
    frmEditor form;
};

std::string contentOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

class ClosingTheWindow : public testing::Test {
protected:
    ClosingTheWindow() { std::ofstream(file, std::ios::binary) << "kept"; }

    const TempFolder folder;
    const fs::path file = folder.root / u"close \u00e9.txt";
};

// Each answer to the question, against what it must leave: the window, its caption and
// the file. Without edits nothing is asked.
TEST_F(ClosingTheWindow, AsksOverUnsavedEditsAndDoesWhatTheAnswerSays) {
    struct Row {
        const char* answer;
        bool edited;
        int button;
        bool windowStays;
        std::u16string caption;
        std::string fileHolds;
    };
    const std::vector<Row> rows{
        {"no edits", false, 0, false, u"", "kept"},
        {"Cancel", true, IDCANCEL, true, u"*Columnator", "kept"},
        {"Don't save (No)", true, IDNO, false, u"", "kept"},
        {"Save (Yes)", true, IDYES, false, u"", "xkept"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        std::ofstream(file, std::ios::binary) << "kept";
        OpenWindow open(file);
        if (row.edited)
            open.form.onKeyPress(U'x');
        DialogScript script({DialogScript::press(row.button)});
        EXPECT_EQ(open.send(WM_CLOSE), 0);
        EXPECT_EQ(script.shown.size(), row.edited ? 1U : 0U);
        if (row.edited && !script.shown.empty()) {
            EXPECT_EQ(script.shown[0].message, u"Save the changes to \"close \u00e9.txt\"?");
        }
        EXPECT_EQ(open.exists(), row.windowStays);
        if (row.windowStays) {
            EXPECT_EQ(open.caption(), row.caption);
        }
        EXPECT_EQ(contentOf(file), row.fileHolds);
    }
}

// The session's end is asked about first, and only its end closes the window.
TEST_F(ClosingTheWindow, TheSessionEndsOnlyWhenTheUserAgrees) {
    OpenWindow open(file);
    open.form.onKeyPress(U'x');
    {
        DialogScript script({DialogScript::press(IDCANCEL)});
        EXPECT_EQ(open.send(WM_QUERYENDSESSION), FALSE);
        EXPECT_EQ(script.shown.size(), 1U);
    }
    {
        DialogScript script({DialogScript::press(IDNO)});
        EXPECT_EQ(open.send(WM_QUERYENDSESSION), TRUE);
        EXPECT_EQ(script.shown.size(), 1U);
    }
    open.send(WM_ENDSESSION, FALSE); // another program said no: all stays as it was
    EXPECT_TRUE(open.exists());
    EXPECT_EQ(open.caption(), u"*Columnator");
    open.send(WM_ENDSESSION, TRUE);
    EXPECT_FALSE(open.exists());
    EXPECT_EQ(contentOf(file), "kept");
}

// Moved to a monitor of twice the density, the window takes the frame Windows suggests and
// its next frame measures the text as a picture made at that density does, whether the
// frame grew or stayed the size it was.
TEST(MonitorDensity, AChangeMeasuresAndDrawsAtTheNewDensity) {
    const TempFolder folder;
    const fs::path file = folder.root / u"dense.txt";
    std::ofstream(file, std::ios::binary) << "kept";
    GdiSurface there;
    there.setDotsPerInchY(192);
    for (const bool grows : {true, false}) {
        SCOPED_TRACE(grows ? "a larger frame" : "the same frame");
        OpenWindow open(file);
        RECT suggested{};
        GetWindowRect(open.window.handle(), &suggested);
        if (grows) {
            suggested.right += suggested.right - suggested.left;
            suggested.bottom += suggested.bottom - suggested.top;
        }
        open.send(WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        RECT frame{};
        GetWindowRect(open.window.handle(), &frame);
        EXPECT_TRUE(EqualRect(&frame, &suggested));
        EXPECT_EQ(open.surface.dotsPerInchY(), 192);
        const CLBox& box = open.form.box();
        EXPECT_EQ(box.lineHeight, roundToPixel(there.textHeight(u" ")));
        EXPECT_EQ(box.lines.at(0)->tabs.at(0)->innerWidth, roundToPixel(there.textWidth(u"kept")));
    }
}

} // namespace
