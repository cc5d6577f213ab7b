#include "textbox/HeadlessSurface.h"
#include "window/frmEditor.h"

#include "HeadlessHost.h"
#include "RandomFileBytes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Call = HeadlessSurface::Call;

namespace {

// A window started as the platform starts it: load, then the first resize.
struct Window {
    explicit Window(const std::u16string& commandLine = u"") {
        host.tail = commandLine;
        form.onLoad();
        form.onResize(360, 199);
    }
    CLBox& box() { return form.box(); }
    std::u16string text() { return box().gettext(); }
    void settle() {
        for (int tick = 0; tick < 2000 && box().moving; ++tick)
            form.onTick();
    }
    size_t frames() const { return host.surface.callsOf(Call::Show).size(); }
    void type(std::u16string_view text) {
        for (const char16_t ch : text)
            form.onKeyPress(ch);
    }
    void save(int32_t shift = frmEditor::ShiftMaskCtrl) { form.onKeyDown(frmEditor::KeyS, shift); }

    HeadlessHost host;
    frmEditor form{host};
};

std::u16string cellText(CLBox& box, int32_t line, int32_t cell) {
    return box.lines.at(line)->tabs.at(cell)->text;
}

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
    window.save(frmEditor::ShiftMaskCtrl | frmEditor::ShiftMaskShift);
    EXPECT_EQ(folder.contents("f.txt"), "yx");
    window.form.onKeyDown(frmEditor::KeyS, frmEditor::ShiftMaskShift); // no Ctrl: no save
    window.type(u"z");
    window.form.onKeyDown(frmEditor::KeyS, frmEditor::ShiftMaskShift);
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

TEST(Keys, KeyPressOfControlCodesInsertsNothing) {
    Window window(u"");
    window.box().loadtext(u"ab");
    window.settle();
    for (const char32_t code : {U'\b', U'\r', U'\t', U'\x1F', char32_t{0xD800}, char32_t{0x110000}})
        window.form.onKeyPress(code);
    EXPECT_EQ(window.text(), u"ab");
    window.form.onKeyPress(U'\U0001F600');
    EXPECT_EQ(window.text(), u"\U0001F600ab");
}

TEST(Keys, CtrlIsBitTwoOnly) {
    Window window;
    window.box().loadtext(u"one\n  two\nthree");
    window.settle();
    struct Row {
        int32_t key, shift;
        CLPos expected;
    };
    const std::vector<Row> rows = {
        {frmEditor::KeyEnd, frmEditor::ShiftMaskCtrl | frmEditor::ShiftMaskAlt, {2, 0, 5}},
        {frmEditor::KeyHome, frmEditor::ShiftMaskShift, {2, 0, 0}},
        {frmEditor::KeyUp, frmEditor::ShiftMaskShift, {1, 0, 0}},
        {frmEditor::KeyEnd, 0, {1, 0, 5}},
        {frmEditor::KeyHome, 0, {1, 0, 0}},
        {frmEditor::KeyRight, frmEditor::ShiftMaskShift, {1, 0, 1}},
        {frmEditor::KeyHome, frmEditor::ShiftMaskCtrl, {0, 0, 0}},
        {frmEditor::KeyS, frmEditor::ShiftMaskAlt, {0, 0, 0}},
    };
    for (const Row& row : rows) {
        window.form.onKeyDown(row.key, row.shift);
        window.settle();
        const CLPos& at = window.box().cursor;
        EXPECT_EQ((CLPos{at.yLine, at.xTab, at.xChar, -1}), row.expected)
            << "key " << row.key << " shift " << row.shift;
    }
    EXPECT_TRUE(window.host.errors.empty());
}

TEST(Mouse, RightDownAndLeftUpDoNothing) {
    Window window;
    window.settle();
    window.host.surface.calls.clear();
    const CLPos before = window.box().cursor;
    window.form.onMouseDown(frmEditor::ButtonRight, 0, 50, 50);
    window.form.onMouseUp(frmEditor::ButtonLeft, 0, 50, 50);
    EXPECT_TRUE(window.host.surface.calls.empty());
    EXPECT_TRUE(window.host.prompts.empty());
    EXPECT_EQ(window.box().cursor, before);
}

TEST(Mouse, LeftClickMapsThroughTheShownOffsetsWithoutFollowing) {
    Window window;
    window.settle();
    CLBox& box = window.box();
    box.scrmovY = 40.4; // shown 40 px down while the target stays at the top
    const size_t frames = window.frames();
    window.form.onMouseDown(frmEditor::ButtonLeft, 0, 10.5, 10.5);
    EXPECT_EQ(box.cursor, box.XYToPos(10, 50, false));
    EXPECT_EQ(box.scrY, 0);
    EXPECT_FALSE(box.moving);
    EXPECT_EQ(window.frames(), frames + 1);
}

TEST(FontPrompts, CancelKeepsFontAndSizeAndStillRedraws) {
    Window window;
    window.settle();
    HeadlessSurface& surface = window.host.surface;
    surface.setFontSize(14.2);
    window.form.onResize(360, 199); // the box's cache now holds the size in single precision
    surface.setFontBold(true);
    const size_t frames = window.frames();
    window.form.onMouseUp(frmEditor::ButtonRight, 0, 0, 0);
    ASSERT_EQ(window.host.prompts.size(), 2u);
    EXPECT_EQ(window.host.prompts[0].prompt, u"font name:");
    EXPECT_EQ(window.host.prompts[0].title, u"Colnat");
    EXPECT_EQ(window.host.prompts[0].defaultAnswer, u"Verdana");
    EXPECT_EQ(window.host.prompts[1].prompt, u"font size:");
    EXPECT_EQ(window.host.prompts[1].defaultAnswer, u"14.2"); // the size in force, not 0
    EXPECT_EQ(surface.fontName(), u"Verdana");
    EXPECT_FLOAT_EQ(static_cast<float>(surface.fontSize()), 14.2f);
    EXPECT_FALSE(surface.fontBold());
    EXPECT_EQ(window.frames(), frames + 1);
}

TEST(FontPrompts, SizeIsReadFromItsLeadingNumber) {
    struct Row {
        std::u16string answer;
        double size;
    };
    for (const Row& row : {Row{u"12abc", 12}, Row{u" 7.5pt", 7.5}, Row{u"14.2.1", 14.2},
                           Row{u"abc", 9}, Row{u"-3", 9}, Row{u".", 9}}) {
        Window window;
        window.host.answers = {u"Courier", row.answer};
        window.form.onMouseUp(frmEditor::ButtonRight, 0, 0, 0);
        EXPECT_EQ(window.host.surface.fontName(), u"Courier");
        EXPECT_FLOAT_EQ(static_cast<float>(window.host.surface.fontSize()),
                        static_cast<float>(row.size))
            << testing::PrintToString(row.answer);
        EXPECT_EQ(window.box().lineHeight, std::lround(16 * row.size / 9));
    }
}

// The text would be taller than 32-bit coordinates hold: the old size stays, and says so.
TEST(FontPrompts, ASizeTooLargeForTheTextIsTakenBack) {
    Window window;
    window.settle();
    const int32_t height = window.box().lines.weiacc(window.box().lines.size());
    window.host.answers = {u"Courier", u"99999999999"};
    window.form.onMouseUp(frmEditor::ButtonRight, 0, 0, 0);
    EXPECT_EQ(window.host.surface.fontSize(), 9);
    EXPECT_EQ(window.host.surface.fontName(), u"Verdana");
    EXPECT_EQ(window.box().lines.weiacc(window.box().lines.size()), height);
    EXPECT_EQ(window.host.errors.size(), 1u);
    window.type(u"x"); // and the window goes on
    EXPECT_EQ(window.host.errors.size(), 1u);
}

TEST(FontPrompts, EachStepGoesOnWhenOneFails) {
    Window window;
    window.settle();
    const size_t frames = window.frames();
    window.host.surface.failAfter = 0; // the surface rejects the new size
    window.host.answers = {u"Courier", u"18"};
    window.form.onMouseUp(frmEditor::ButtonRight, 0, 0, 0);
    EXPECT_EQ(window.host.surface.fontSize(), 9);
    EXPECT_EQ(window.host.surface.fontName(), u"Courier");
    EXPECT_EQ(window.frames(), frames + 1);
    EXPECT_TRUE(window.host.errors.empty());
}

// Drives ticks until the glide stops; the offsets at which each tick drew.
std::vector<double> glideOffsets(Window& window) {
    std::vector<double> drawn;
    for (int tick = 0; tick < 1000 && window.box().moving; ++tick) {
        window.host.surface.calls.clear();
        window.form.onTick();
        if (window.frames() != 0)
            drawn.push_back(window.box().scrmovY);
    }
    return drawn;
}

std::u16string manyLines(int count) {
    std::u16string text;
    for (int k = 0; k < count; ++k)
        text += u"x\n";
    return text;
}

TEST(Glide, ApproachesByThreeTenthsAndStopsOnArrival) {
    Window window;
    window.box().loadtext(manyLines(100));
    window.settle();
    window.box().scrY = 100;
    window.box().moving = true;
    const std::vector<double> drawn = glideOffsets(window);
    ASSERT_GE(drawn.size(), 4u);
    EXPECT_DOUBLE_EQ(drawn[0], 30);
    EXPECT_DOUBLE_EQ(drawn[1], 51);
    EXPECT_DOUBLE_EQ(drawn[2], 65.7);
    for (size_t k = 1; k + 1 < drawn.size(); ++k)
        EXPECT_NE(std::nearbyint(drawn[k]), std::nearbyint(drawn[k - 1])) << "tick " << k;
    // the last draw repeats the rounded offset, at the target
    EXPECT_EQ(std::nearbyint(drawn.back()), 100);
    EXPECT_EQ(std::nearbyint(drawn[drawn.size() - 2]), 100);
    EXPECT_FALSE(window.box().moving);
    // the last frame is drawn at the offset itself, not snapped to the target
    const auto prints = window.host.surface.callsOf(Call::Print);
    ASSERT_FALSE(prints.empty());
    EXPECT_NEAR(std::fmod(prints.front().y0 + drawn.back() + 1600, 16), 0, 1e-9);
}

TEST(Glide, TypingDuringTheGlideWaitsForTheNextTick) {
    Window window;
    window.box().loadtext(manyLines(100));
    window.settle();
    window.box().scrY = 100;
    window.box().moving = true;
    window.form.onTick();
    const size_t frames = window.frames();
    window.type(u"a");
    EXPECT_EQ(window.frames(), frames);
    window.form.onTick();
    EXPECT_EQ(window.frames(), frames + 1);
}

TEST(Glide, ATickThatCannotDrawStopsAndReportsOnce) {
    Window window;
    window.host.surface.failAfter = 0;
    for (int tick = 0; tick < 10; ++tick)
        window.form.onTick();
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_FALSE(window.box().moving);
}

TEST(Glide, ADocumentTallerThanFloatPrecisionSettlesAtItsEnd) {
    const TempFolder folder;
    std::string lines;
    for (int k = 1; k < 3000000; ++k)
        lines += "x\n";
    lines += "x"; // typing on the last line then changes no height
    Window window(folder.put("tall.txt", lines));
    window.settle();
    window.form.onKeyDown(frmEditor::KeyEnd, frmEditor::ShiftMaskCtrl);
    CLBox& box = window.box();
    EXPECT_GT(box.lines.weiacc(box.lines.size()), 1 << 25);
    EXPECT_TRUE(box.moving);
    window.settle();
    ASSERT_FALSE(box.moving);
    EXPECT_EQ(box.scrY, box.lines.weiacc(box.lines.size()) - box.viewHeight);
    EXPECT_NEAR(box.scrmovY, box.scrY, 0.5);
    const size_t frames = window.frames();
    window.type(u"a");
    EXPECT_EQ(window.frames(), frames + 1); // drawn at once
    EXPECT_EQ(window.host.surface.callsOf(Call::Print).back().text, u"xa");
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

} // namespace
