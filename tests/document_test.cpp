#include "tests/support/HeadlessWindow.h"

#include "RandomFileBytes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Window = HeadlessWindow;

TEST(StartUp, EmptyCommandLineShowsTheDemoText) {
    Window window;
    CLBox& box = window.box();
    ASSERT_EQ(box.lines.size(), 17);
    EXPECT_EQ(cellText(box, 2, 0), u"no selection yet");
    ASSERT_EQ(box.lines.at(4)->tabs.size(), 5);
    for (int32_t cell = 0; cell < 5; ++cell)
        EXPECT_EQ(cellText(box, 4, cell), std::u16string(cell < 4 ? 1 : 0, u"1234"[cell]));
    EXPECT_EQ(box.lines.at(0)->lineEnd, u"\r\n");
    EXPECT_EQ(cellText(box, 11, 2), u"wow(");
    EXPECT_TRUE(window.form.filePath.empty());
    EXPECT_TRUE(window.host.errors.empty());
    window.settle(); // the first tick draws once and stops
    EXPECT_FALSE(box.moving);
}

TEST(StartUp, CommandLineQuotesAreStrippedOnlyInPairs) {
    const TempFolder folder;
    const std::u16string path = folder.put("with blank.txt", "quoted");
    struct Row {
        std::u16string commandLine, expectedPath;
        bool loads;
    };
    for (const Row& row : {Row{u"\"" + path + u"\"", path, true}, Row{path, path, true},
                           Row{u"\"" + path, u"\"" + path, false}}) {
        Window window(row.commandLine);
        EXPECT_EQ(window.form.filePath, row.expectedPath);
        EXPECT_EQ(window.text(), row.loads ? u"quoted" : u"");
        EXPECT_EQ(window.host.errors.size(), row.loads ? 0u : 1u);
    }
}

TEST(MissingFiles, ANamedFileThatDoesNotExistIsCreatedBySaving) {
    const TempFolder folder;
    Window window(folder.path("new.txt"));
    ASSERT_EQ(window.host.errors.size(), 1u);
    EXPECT_NE(window.host.errors[0].find(u"does not exist"), std::u16string::npos);
    EXPECT_EQ(window.text(), u"");
    window.type(u"h\u00E9");
    window.save();
    EXPECT_EQ(folder.contents("new.txt"), "h\xC3\xA9"); // UTF-8, no mark
    EXPECT_EQ(window.host.errors.size(), 1u);
}

TEST(MissingFiles, UnreadableFileAtStartUpGivesAnEmptyDocumentWithoutPath) {
    const TempFolder folder;
    fs::create_directory(folder.root / "a folder");
    Window window(folder.path("a folder"));
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_EQ(window.text(), u"");
    EXPECT_TRUE(window.form.filePath.empty());
    window.save(); // asks for a name, here cancelled
    EXPECT_EQ(window.host.savePathsSuggested, (std::vector<std::u16string>{u""}));
    EXPECT_EQ(window.host.errors.size(), 1u);
}

// The demo text has no file: Ctrl+S asks for one and stores the text as a new file is
// stored, UTF-8 without a mark; a cancelled dialog writes nothing.
TEST(NamingAFile, SavingATextWithoutAFileAsksForItsName) {
    const TempFolder folder;
    Window window;
    window.type(u"\u00E9");
    window.save();
    EXPECT_EQ(window.host.savePathsSuggested.size(), 1u);
    EXPECT_TRUE(window.form.filePath.empty());
    EXPECT_EQ(folder.names(), std::vector<std::string>{});
    window.host.savePaths = {folder.path("named.txt")};
    window.save();
    EXPECT_EQ(window.form.filePath, folder.path("named.txt"));
    const std::string saved = folder.contents("named.txt");
    EXPECT_EQ(saved.substr(0, 11), "\xC3\xA9"
                                   "drag-drop");       // UTF-8, no mark
    EXPECT_EQ(saved.size(), window.text().size() + 1); // é takes two bytes, the rest one
    EXPECT_EQ(window.host.caption(), u"Columnator");
    window.type(u"x");
    window.save(); // now it has a name: no dialog
    EXPECT_EQ(window.host.savePathsSuggested.size(), 2u);
    EXPECT_EQ(folder.contents("named.txt").substr(0, 3), "\xC3\xA9x");
    EXPECT_TRUE(window.host.errors.empty());
}

