#include "textbox/textrange.h"

#include "support/EngineError.h"
#include "support/Rounding.h"

#include "loadedbox.h"
#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr char32_t Backspace = 8, Tab = 9, Enter = 13;

// A text as the document holds it, lone halves of pairs, lone "\r" and tabs of either form
// included.
TextFragment randomFragment(Picker& picker, int32_t pieces) {
    static const std::vector<std::u16string> alphabet = {
        u"a",      u"bc",         u" ",      u"    ",   u"\t", u"\r", u"}",
        u"\u00e9", u"\U0001F600", u"\xD83D", u"\xDE00", u"\n", u"\n"};
    TextFragment fragment;
    for (int32_t k = 0; k < pieces; ++k) {
        const std::u16string& piece = picker.oneOf(alphabet);
        if (piece == u"\t" && picker.pick(0, 1) == 0)
            fragment.spacedTabs.push_back(fragment.text.size());
        fragment.text += piece;
        if (piece == u"\n")
            fragment.lineEnds.emplace_back(picker.pick(0, 1) == 0 ? u"\n" : u"\r\n");
    }
    return fragment;
}

std::u16string randomDocument(Picker& picker) {
    return randomText(picker, picker.pick(0, 30)) + (picker.pick(0, 3) == 0 ? u"\xDE00" : u"");
}

// Layout caches as the edit must leave them, and only the last line without an end.
testing::AssertionResult laidOut(LoadedBox& loaded) {
    CLBox& box = loaded.box;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        if (line.lineEnd.empty() != (l == box.lines.size() - 1))
            return testing::AssertionFailure() << "line " << l << " ends wrongly";
        bool empty = true;
        for (int32_t t = 0; t < line.tabs.size(); ++t) {
            const CLTab& cell = *line.tabs.at(t);
            empty = empty && CLBox::isEmptyText(cell.text);
            if (cell.innerWidth != roundToPixel(loaded.surface.textWidth(cell.text)))
                return testing::AssertionFailure() << "inner width of " << l << "," << t;
        }
        if (line.isEmptyLine != empty || box.lines.wei(l) != line.height ||
            line.height != (empty ? box.lineHeight / 2 : box.lineHeight))
            return testing::AssertionFailure() << "height of line " << l;
    }
    return testing::AssertionSuccess();
}

const TextChangeSink ignore = [](const TextChange&) {};

// Random ranges of random texts replaced by random texts: the document is the plain string
// with the range replaced, the change told is what went and what came, and replacing back
// what it tells restores the text exactly.
TEST(TextRangeModel, RandomReplacementsMatchAPlainString) {
    Picker picker(20240701);
    for (int round = 0; round < 200; ++round) {
        LoadedBox loaded(randomDocument(picker));
        CLBox& box = loaded.box;
        for (int step = 0; step < 20; ++step) {
            CLPos from = randomPosition(picker, box), to = randomPosition(picker, box);
            if (isBefore(to, from))
                std::swap(from, to);
            const std::u16string before = modelOf(box);
            const size_t start = offsetOf(box, from), end = offsetOf(box, to);
            auto fragment =
                std::make_shared<const TextFragment>(randomFragment(picker, picker.pick(0, 8)));
            ASSERT_EQ(modelOf(textBetween(box, from, to)), before.substr(start, end - start));
            std::vector<TextChange> told;
            replaceRange(box, from, to, fragment, [&](const TextChange& c) { told.push_back(c); });
            const std::string where =
                "round " + std::to_string(round) + " step " + std::to_string(step);
            const std::u16string expected =
                before.substr(0, start) + modelOf(*fragment) + before.substr(end);
            ASSERT_EQ(modelOf(box), expected) << where;
            ASSERT_TRUE(laidOut(loaded)) << where;
            ASSERT_EQ(offsetOf(box, endOf(from, *fragment)), start + modelOf(*fragment).size());
            if (samePlace(from, to) && fragment->text.empty()) {
                ASSERT_TRUE(told.empty()) << where;
                continue;
            }
            ASSERT_EQ(told.size(), 1u) << where;
            ASSERT_TRUE(samePlace(told[0].at, from)) << where;
            ASSERT_EQ(modelOf(*told[0].removed), before.substr(start, end - start)) << where;
            if (picker.pick(0, 1) == 0) {
                replaceRange(box, from, endOf(from, *fragment), told[0].removed, ignore);
                ASSERT_EQ(modelOf(box), before) << where;
            }
        }
    }
}

