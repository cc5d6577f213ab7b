#include "textbox/history.h"

#include "tests/support/HeadlessWindow.h"

#include "TempFolder.h"
#include "loadedbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Window = HeadlessWindow;

void undo(Window& window) {
    window.form.onKeyDown(letterKey('Z'), ShiftMask::Ctrl);
}
void redo(Window& window) {
    window.form.onKeyDown(letterKey('Y'), ShiftMask::Ctrl);
}

// Saving ends a run of typing, so undo comes back to the saved text, which is then
// unmodified again; redo modifies it again.
TEST(UndoAndSaving, UndoingBackToTheSavedTextMakesItUnmodified) {
    const TempFolder folder;
    Window window(folder.put("f.txt", "base"));
    window.type(u"ab");
    window.save();
    window.type(u"cd");
    EXPECT_EQ(window.host.caption(), u"*Columnator");
    undo(window);
    EXPECT_EQ(window.text(), u"abbase");
    EXPECT_EQ(window.host.caption(), u"Columnator");
    redo(window);
    EXPECT_EQ(window.text(), u"abcdbase");
    EXPECT_EQ(window.host.caption(), u"*Columnator");
    undo(window);
    undo(window); // past the save: modified, its text the loaded one
    EXPECT_EQ(window.text(), u"base");
    EXPECT_EQ(window.host.caption(), u"*Columnator");
    EXPECT_EQ(folder.contents("f.txt"), "abbase");
}

// Back at the saved text there is nothing to recover: the journal goes, and the edits
// made again after that are journalled afresh from the saved text.
TEST(UndoAndSaving, UndoingBackToTheSavedTextForgetsTheJournal) {
    const TempFolder folder;
    const std::u16string file = folder.put("f.txt", "base");
    const auto recovering = [&](HeadlessHost& host) {
        host.recoveryFolderPath = folder.path("recovery");
        host.okCancel = {true};
    };
    {
        Window window(file, recovering);
        window.type(u"x");
        window.settle();
        for (int tick = 0; tick < 150; ++tick)
            window.form.onTick();
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "recovery"), {}), 1);
        undo(window);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "recovery"), {}), 0);
        redo(window);
        window.type(u"y");
        for (int tick = 0; tick < 150; ++tick)
            window.form.onTick();
    }
    Window restored(file, recovering);
    EXPECT_EQ(restored.text(), u"xybase");
}

TEST(UndoAndLoading, LoadingAFileStartsItsHistoryAfresh) {
    const TempFolder folder;
    Window window(folder.put("first.txt", "one"));
    window.type(u"x");
    window.host.saveChoices = {SaveChoice::DontSave};
    window.form.onDrop({folder.put("second.txt", "two")});
    EXPECT_EQ(window.text(), u"two");
    undo(window);
    EXPECT_EQ(window.text(), u"two");
    EXPECT_EQ(window.host.surface.beeps, 1);
}

// Undo puts the cursor where it stood before the step, redo where it stood after it.
TEST(UndoAndCursor, EachStepKeepsTheCursorOnEitherSide) {
    Window window;
    window.box().loadtext(u"abc\ndef");
    window.settle();
    window.form.onKeyDown(KeyCode::End, ShiftMask::None);
    window.form.onKeyDown(KeyCode::Delete, ShiftMask::None); // joins the lines
    EXPECT_EQ(window.text(), u"abcdef");
    window.form.onKeyDown(KeyCode::Home, ShiftMask::Ctrl);
    undo(window);
    EXPECT_EQ(window.text(), u"abc\ndef");
    EXPECT_EQ(window.box().cursor, (CLPos{0, 0, 3}));
    window.form.onKeyDown(KeyCode::End, ShiftMask::Ctrl);
    redo(window);
    EXPECT_EQ(window.box().cursor, (CLPos{0, 0, 3}));
    redo(window);
    EXPECT_EQ(window.host.surface.beeps, 1);
}

// A change the history did not see (here loading behind its back) leaves it nothing to
// take back on that text.
TEST(EditHistoryEngine, ForgetsStepsOfATextTheBoxNoLongerHolds) {
    LoadedBox loaded(u"ab");
    EditHistory history;
    std::vector<TextChange> told;
    const TextChangeSink tell = [&](const TextChange& change) { told.push_back(change); };
    history.begin(loaded.box, EditHistory::Action::Typing);
    loaded.box.insertChar(u'x', loaded.box.cursor,
                          [&](const TextChange& change) { history.record(change); });
    history.end(loaded.box);
    loaded.box.loadtext(u"other");
    EXPECT_FALSE(history.undo(loaded.box, tell));
    EXPECT_EQ(loaded.box.gettext(), u"other");
    EXPECT_TRUE(told.empty());
}

} // namespace