TEST(Dropping, OneFileLoadsUnderTheLoadingCaption) {
    const TempFolder folder;
    Window window;
    window.form.onDrop({folder.put("a.txt", "a\tb"), folder.put("b.txt", "b")});
    EXPECT_TRUE(window.host.captions.empty()); // two files: nothing happens
    EXPECT_EQ(window.box().lines.size(), 17);
    window.form.onDrop({folder.path("a.txt")});
    EXPECT_EQ(window.host.captions, (std::vector<std::u16string>{u"loading", u"Columnator"}));
    EXPECT_EQ(window.text(), u"a\tb");
    EXPECT_EQ(window.form.filePath, folder.path("a.txt"));
}

TEST(Dropping, AFailedDropKeepsTheDocumentAndRestoresTheCaption) {
    const TempFolder folder;
    Window window(folder.put("kept.txt", "kept"));
    for (const std::u16string& dropped : {folder.path("missing.txt"), folder.root.u16string()}) {
        window.host.captions.clear();
        window.form.onDrop({dropped});
        EXPECT_EQ(window.host.caption(), u"Columnator");
        EXPECT_EQ(window.text(), u"kept");
        EXPECT_EQ(window.form.filePath, folder.path("kept.txt"));
    }
    EXPECT_EQ(window.host.errors.size(), 2u);
}

TEST(Saving, AnyFileOpenedAndSavedUneditedComesBackByteForByte) {
    const TempFolder folder;
    std::mt19937 draw(3);
    for (int sample = 0; sample < 300; ++sample) {
        const std::string bytes = randomFileBytes(draw);
        Window window(folder.put("file.bin", bytes));
        window.save();
        ASSERT_EQ(folder.contents("file.bin"), bytes) << testing::PrintToString(bytes);
        ASSERT_TRUE(window.host.errors.empty());
        ASSERT_TRUE(window.host.questions.empty());
    }
}

TEST(Saving, CtrlWithShiftStillSaves) {
    const TempFolder folder;
    Window window(folder.put("f.txt", "x"));
    window.type(u"y");
    window.save(ShiftMask::Ctrl | ShiftMask::Shift);
    EXPECT_EQ(folder.contents("f.txt"), "yx");
    window.form.onKeyDown(KeyCode::S, ShiftMask::Shift); // no Ctrl: no save
    window.type(u"z");
    window.form.onKeyDown(KeyCode::S, ShiftMask::Shift);
    EXPECT_EQ(folder.contents("f.txt"), "yx");
}

TEST(Saving, CharactersTheCodePageLacksAskBeforeChangingTheEncoding) {
    const TempFolder folder;
    Window window(folder.put("ansi.txt", "caf\xE9"));
    EXPECT_EQ(window.form.fileCodePage(), 0);
    window.type(u"\u20AC"); // the code page has the euro sign: no question
    window.save();
    EXPECT_EQ(folder.contents("ansi.txt"), "\x80"
                                           "caf\xE9");
    EXPECT_TRUE(window.host.questions.empty());

    window.type(u"\u0100");
    window.save(); // answered no
    EXPECT_EQ(window.host.questions.size(), 1u);
    EXPECT_EQ(folder.contents("ansi.txt"), "\x80"
                                           "caf\xE9");
    window.host.yesNo.push_back(true);
    window.save();
    EXPECT_EQ(folder.contents("ansi.txt"), "\xE2\x82\xAC\xC4\x80"
                                           "caf\xC3\xA9");
    EXPECT_EQ(window.form.fileCodePage(), 65001);
    EXPECT_TRUE(window.host.errors.empty());
}

TEST(Saving, AFailedSaveIsReportedAndTheWindowGoesOn) {
    const TempFolder folder;
    Window window(folder.put("f.txt", "x"));
    window.form.filePath = folder.path("no such folder/f.txt");
    window.save();
    EXPECT_EQ(window.host.errors.size(), 1u);
    window.type(u"a");
    EXPECT_EQ(window.text(), u"ax");
}

