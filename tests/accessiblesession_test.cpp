#include "tests/support/HeadlessWindow.h"

#include "support/Rounding.h"

#include "TempFolder.h"
#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Kind = AccessibleEvent::Kind;
using Window = HeadlessWindow;

std::optional<TextSpan> selected(const AccessibleDocument& document) {
    const TextSpan span = document.selection();
    return span.start == span.end ? std::nullopt : std::optional(span);
}

// What a screen reader knows of the window: the text it read once, kept up to date from
// nothing but the events it is told.
struct Reader {
    std::u16string text;
    int32_t caret = 0;
    std::optional<TextSpan> selection; // none while nothing is selected

    explicit Reader(frmEditor& form) { readAgain(form); }
    void readAgain(frmEditor& form) {
        const AccessibleDocument document = form.accessibleDocument();
        text = document.text({0, document.characterCount()});
        caret = document.caretOffset();
        selection = selected(document);
    }
    testing::AssertionResult hear(frmEditor& form, std::vector<AccessibleEvent>& events) {
        for (const AccessibleEvent& event : events) {
            const auto at = static_cast<size_t>(event.offset);
            switch (event.kind) {
            case Kind::TextRemoved:
                if (text.compare(at, event.text.size(), event.text) != 0)
                    return testing::AssertionFailure() << "removed what was not there";
                text.erase(at, event.text.size());
                break;
            case Kind::TextInserted:
                if (at > text.size())
                    return testing::AssertionFailure() << "inserted past the end";
                text.insert(at, event.text);
                break;
            case Kind::TextReplaced:
                readAgain(form);
                break;
            case Kind::CaretMoved:
                caret = event.offset;
                break;
            case Kind::Selected:
                selection = event.offset == event.end
                                ? std::nullopt
                                : std::optional(TextSpan{event.offset, event.end});
                break;
            }
        }
        events.clear();
        return testing::AssertionSuccess();
    }
};

// Random keys, clicks, pastes, undos, Replace all, blocks removed and a reader's own
// selections and edits: the text a reader keeps from the events alone is the window's
// accessible text after every handler, and the caret and selection it was told are where
// they stand.
TEST(ScreenReaderEvents, KeepAReadersCopyOfTheTextCaretAndSelection) {
    Window window;
    Reader reader(window.form);
    Picker picker(28);
    const std::vector<std::pair<KeyCode, ShiftMask>> keys = {
        {KeyCode::Backspace, ShiftMask::None}, {KeyCode::Tab, ShiftMask::None},
        {KeyCode::Enter, ShiftMask::None},     {KeyCode::Delete, ShiftMask::None},
        {KeyCode::Left, ShiftMask::None},      {KeyCode::Down, ShiftMask::None},
        {KeyCode::End, ShiftMask::None},       {KeyCode::Home, ShiftMask::Ctrl},
        {KeyCode::A, ShiftMask::Ctrl},         {letterKey('X'), ShiftMask::Ctrl},
        {letterKey('V'), ShiftMask::Ctrl},     {letterKey('Z'), ShiftMask::Ctrl},
        {letterKey('Y'), ShiftMask::Ctrl}};
    for (int step = 0; step < 600; ++step) {
        frmEditor& form = window.form;
        const int32_t length = form.accessibleDocument().characterCount();
        switch (picker.pick(0, 7)) {
        case 0:
            window.type(
                picker.oneOf(std::vector<std::u16string>{u"a", u" ", u"\u00e9", u"\U0001F600"}));
            break;
        case 1:
            window.host.clipboard = randomText(picker, picker.pick(0, 6));
            [[fallthrough]];
        case 2: {
            const auto& [key, shift] = picker.oneOf(keys);
            form.onKeyDown(key, shift);
            break;
        }
        case 3:
            form.onMouseDown(MouseButton::Left, ShiftMask::None, picker.pick(0, 300),
                             picker.pick(0, 190));
            form.onMouseUp(MouseButton::Left, ShiftMask::None, 0, 0);
            break;
        case 5: // whole lines exchanged at once
            form.onReplaceDialog({{picker.oneOf(std::vector<std::u16string>{u"a", u" ", u"\u00e9"}),
                                   randomText(picker, picker.pick(0, 3)), false, false},
                                  ReplaceButton::ReplaceAll});
            break;
        case 6: // a block of cells, taken out
            form.onMouseDown(MouseButton::Left, ShiftMask::Alt, picker.pick(0, 300),
                             picker.pick(0, 190));
            form.onMouseMove(MouseButton::Left, ShiftMask::Alt, picker.pick(0, 300),
                             picker.pick(0, 190));
            form.onMouseUp(MouseButton::Left, ShiftMask::Alt, 0, 0);
            form.onKeyDown(KeyCode::Delete, ShiftMask::None);
            break;
        case 4:
            form.onAccessibleSelect(picker.pick(0, length), picker.pick(0, length));
            break;
        default:
            form.onAccessibleReplace({picker.pick(0, length), picker.pick(0, length)},
                                     randomText(picker, picker.pick(0, 4)));
        }
        window.settle();
        ASSERT_TRUE(reader.hear(form, window.host.screenReaderEvents)) << "step " << step;
        ASSERT_EQ(reader.text, accessibleTextOf(window.box())) << "step " << step;
        const AccessibleDocument document = form.accessibleDocument();
        ASSERT_EQ(reader.caret, document.caretOffset()) << "step " << step;
        ASSERT_EQ(reader.selection, selected(document)) << "step " << step;
    }
    EXPECT_TRUE(window.host.errors.empty());
}