// A long text's cells borrow from it, as a loaded text's do: with every other holder of it
// gone they still read it, and an edit of one copies that one out.
TEST(TextRangeModel, ALongTextsCellsKeepItAlive) {
    Picker picker(20240705);
    LoadedBox loaded(u"head\ntail");
    std::u16string model;
    while (model.size() < 100000)
        model += modelOf(randomFragment(picker, 8));
    auto fragment = std::make_shared<const TextFragment>(fragmentOf(model));
    replaceRange(loaded.box, CLPos{0, 0, 2}, CLPos{1, 0, 1}, fragment, ignore);
    fragment.reset(); // nothing but the cells holds it now
    EXPECT_EQ(modelOf(loaded.box), u"he" + model + u"ail");
    CLPos inside{loaded.box.lines.size() / 2, 0, 0};
    loaded.box.insertChar(u'!', inside, ignore);
    loaded.box.loadtext(u"");
    EXPECT_EQ(modelOf(loaded.box), u"");
}

// A range over loaded lines not made yet reads as it reads once they are made, and makes
// none but the lines its ends stand on: copying a large text costs no records.
TEST(TextRangeModel, LinesNotMadeYetReadAsMadeOnesWithoutBeingMade) {
    Picker picker(20240709);
    for (int round = 0; round < 300; ++round) {
        std::u16string text = randomDocument(picker);
        for (int32_t k = picker.pick(0, 4); k > 0; --k)
            text += picker.oneOf(std::vector<std::u16string>{u"\r\n", u"\n", u"\r", u"        "});
        text += randomDocument(picker);
        LoadedBox made(text);
        HeadlessSurface surface;
        CLBox unmade;
        unmade.bind(surface);
        unmade.loadtext(text);
        CLPos from = randomPosition(picker, made.box), to = randomPosition(picker, made.box);
        if (isBefore(to, from))
            std::swap(from, to);
        ASSERT_EQ(textBetween(unmade, from, to), textBetween(made.box, from, to))
            << "round " << round;
        for (int32_t l = 0; l + 1 < unmade.lines.size(); ++l)
            ASSERT_EQ(unmade.lines.isMade(l), l == from.yLine || l == to.yLine)
                << "round " << round << " line " << l;
    }
}
// A refused replacement changes nothing, not even the revision.
TEST(TextRanges, WhatDoesNotFitIsRefusedBeforeAnyChange) {
    struct Row {
        const char* what;
        CLPos from, to;
        TextFragment fragment;
        ErrorNumber number;
    };
    const std::vector<Row> rows = {
        {"a line past the end", {0, 0, 0}, {2, 0, 0}, {}, ErrorNumber::OutOfRange},
        {"a cell past the end", {0, 2, 0}, {0, 2, 0}, {}, ErrorNumber::OutOfRange},
        {"a character past the end", {0, 0, 3}, {0, 0, 3}, {}, ErrorNumber::OutOfRange},
        {"a range backwards", {1, 0, 1}, {0, 1, 0}, {}, ErrorNumber::OutOfRange},
        {"a line end missing", {0, 0, 0}, {0, 0, 0}, {u"x\ny", {}}, ErrorNumber::BadArgument},
        {"an empty line end",
         {0, 0, 0},
         {0, 0, 0},
         {u"x\ny", {LineEnd()}},
         ErrorNumber::BadArgument},
        {"a line end too many",
         {0, 0, 0},
         {0, 0, 0},
         {u"x", {LineEnd(u"\n")}},
         ErrorNumber::BadArgument},
        {"a spaced tab that is none",
         {0, 0, 0},
         {0, 0, 0},
         {u"x\ty", {}, {0}},
         ErrorNumber::BadArgument},
        {"spaced tabs out of order",
         {0, 0, 0},
         {0, 0, 0},
         {u"\t\t", {}, {1, 0}},
         ErrorNumber::BadArgument},
    };
    for (const Row& row : rows) {
        LoadedBox loaded(u"ab\tc\nd");
        const uint64_t revision = loaded.box.revision;
        try {
            replaceRange(loaded.box, row.from, row.to,
                         std::make_shared<const TextFragment>(row.fragment), ignore);
            ADD_FAILURE() << row.what;
        } catch (const EngineError& error) {
            EXPECT_EQ(error.number, row.number) << row.what;
        }
        EXPECT_EQ(loaded.box.gettext(), u"ab\tc\nd") << row.what;
        EXPECT_EQ(loaded.box.revision, revision) << row.what;
    }
}

