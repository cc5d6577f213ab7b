#include "platform/win32/EditorWindow.h"
#include "platform/win32/GdiSurface.h"
#include "platform/win32/TextAutomation.h"
#include "platform/win32/Win32Host.h"
#include "tests/TempFolder.h"
#include "window/frmEditor.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The program's window over "first\nsecond\n", shown and focused, as a screen reader
// finds it; its text element as WM_GETOBJECT hands it out.
class ReadWindow {
public:
    explicit ReadWindow(const fs::path& file)
        : surface(window.handle()), host(window.handle(), surface), form(host) {
        window.attach(form, surface);
        form.onResize(300, 120);
        form.onLoadFile(file.u16string());
        ShowWindow(window.handle(), SW_SHOW);
        SetForegroundWindow(window.handle());
        SetFocus(window.handle());
        form.onKeyDown(KeyCode::Home, ShiftMask::Ctrl); // a frame, with the caret placed
        pump();
    }
    ~ReadWindow() {
        MSG quit{};
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void pump() {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    void key(KeyCode code) {
        form.onKeyDown(code, ShiftMask::None);
        for (int k = 0; k < 100 && form.box().moving; ++k)
            form.onTick();
        pump();
    }
    uia::ITextProvider& text() { return *window.automation(); }

    EditorWindow window;
    GdiSurface surface;
    Win32Host host;
    frmEditor form;
};

std::u16string textOf(uia::ITextRangeProvider& range) {
    BSTR text = nullptr;
    EXPECT_EQ(range.GetText(-1, &text), S_OK);
    std::u16string read(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
    SysFreeString(text);
    return read;
}

// The one range a method hands out in an array, its reference taken over.
uia::ITextRangeProvider* onlyRange(SAFEARRAY* ranges) {
    LONG index = 0;
    IUnknown* element = nullptr;
    EXPECT_EQ(SafeArrayGetElement(ranges, &index, &element), S_OK);
    SafeArrayDestroy(ranges);
    auto* range = static_cast<uia::ITextRangeProvider*>(element);
    return range;
}

// Where a range starts, counted as the characters before it.
int32_t startOf(uia::ITextProvider& text, uia::ITextRangeProvider& range) {
    uia::ITextRangeProvider* before = nullptr;
    text.get_DocumentRange(&before);
    before->MoveEndpointByRange(uia::EndpointEnd, &range, uia::EndpointStart);
    const auto length = static_cast<int32_t>(textOf(*before).size());
    before->Release();
    return length;
}

class TextPattern : public testing::Test {
protected:
    TextPattern() { std::ofstream(file, std::ios::binary) << "first\nsecond\n"; }
    const TempFolder folder;
    const fs::path file = folder.root / u"read.txt";
};

// The document's text, the selection after moves, the caret's line and its box on the
// screen, as a client of UI Automation reads them from the window's element.
TEST_F(TextPattern, ServesTheTextTheCaretItsLineAndItsBox) {
    ReadWindow open(file);
    ASSERT_NE(open.window.automation(), nullptr);
    IUnknown* pattern = nullptr;
    ASSERT_EQ(open.window.automation()->GetPatternProvider(uia::textPatternId, &pattern), S_OK);
    ASSERT_NE(pattern, nullptr);
    pattern->Release();

    uia::ITextRangeProvider* document = nullptr;
    ASSERT_EQ(open.text().get_DocumentRange(&document), S_OK);
    EXPECT_EQ(textOf(*document), u"first\nsecond\n");
    document->Release();

    open.key(KeyCode::Down); // first: the font is proportional, so Down keeps no column
    open.key(KeyCode::Right);
    open.key(KeyCode::Right);
    SAFEARRAY* selection = nullptr;
    ASSERT_EQ(open.text().GetSelection(&selection), S_OK);
    uia::ITextRangeProvider* caret = onlyRange(selection);
    EXPECT_EQ(textOf(*caret), u"");
    EXPECT_EQ(startOf(open.text(), *caret), 8);

    ASSERT_EQ(caret->ExpandToEnclosingUnit(uia::TextUnitLine), S_OK);
    EXPECT_EQ(textOf(*caret), u"second\n");
    int moved = 0;
    ASSERT_EQ(caret->Move(uia::TextUnitLine, -1, &moved), S_OK);
    EXPECT_EQ(moved, -1);
    EXPECT_EQ(textOf(*caret), u"first\n");
    ASSERT_EQ(caret->Move(uia::TextUnitWord, 1, &moved), S_OK);
    EXPECT_EQ(textOf(*caret), u"\n");

    ASSERT_EQ(caret->Move(uia::TextUnitLine, 1, &moved), S_OK);
    ASSERT_EQ(caret->ExpandToEnclosingUnit(uia::TextUnitLine), S_OK);
    SAFEARRAY* boxes = nullptr;
    ASSERT_EQ(caret->GetBoundingRectangles(&boxes), S_OK);
    LONG upper = -1;
    SafeArrayGetUBound(boxes, 1, &upper);
    ASSERT_EQ(upper, 3); // one rectangle: left, top, width, height
    double* values = nullptr;
    SafeArrayAccessData(boxes, reinterpret_cast<void**>(&values));
    const ViewRect line = open.form.accessibleDocument().spanBounds({6, 13}).front();
    POINT topLeft{line.left, line.top};
    ClientToScreen(open.window.handle(), &topLeft);
    EXPECT_EQ(values[0], topLeft.x);
    EXPECT_EQ(values[1], topLeft.y);
    EXPECT_EQ(values[3], open.form.box().lines.at(1)->height);
    SafeArrayUnaccessData(boxes);
    SafeArrayDestroy(boxes);
    caret->Release();
}

// The system caret stands at the cursor's bar after every move, where magnifiers and the
// accessibility caret look for it.
TEST_F(TextPattern, TheSystemCaretFollowsTheCursor) {
    ReadWindow open(file);
    for (const KeyCode move : {KeyCode::End, KeyCode::Down, KeyCode::Left, KeyCode::Home}) {
        open.key(move);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &thread));
        CLBox& box = open.form.box();
        const PixelPoint bar = box.posToXYScrmov(box.cursor);
        EXPECT_EQ(thread.hwndCaret, open.window.handle());
        EXPECT_EQ(thread.rcCaret.left, bar.x);
        EXPECT_EQ(thread.rcCaret.top, bar.y);
    }
}

// Selecting a range through the pattern selects it in the window, and typing replaces it.
TEST_F(TextPattern, SelectingARangeSelectsItInTheWindow) {
    ReadWindow open(file);
    uia::ITextRangeProvider* range = nullptr;
    open.text().get_DocumentRange(&range);
    int moved = 0;
    range->MoveEndpointByUnit(uia::EndpointEnd, uia::TextUnitCharacter, -8, &moved);
    EXPECT_EQ(moved, -8);
    EXPECT_EQ(textOf(*range), u"first");
    EXPECT_EQ(range->Select(), S_OK);
    range->Release();
    open.form.onKeyPress(U'X');
    EXPECT_EQ(open.form.box().gettext(), u"X\nsecond\n");
}

} // namespace