// The star shows changes not saved: typing, deleting, Tab and Enter make them; a
// Backspace that only beeps, loading and saving do not.
TEST(UnsavedChanges, TheCaptionStarsAModifiedText) {
    const TempFolder folder;
    Window window(folder.put("f.txt", "x"));
    window.form.onKeyDown(KeyCode::Backspace, ShiftMask::None); // at the start: a beep
    EXPECT_TRUE(window.host.captions.empty());
    for (const KeyCode key : {KeyCode::Tab, KeyCode::Enter, KeyCode::Backspace}) {
        window.form.onKeyDown(key, ShiftMask::None);
        EXPECT_EQ(window.host.caption(), u"*Columnator");
        window.save();
        EXPECT_EQ(window.host.caption(), u"Columnator");
    }
    window.type(u"a");
    window.form.onKeyDown(KeyCode::Backspace, ShiftMask::None); // back to the saved text
    EXPECT_EQ(window.host.caption(), u"*Columnator");           // yet changed, until undo
    window.form.onDrop({folder.put("g.txt", "g")});
    EXPECT_EQ(window.host.questions.size(), 1u); // answered Cancel
    window.save();
    window.form.onDrop({folder.path("g.txt")});
    EXPECT_EQ(window.host.caption(), u"Columnator");
    EXPECT_EQ(window.text(), u"g");
}

// What happens to a modified text when the window closes or another file is dropped on
// it, for each answer and each outcome of the save that Save starts.
struct GuardRow {
    SaveChoice answer;
    bool saveFails;
    bool proceeds;    // the window closes, the dropped file loads
    std::string file; // what the edited file holds afterwards
};
const GuardRow guardRows[] = {
    {SaveChoice::Save, false, true, "xedited"},
    {SaveChoice::Save, true, false, "edited"},
    {SaveChoice::DontSave, false, true, "edited"},
    {SaveChoice::Cancel, false, false, "edited"},
};

// A window on edited.txt with "x" typed; where the row says so, its file is in a folder
// that has gone, so saving fails.
struct EditedWindow {
    EditedWindow(const TempFolder& folder, const GuardRow& row)
        : window(folder.put("edited.txt", "edited")) {
        window.type(u"x");
        window.host.saveChoices = {row.answer};
        if (row.saveFails)
            window.form.filePath = folder.path("gone/edited.txt");
    }
    Window window;
};

TEST(UnsavedChanges, ClosingAsksAndKeepsTheTextUnlessTold) {
    for (const GuardRow& row : guardRows) {
        const TempFolder folder;
        EditedWindow edited(folder, row);
        Window& window = edited.window;
        EXPECT_EQ(window.form.onClose(), row.proceeds);
        EXPECT_EQ(window.host.questions.size(), 1u);
        EXPECT_EQ(folder.contents("edited.txt"), row.file);
        EXPECT_EQ(window.host.errors.size(), row.saveFails ? 1u : 0u);
        EXPECT_EQ(window.text(), u"xedited");
    }
}

TEST(UnsavedChanges, DroppingAFileAsksFirstAndCancelChangesNothing) {
    for (const GuardRow& row : guardRows) {
        const TempFolder folder;
        const std::u16string dropped = folder.put("dropped.txt", "dropped");
        EditedWindow edited(folder, row);
        Window& window = edited.window;
        const CLPos cursor = window.box().cursor;
        const std::u16string path = window.form.filePath;
        const std::vector<std::u16string> captions = window.host.captions;
        window.form.onDrop({dropped});
        EXPECT_EQ(folder.contents("edited.txt"), row.file);
        if (row.proceeds) {
            EXPECT_EQ(window.text(), u"dropped");
            EXPECT_EQ(window.form.filePath, dropped);
            EXPECT_EQ(window.host.caption(), u"Columnator");
        } else {
            EXPECT_EQ(window.text(), u"xedited");
            EXPECT_EQ(window.box().cursor, cursor);
            EXPECT_EQ(window.form.filePath, path);
            EXPECT_EQ(window.host.captions, captions); // still "*Columnator"
        }
    }
}

TEST(UnsavedChanges, AnUnmodifiedTextClosesAtOnce) {
    Window window;
    EXPECT_TRUE(window.form.onClose());
    window.type(u"x");
    window.host.saveChoices = {SaveChoice::Save}; // no file: the Save dialog, cancelled
    EXPECT_FALSE(window.form.onClose());
    EXPECT_EQ(window.host.savePathsSuggested.size(), 1u);
    EXPECT_EQ(window.host.questions,
              (std::vector<std::u16string>{u"Save the changes to the text?"}));
}