// Lines too tall for 32-bit coordinates: a replacement that adds lines is refused whole.
TEST(TextRanges, ATextTooTallToShowIsRefused) {
    LoadedBox loaded(u"a\nb");
    loaded.surface.lineHeight = 1e9;
    loaded.box.updateCache();
    loaded.box.updateHeight(0, 2);
    auto threeLines = std::make_shared<const TextFragment>(TextFragment{u"x\ny", {LineEnd(u"\n")}});
    EXPECT_THROW(replaceRange(loaded.box, CLPos{1, 0, 1}, CLPos{1, 0, 1}, threeLines, ignore),
                 EngineError);
    EXPECT_EQ(loaded.box.gettext(), u"a\nb");
    replaceRange(loaded.box, CLPos{0, 0, 0}, CLPos{1, 0, 1}, threeLines, ignore); // two for two
    EXPECT_EQ(loaded.box.gettext(), u"x\ny");
}

// Pasted tabs stay tabs; spaces that loading would read as indentation become cells of the
// form Spaces (u2029 in the model).
TEST(PastedText, SplitsAsLoadingDoes) {
    struct Row {
        std::u16string pasted;
        std::u16string model; // what the document then holds, line ends as one unit
        TextPlace place = TextPlace::InLine;
    };
    const std::vector<Row> rows = {
        {u"", u""},
        {u"a\r\nb\nc", u"a\u2028b\nc"},
        {u"a\rb\r", u"a\rb\r"},     // a lone "\r" is text
        {u"x\r\r\n", u"x\r\u2028"}, // the last "\r" before "\n" ends it
        {u"    a\n    b\n      c", u"    a\n\u2029b\n\u2029  c"},   // the first goes on a line
        {u"    a\n\tb", u"\u2029a\n\tb", TextPlace::InIndentation}, // or opens one
        {u"\n        \n   x\t", u"\n\u2029\u2029\n   x\t"},
        {u"\n    \r\nz", u"\n\u2029\u2028z"},
        {u"\t    a", u"\t    a", TextPlace::InIndentation},
    };
    for (const Row& row : rows) {
        const TextFragment pasted = pastedText(row.pasted, CLOptions{}, row.place);
        EXPECT_EQ(modelOf(pasted), row.model) << testing::PrintToString(row.pasted);
        EXPECT_EQ(savedText(pasted, CLOptions{}, row.place), row.pasted);
    }
}

// After each key's edit, what it tells, replaced back, gives the text before it; made on
// the text before, it gives the text after: the key's change told exactly.
TEST(KeyEdits, AreToldAsTheChangesTheyMake) {
    Picker picker(20240702);
    const std::vector<char32_t> codes = {Backspace, Backspace, Tab, Enter, u'x', 0x1F600, 0};
    for (int round = 0; round < 150; ++round) {
        const std::u16string document = randomDocument(picker);
        LoadedBox loaded(document);
        CLBox& box = loaded.box;
        for (int step = 0; step < 30; ++step) {
            const std::u16string before = modelOf(box);
            CLPos pos = randomPosition(picker, box);
            const char32_t code = picker.oneOf(codes);
            std::vector<TextChange> told;
            const auto tell = [&](const TextChange& change) { told.push_back(change); };
            if (code == 0)
                deleteForward(box, pos, tell);
            else
                box.insertChar(code, pos, tell);
            const std::u16string after = modelOf(box);
            const std::string where = "round " + std::to_string(round) + " step " +
                                      std::to_string(step) + " code " + std::to_string(code);
            ASSERT_TRUE(laidOut(loaded)) << where;
            ASSERT_EQ(told.empty(), before == after) << where;
            if (told.empty())
                continue;
            const TextChange& change = told[0];
            const size_t at = offsetOf(box, change.at);
            ASSERT_EQ(before.substr(0, at) + modelOf(*change.inserted) +
                          before.substr(at + modelOf(*change.removed).size()),
                      after)
                << where;
            replaceRange(box, change.at, endOf(change.at, *change.inserted), change.removed,
                         ignore);
            ASSERT_EQ(modelOf(box), before) << where;
            replaceRange(box, change.at, endOf(change.at, *change.removed), change.inserted,
                         ignore);
            ASSERT_EQ(modelOf(box), after) << where;
        }
    }
}

