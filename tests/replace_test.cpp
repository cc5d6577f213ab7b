#include "tests/support/HeadlessWindow.h"

#include "TempFolder.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

using Window = HeadlessWindow;

void press(Window& window, ReplaceButton button, const std::u16string& findWhat,
           const std::u16string& replaceWith = u"", SearchOptions options = {}) {
    window.form.onReplaceDialog(
        {{findWhat, replaceWith, options.matchCase, options.wholeWord}, button});
}

// Ctrl+H fills Find what with a selection inside one cell, else with the last search.
TEST(ReplaceDialog, OpensWithTheSelectionOrTheLastSearch) {
    Window window;
    window.box().loadtext(u"alpha beta\tgamma\ndelta");
    window.form.onKeyDown(letterKey('H'), ShiftMask::Ctrl);
    setSelection(window.box(), CLPos{0, 0, 6}, CLPos{0, 0, 10});
    window.form.onKeyDown(letterKey('H'), ShiftMask::Ctrl);
    setSelection(window.box(), CLPos{0, 0, 6}, CLPos{0, 1, 2}); // across a tab
    window.form.onKeyDown(letterKey('H'), ShiftMask::Ctrl);
    press(window, ReplaceButton::FindNext, u"delta");
    window.form.onKeyDown(letterKey('H'), ShiftMask::Ctrl);
    EXPECT_EQ(window.host.replaceDialogShown,
              (std::vector<std::u16string>{u"", u"beta", u"", u"delta"}));
}

// The dialog's search, options and all, is what F3 and Shift+F3 repeat; Ctrl+F's ignores
// case and matches anywhere again.
TEST(ReplaceDialog, F3RepeatsTheDialogsSearchWithItsOptions) {
    Window window;
    window.box().loadtext(u"Int int interval INT int");
    press(window, ReplaceButton::FindNext, u"int", u"", {true, true});
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 4}, {0, 0, 7}}));
    window.form.onKeyDown(functionKey(3), ShiftMask::None);
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 21}, {0, 0, 24}}));
    window.form.onKeyDown(functionKey(3), ShiftMask::Shift);
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 4}, {0, 0, 7}}));
    window.host.answers = {u"int"};
    window.form.onKeyDown(letterKey('F'), ShiftMask::Ctrl);
    EXPECT_EQ(selectedRange(window.box()), (TextRange{{0, 0, 8}, {0, 0, 11}})); // in "interval"
}

// Replace all reports its count; nothing found beeps and says so, changing nothing; undone,
// the text is as it was, the cursor where it stood.
TEST(ReplaceDialog, ReplaceAllTellsItsCountAndIsOneUndoStep) {
    const TempFolder folder;
    Window window(folder.put("doc.txt", "int a;\n\tint b;\nint c;"));
    window.form.onMouseDown(MouseButton::Left, ShiftMask::None, 0, 0);
    press(window, ReplaceButton::ReplaceAll, u"int", u"long\tlong");
    EXPECT_EQ(window.text(), u"long\tlong a;\n\tlong\tlong b;\nlong\tlong c;");
    EXPECT_EQ(window.box().cursor, (CLPos{2, 1, 4}));
    EXPECT_EQ(window.host.replaceDialogMessages.back(), u"3 replaced");
    EXPECT_EQ(window.host.caption(), u"*Columnator");
    press(window, ReplaceButton::ReplaceAll, u"short", u"x");
    EXPECT_EQ(window.host.surface.beeps, 1);
    EXPECT_EQ(window.host.told.back(), u"\"short\" was not found.");
    window.form.onKeyDown(letterKey('Z'), ShiftMask::Ctrl);
    EXPECT_EQ(window.text(), u"int a;\n\tint b;\nint c;");
    EXPECT_EQ(window.box().cursor, (CLPos{0, 0, 0}));
    EXPECT_EQ(window.host.caption(), u"Columnator");
    window.form.onKeyDown(letterKey('Y'), ShiftMask::Ctrl);
    EXPECT_EQ(window.text(), u"long\tlong a;\n\tlong\tlong b;\nlong\tlong c;");
}

// A Replace all that outlasts its handler goes on at the ticks, its progress in the caption;
// Escape, closing the dialog or a change of the text stops it, the text as it was, nothing
// to undo.
TEST(ReplaceDialog, ALongReplaceAllGoesOnAtTheTicksAndStopsWithoutAChange) {
    const TempFolder folder;
    std::string bytes;
    for (int k = 0; k < 2000; ++k)
        bytes += "int x;\n";
    const std::u16string text(bytes.begin(), bytes.end());
    const std::u16string file = folder.put("doc.txt", bytes);
    for (int ending = 0; ending < 4; ++ending) {
        Window window(file);
        window.form.setFindPacing({std::chrono::milliseconds(0), std::chrono::milliseconds(0), 50});
        press(window, ReplaceButton::ReplaceAll, u"int", u"long");
        window.form.onTick();
        EXPECT_TRUE(window.host.caption().starts_with(u"replacing "))
            << window.host.caption().size();
        if (ending == 0) {
            for (int tick = 0; tick < 100000 && window.host.caption() != u"*Columnator"; ++tick)
                window.form.onTick();
            EXPECT_EQ(window.host.replaceDialogMessages.back(), u"2000 replaced");
            EXPECT_EQ(window.box().cursor, (CLPos{1999, 0, 4}));
            continue;
        }
        if (ending == 1)
            window.form.onKeyDown(KeyCode::Escape, ShiftMask::None);
        else if (ending == 2)
            press(window, ReplaceButton::Close, u"int");
        else
            window.type(u"y");
        for (int tick = 0; tick < 100; ++tick)
            window.form.onTick();
        EXPECT_EQ(window.text(), (ending == 3 ? u"y" : u"") + text) << ending;
        window.form.onKeyDown(letterKey('Z'), ShiftMask::Ctrl);
        EXPECT_EQ(window.text(), text) << ending;
        EXPECT_EQ(window.host.surface.beeps, ending == 3 ? 0 : 1) << "nothing to undo";
        EXPECT_EQ(window.host.caption(), u"Columnator") << ending;
    }
}

// The journal holds a Replace all as what it replaced, whatever it touched: a crash after
// the idle write, and the next start offers the replaced text back.
TEST(ReplaceDialog, TheJournalKeepsAReplaceAllCompactlyForAfterACrash) {
    const TempFolder folder;
    std::u16string text;
    for (int k = 0; k < 5000; ++k)
        text += u"int x" + std::u16string(40, u'.') + u"\n";
    const std::u16string file = folder.put("doc.txt", modLocale::textToBytes(text, 65001));
    const auto recovering = [&](HeadlessHost& host) {
        host.recoveryFolderPath = folder.path("recovery");
        host.okCancel = {true};
    };
    std::u16string replaced;
    {
        Window window(file, recovering);
        press(window, ReplaceButton::ReplaceAll, u"INT", u"long\n");
        replaced = window.text();
        for (int tick = 0; tick < 150; ++tick)
            window.form.onTick();
    }
    uintmax_t journalBytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path("recovery")))
        journalBytes += entry.file_size();
    EXPECT_LT(journalBytes, 1000u);
    Window restarted(file, recovering);
    EXPECT_EQ(restarted.text(), replaced);
}

} // namespace