// While a dialog of ours is open it is answered first; the close waits for the user.
TEST(UnsavedChanges, ACloseDuringADialogIsRefused) {
    Window window;
    bool closes = true;
    window.host.whileDialogOpen = [&] { closes = window.form.onClose(); };
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    EXPECT_FALSE(closes);
}

// F12 stores the text under another name in the encoding it has; the old file stays.
TEST(NamingAFile, SaveAsKeepsTheEncodingAndMovesToTheNewName) {
    const TempFolder folder;
    Window window(folder.put("ansi.txt", "caf\xE9"));
    window.type(u"\u20AC");
    window.host.savePaths = {folder.path("copy.txt")};
    window.form.onKeyDown(functionKey(12), ShiftMask::None);
    EXPECT_EQ(window.host.savePathsSuggested,
              (std::vector<std::u16string>{folder.path("ansi.txt")}));
    EXPECT_EQ(folder.contents("copy.txt"), "\x80"
                                           "caf\xE9");
    EXPECT_EQ(folder.contents("ansi.txt"), "caf\xE9");
    EXPECT_EQ(window.form.filePath, folder.path("copy.txt"));
    EXPECT_EQ(window.host.caption(), u"Columnator");

    window.type(u"\u0100"); // not in the code page: the same question as Ctrl+S asks
    window.host.savePaths = {folder.path("wide.txt")};
    window.host.yesNo = {true};
    window.form.onKeyDown(functionKey(12), ShiftMask::Shift);
    EXPECT_EQ(window.host.questions.size(), 1u);
    EXPECT_EQ(folder.contents("wide.txt"), "\xE2\x82\xAC\xC4\x80"
                                           "caf\xC3\xA9");
    window.form.onKeyDown(functionKey(12), ShiftMask::None); // cancelled: nothing
    EXPECT_EQ(window.form.filePath, folder.path("wide.txt"));
    EXPECT_TRUE(window.host.errors.empty());
}

// A dialog the system cannot show is told, and nothing else happens.
TEST(NamingAFile, AFileDialogThatFailsIsTold) {
    Window window;
    window.host.fileDialogsFail = true;
    window.form.onKeyDown(letterKey('O'), ShiftMask::Ctrl);
    window.form.onKeyDown(functionKey(12), ShiftMask::None);
    ASSERT_EQ(window.host.errors.size(), 2u);
    EXPECT_NE(window.host.errors[0].find(u"Open dialog"), std::u16string::npos);
    EXPECT_NE(window.host.errors[1].find(u"Save dialog"), std::u16string::npos);
    EXPECT_EQ(window.text().substr(0, 4), u"drag");
}

// Ctrl+O asks about unsaved changes first, then for the file, and loads it as a drop does.
TEST(NamingAFile, OpenAsksForAFileAfterTheGuard) {
    const TempFolder folder;
    Window window(folder.put("first.txt", "first"));
    window.host.openPaths = {folder.put("second.txt", "second")};
    window.form.onKeyDown(letterKey('O'), ShiftMask::Ctrl);
    EXPECT_EQ(window.host.openPathsNear, (std::vector<std::u16string>{folder.path("first.txt")}));
    EXPECT_EQ(window.text(), u"second");
    EXPECT_EQ(window.host.captions, (std::vector<std::u16string>{u"loading", u"Columnator"}));

    window.type(u"x");
    window.form.onKeyDown(letterKey('O'), ShiftMask::Ctrl); // Cancel: no dialog at all
    EXPECT_EQ(window.host.openPathsNear.size(), 1u);
    window.host.saveChoices = {SaveChoice::DontSave};
    window.form.onKeyDown(letterKey('O'), ShiftMask::Ctrl); // the dialog, cancelled
    EXPECT_EQ(window.host.openPathsNear.size(), 2u);
    EXPECT_EQ(window.text(), u"xsecond");
    window.form.onKeyDown(letterKey('O'), ShiftMask::None); // no Ctrl: nothing
    EXPECT_EQ(window.host.questions.size(), 2u);
}

} // namespace
