#include "tests/support/HeadlessWindow.h"

#include "RandomFileBytes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Window = HeadlessWindow;
using Call = HeadlessSurface::Call;

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
    window.save(); // refused: there is no file
    EXPECT_EQ(window.host.errors.size(), 2u);
}

TEST(MissingFiles, SavingTheDemoTextWritesNothing) {
    Window window;
    window.save();
    ASSERT_EQ(window.host.errors.size(), 1u);
    EXPECT_NE(window.host.errors[0].find(u"no file"), std::u16string::npos);
    EXPECT_TRUE(window.form.filePath.empty());
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
        EXPECT_EQ(window.host.captions.back(), u"Columnator");
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
    EXPECT_EQ(window.form.fileCodePage, 0);
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
    EXPECT_EQ(window.form.fileCodePage, 65001);
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

TEST(Handlers, ASurfaceFailureIsReportedNotThrown) {
    Window window;
    window.host.surface.failAfter = 0;
    EXPECT_NO_THROW(window.form.onResize(100, 100));
    EXPECT_EQ(window.host.errors.size(), 1u);
    window.form.onResize(200, 100);
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_EQ(window.box().viewWidth, 200);
}

// A platform goes on delivering events while a dialog of ours is open. None of them may
// run inside the handler that opened it: ticks and input are dropped, and the last
// resize is handled once that handler has ended.
TEST(HandlerGate, TicksAndInputDuringADialogAreDropped) {
    Window window;
    window.startGlideDown(100); // a glide the ticks would carry on
    const std::u16string text = window.text();
    const CLPos cursor = window.box().cursor;
    window.host.whileDialogOpen = [&] {
        window.host.surface.calls.clear();
        for (int tick = 0; tick < 5; ++tick)
            window.form.onTick();
        window.form.onKeyPress(u'x');
        window.form.onKeyDown(KeyCode::End, ShiftMask::Ctrl);
        window.form.onMouseDown(MouseButton::Left, ShiftMask::None, 30, 30);
        window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 30, 30);
        window.form.onDrop({u"elsewhere.txt"});
        window.form.onLoad(u"elsewhere.txt");
        EXPECT_TRUE(window.host.surface.calls.empty());
        EXPECT_EQ(window.box().scrmovY, 0);
    };
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(window.host.prompts.size(), 2u); // the nested right click asked nothing
    EXPECT_EQ(window.text(), text);
    EXPECT_EQ(window.box().cursor, cursor);
    EXPECT_TRUE(window.host.captions.empty());
    window.form.onTick(); // and afterwards the glide goes on
    EXPECT_EQ(window.box().scrmovY, 30);
}

TEST(HandlerGate, AResizeDuringADialogIsHandledAfterIt) {
    Window window;
    window.settle();
    window.host.whileDialogOpen = [&] {
        window.form.onResize(300, 120);
        window.form.onResize(200, 100); // the last one counts
        EXPECT_EQ(window.host.surface.scaleWidth(), windowDesign::startWidth);
        window.host.surface.calls.clear();
    };
    window.host.answers = {u"Courier"};
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(window.host.surface.scaleWidth(), 200);
    EXPECT_EQ(window.host.surface.scaleHeight(), 100);
    EXPECT_EQ(window.box().viewWidth, 200);
    EXPECT_EQ(window.frames(), 2u); // the font change's frame, then the resize's
}

// A resize that arrives while an error is shown is handled after it, and a failing
// resize inside that is reported in turn without nesting.
TEST(HandlerGate, AResizeDuringAnErrorMessageFollowsIt) {
    Window window;
    window.settle();
    int depth = 0, deepest = 0;
    window.host.whileDialogOpen = [&] {
        deepest = std::max(deepest, ++depth);
        window.form.onResize(250, 90);
        --depth;
    };
    window.save(); // the demo text has no file: an error
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_EQ(window.box().viewWidth, 250);
}