// Makes the key's edit at pos, the surface refusing to measure when told to; true when the
// edit failed.
bool editFails(LoadedBox& loaded, char32_t code, CLPos& pos, bool measuringFails,
               const TextChangeSink& told) {
    const std::function<double(char16_t)> measure = loaded.surface.advance;
    if (measuringFails)
        loaded.surface.advance = [](char16_t) -> double { throw std::runtime_error("no measure"); };
    bool failed = false;
    try {
        loaded.box.insertChar(code, pos, told);
    } catch (const std::runtime_error&) {
        failed = true;
    }
    loaded.surface.advance = measure;
    return failed;
}

// A key's edit told to a sink is the edit made without one, to the letter: the text, the
// position, the beeps, the view and the revision, even where measuring fails part-way; and
// the change told, made on the text before, gives the text after, failure or not.
TEST(KeyEdits, ToldOrNotAreTheSameEdit) {
    Picker picker(20250112);
    const std::vector<char32_t> codes = {Backspace, Backspace, Tab, Enter, u'x', 0x1F600, 7};
    for (int round = 0; round < 100; ++round) {
        const std::u16string document = randomDocument(picker);
        LoadedBox told(document), untold(document);
        for (int step = 0; step < 30; ++step) {
            const std::u16string before = modelOf(told.box);
            CLPos toldPos = randomPosition(picker, told.box);
            toldPos.xPosMem = 9;
            CLPos untoldPos = toldPos;
            const char32_t code = picker.oneOf(codes);
            const bool measuringFails = picker.pick(0, 3) == 0;
            std::vector<TextChange> changes;
            const bool toldFailed =
                editFails(told, code, toldPos, measuringFails,
                          [&](const TextChange& change) { changes.push_back(change); });
            const bool untoldFailed = editFails(untold, code, untoldPos, measuringFails, {});
            const std::u16string after = modelOf(told.box);
            const std::string where = "round " + std::to_string(round) + " step " +
                                      std::to_string(step) + " code " + std::to_string(code);
            ASSERT_EQ(toldFailed, untoldFailed) << where;
            ASSERT_EQ(after, modelOf(untold.box)) << where;
            ASSERT_EQ(toldPos, untoldPos) << where;
            ASSERT_EQ(told.surface.beeps, untold.surface.beeps) << where;
            ASSERT_EQ(
                std::tie(told.box.scrX, told.box.scrY, told.box.moving, told.box.revision),
                std::tie(untold.box.scrX, untold.box.scrY, untold.box.moving, untold.box.revision))
                << where;
            ASSERT_EQ(changes.size(), before == after ? 0u : 1u) << where;
            if (changes.empty())
                continue;
            const TextChange& change = changes[0];
            const size_t at = offsetOf(told.box, change.at);
            ASSERT_EQ(before.substr(0, at) + modelOf(*change.inserted) +
                          before.substr(at + modelOf(*change.removed).size()),
                      after)
                << where;
        }
    }
}

// Delete is Backspace from one character on; the position stays, and at the end it beeps.
TEST(KeyEdits, DeleteRemovesWhatBackspaceRemovesFromTheNextPosition) {
    struct Row {
        std::u16string text;
        CLPos at;
        std::u16string expected;
        CLPos after;
        int beeps = 0;
    };
    const std::vector<Row> rows = {
        {u"abc", {0, 0, 1}, u"ac", {0, 0, 1}},
        {u"a\U0001F600b", {0, 0, 1}, u"ab", {0, 0, 1}},
        {u"ab\tcd", {0, 0, 2}, u"abcd", {0, 0, 2}},
        {u"ab\r\ncd\nef", {0, 0, 2}, u"abcd\r\nef", {0, 0, 2}},
        {u"ab\ncd", {0, 0, 2}, u"abcd", {0, 0, 2}},
        {u"ab\n\tcd", {0, 0, 2}, u"ab\tcd", {0, 0, 2}},
        {u"\xD83Dx\xDE00", {0, 0, 1}, u"\xD83D\xDE00", {0, 0, 0}}, // halves joined
        {u"ab", {0, 0, 2}, u"ab", {0, 0, 2}, 1},
    };
    for (const Row& row : rows) {
        LoadedBox loaded(row.text);
        CLPos pos = row.at;
        pos.xPosMem = 12;
        deleteForward(loaded.box, pos, ignore);
        EXPECT_EQ(loaded.box.gettext(), row.expected) << testing::PrintToString(row.text);
        EXPECT_EQ(pos, (CLPos{row.after.yLine, row.after.xTab, row.after.xChar, -1}))
            << testing::PrintToString(row.text);
        EXPECT_EQ(loaded.surface.beeps, row.beeps);
    }
}

} // namespace