// A window no reader asked about tells nothing; a load tells the reader to read again.
TEST(ScreenReaderEvents, StartWithTheFirstQuestionAndTellALoadWhole) {
    const TempFolder folder;
    Window window;
    window.type(u"x");
    window.form.onKeyDown(KeyCode::Right, ShiftMask::None);
    EXPECT_TRUE(window.host.screenReaderEvents.empty());
    window.form.accessibleDocument();
    window.type(u"y");
    EXPECT_EQ(
        window.host.screenReaderEvents,
        (std::vector<AccessibleEvent>{{Kind::TextInserted, 2, 0, u"y"}, {Kind::CaretMoved, 3}}));
    window.host.screenReaderEvents.clear();
    window.host.saveChoices = {SaveChoice::DontSave};
    window.form.onDrop({folder.put("dropped.txt", "new text")});
    EXPECT_EQ(window.host.screenReaderEvents.front().kind, Kind::TextReplaced);
    EXPECT_EQ(window.form.accessibleDocument().text({0, 100}), u"new text");
}

// Setting the caret far down moves the cursor there and the view after it; what is typed
// then lands there, and saving writes it.
TEST(ScreenReaderCaret, SetFromTheReaderMovesTheCursorAndTheView) {
    const TempFolder folder;
    std::string lines;
    for (int k = 10; k < 110; ++k)
        lines += "line " + std::to_string(k) + "\r\n"; // 9 bytes, 8 units read
    Window window(folder.put("f.txt", lines));
    window.form.accessibleDocument();
    window.form.onAccessibleSelect(50 * 8 + 5, 50 * 8 + 5);
    window.settle();
    EXPECT_EQ(window.box().cursor, (CLPos{50, 0, 5}));
    EXPECT_GT(window.box().scrY, 0);
    window.type(u"#");
    window.save();
    std::string expected = lines;
    expected.insert(static_cast<size_t>(50 * 9 + 5), "#");
    EXPECT_EQ(folder.contents("f.txt"), expected);
}

// A character's box and the offset at a point come from where the text is drawn: the caret's
// character starts at the cursor's bar, and a point inside any character's box is that
// character's offset.
TEST(ScreenReaderGeometry, FollowsTheDrawnText) {
    Window window;
    window.form.onKeyDown(KeyCode::Down, ShiftMask::None);
    window.form.onKeyDown(KeyCode::Right, ShiftMask::None);
    window.settle();
    const AccessibleDocument document = window.form.accessibleDocument();
    CLBox& box = window.box();
    const ViewRect caret = document.characterBounds(document.caretOffset());
    const PixelPoint bar = box.posToXYScrmov(box.cursor);
    EXPECT_EQ((PixelPoint{caret.left, caret.top}), bar);
    EXPECT_EQ(caret.bottom - caret.top, box.lines.at(box.cursor.yLine)->height);
    const TextSpan line = document.unitAt(document.caretOffset(), TextUnit::Line);
    for (int32_t offset = line.start; offset < line.end - 1; ++offset) {
        const ViewRect bounds = document.characterBounds(offset);
        EXPECT_EQ(document.offsetAtPoint(bounds.left, bounds.top + 1), offset) << offset;
    }
    EXPECT_EQ(document.spanBounds(line).size(), 1u);
}

} // namespace