// A platform's own failure is told like the handlers' own, but never inside one.
TEST(HandlerGate, APlatformFailureDuringADialogIsToldAfterIt) {
    Window window;
    window.settle();
    std::vector<size_t> errorsSeen; // when each dialog opened
    window.host.whileDialogOpen = [&] {
        if (errorsSeen.empty())
            window.form.onFailure(u"the window cannot be painted");
        errorsSeen.push_back(window.host.errors.size());
    };
    window.form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
    window.host.whileDialogOpen = nullptr;
    EXPECT_EQ(errorsSeen, (std::vector<size_t>{0, 0, 1})); // both prompts, then the message
    EXPECT_EQ(window.host.errors, (std::vector<std::u16string>{u"the window cannot be painted"}));
}

TEST(HandlerGate, NothingRunsBeforeStartUpButTheLastResizeFollowsIt) {
    HeadlessHost host;
    frmEditor form(host);
    form.onTick();
    form.onKeyPress(u'x');
    form.onMouseDown(MouseButton::Left, ShiftMask::None, 10, 10);
    form.onResize(300, 150);
    EXPECT_TRUE(host.surface.calls.empty()); // not even bound yet
    form.onLoad(u"");
    EXPECT_EQ(host.surface.scaleWidth(), 300);
    EXPECT_EQ(form.box().viewHeight, 150);
    EXPECT_EQ(host.surface.callsOf(Call::Show).size(), 1u);
    EXPECT_EQ(form.box().gettext().substr(0, 4), u"drag");
    form.onLoad(u"again"); // start-up runs once
    EXPECT_TRUE(host.errors.empty());
}

// A line too wide for 32-bit coordinates cannot be drawn while it is in view; saying so
// on every key and tick would make the window unusable.
TEST(RecurringFailures, AFrameThatCannotBeDrawnIsReportedOncePerCause) {
    Window window;
    window.box().loadtext(u"");
    window.settle();
    window.host.surface.advance = [](char16_t unit) { return unit == u'W' ? 1.5e9 : 7.0; };
    window.type(u"W");
    window.form.onKeyDown(KeyCode::Tab, ShiftMask::None);
    window.type(u"W");
    window.form.onKeyDown(KeyCode::Tab, ShiftMask::None); // the first cell is now too wide
    for (int tick = 0; tick < 20; ++tick)
        window.form.onTick();
    window.type(u"abc");
    ASSERT_EQ(window.host.errors.size(), 1u);
    EXPECT_NE(window.host.errors[0].find(u"drawing"), std::u16string::npos);
    EXPECT_EQ(window.text(), u"W\tW\tabc");

    window.form.onKeyDown(KeyCode::Home, ShiftMask::Ctrl);
    window.form.onKeyDown(KeyCode::Right, ShiftMask::None);
    window.form.onKeyDown(KeyCode::Backspace, ShiftMask::None); // the cause goes
    window.settle();
    const size_t frames = window.frames();
    window.type(u"W"); // and comes back: told again
    window.settle();
    EXPECT_EQ(window.host.errors.size(), 2u);
    EXPECT_EQ(window.frames(), frames);
}

// A picture that cannot take the new size keeps its old one and frame; a drag through
// sizes too large says so once.
TEST(RecurringFailures, AResizeThatCannotBeAllocatedKeepsTheOldPicture) {
    Window window;
    window.settle();
    window.host.largestPicturePixels = 1000 * 1000;
    const size_t frames = window.frames();
    for (const int32_t side : {2000, 3000, 4000})
        window.form.onResize(side, side);
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_EQ(window.host.surface.scaleWidth(), windowDesign::startWidth);
    EXPECT_EQ(window.frames(), frames);
    window.form.onResize(500, 400);
    EXPECT_EQ(window.box().viewWidth, 500);
    window.form.onResize(5000, 5000);
    EXPECT_EQ(window.host.errors.size(), 2u);
    EXPECT_EQ(window.box().viewWidth, 500);
}

} // namespace
