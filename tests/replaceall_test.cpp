#include "textbox/replaceall.h"

#include "support/EngineError.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/history.h"
#include "textbox/loadedlines.h"

#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

// Words that match in several cases and as parts of words, and what splits lines and cells.
const std::vector<std::u16string> pieces = {u"int", u"Int",    u"INT",    u"x",  u"_",
                                            u" ",   u"    ",   u"\t",     u"\n", u"\r\n",
                                            u"\r",  u"\u00e9", u"\u00c9", u"(",  u"\U0001F600"};
const std::vector<std::u16string> needles = {u"int", u"INT", u"x", u" ", u"\u00e9", u"in", u"t\t"};
const std::vector<std::u16string> replacements = {
    u"",      u"long",         u"int",  u"\t", u"a\tb",
    u"\n",    u"two\r\nlines", u"    ", u"\r", u"    four\n    spaced",
    u"x\n\n", u"\U0001F600"};

std::u16string randomPieceText(Picker& picker, int32_t count) {
    std::u16string text;
    for (int32_t k = 0; k < count; ++k)
        text += picker.oneOf(pieces);
    return text;
}

// A box on a loaded text of which some lines were read, and so made, and others not.
struct PartlyMadeBox {
    HeadlessSurface surface;
    CLBox box;
    PartlyMadeBox(const std::u16string& text, Picker& picker) {
        box.bind(surface);
        box.loadtext(text);
        for (int32_t l = 0; l < box.lines.size(); ++l)
            if (picker.pick(0, 2) == 0)
                box.lines.at(l);
    }
};

// Every line's weight is its height, and a made line's cells are measured in the font now.
testing::AssertionResult laidOut(CLBox& box) {
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        if (!box.lines.isMade(l)) {
            const int32_t height = LoadedLines::isEmpty(box.lines.pendingCode(l))
                                       ? box.emptyLineHeight()
                                       : box.lineHeight;
            if (box.lines.wei(l) != height)
                return testing::AssertionFailure() << "line " << l << " not made weighs wrong";
            continue;
        }
        CLLine& line = *box.lines.at(l);
        if (box.lines.wei(l) != line.height)
            return testing::AssertionFailure() << "line " << l << " weighs " << box.lines.wei(l);
        for (int32_t t = 0; t < line.tabs.size(); ++t) {
            CLTab& cell = *line.tabs.at(t);
            const int32_t measured = cell.innerWidth;
            box.tabInnerWidth(cell);
            if (cell.innerWidth != measured)
                return testing::AssertionFailure() << "line " << l << " cell " << t << " measured "
                                                   << measured << " not " << cell.innerWidth;
        }
    }
    return testing::AssertionSuccess();
}

std::vector<bool> madeLines(const CLBox& box) {
    std::vector<bool> made;
    for (int32_t l = 0; l < box.lines.size(); ++l)
        made.push_back(box.lines.isMade(l));
    return made;
}

// Replace all in slices of random size, against the plain-string model, with random needles,
// options and replacements that hold tabs and line breaks; then undone, made again and undone
// through the history, a font change in between now and then: the text, the saved text, the
// cursor and the layout are the model's each time, and the lines without a match are left as
// they were, made or not.
TEST(ReplaceAllModel, RandomReplacementsMatchAPlainStringAndUndoRedoExactly) {
    Picker picker(20261211);
    for (int round = 0; round < 600; ++round) {
        PartlyMadeBox made(randomPieceText(picker, picker.pick(0, 30)), picker);
        CLBox& box = made.box;
        const std::u16string before = modelOf(box), savedBefore = box.gettext();
        const std::vector<bool> madeBefore = madeLines(box);
        const ReplaceAllOrder order{picker.oneOf(needles),
                                    {picker.pick(0, 1) == 0, picker.pick(0, 2) == 0},
                                    picker.oneOf(replacements)};
        const ModelReplaceAll expected =
            replacedAll(before, order.needle, order.options, order.replacement);
        const std::string where = "round " + std::to_string(round);

        EditHistory history;
        history.begin(box, EditHistory::Action::Other);
        ReplaceAll replacing(box, order);
        double progress = 0;
        while (!replacing.advance(box, picker.pick(1, 40))) {
            ASSERT_GE(replacing.progress(), progress) << where;
            progress = replacing.progress();
        }
        replacing.apply(box, [&](const TextChange& change) { history.record(change); });
        history.end(box);
        ASSERT_EQ(modelOf(box), expected.text) << where;
        ASSERT_EQ(replacing.matches(), static_cast<int64_t>(expected.count)) << where;
        EXPECT_EQ(box.gettext(), savedOf(expected.text)) << where;
        if (expected.count > 0) {
            EXPECT_EQ(offsetOf(box, box.cursor), expected.cursor) << where;
        }
        EXPECT_TRUE(laidOut(box)) << where;
        if (order.replacement.find(u'\n') == std::u16string::npos) {
            std::vector<bool> replaced(madeBefore.size());
            for (const size_t at : expected.starts)
                replaced[static_cast<size_t>(std::count_if(
                    before.begin(), before.begin() + static_cast<ptrdiff_t>(at), isBreakUnit))] =
                    true;
            for (int32_t l = 0; l < box.lines.size(); ++l) {
                const auto k = static_cast<size_t>(l);
                if (!madeBefore[k] && !replaced[k] && box.lines.isMade(l))
                    ADD_FAILURE() << where << ": line " << l << " was made";
            }
        }

        for (int pass = 0; pass < 2; ++pass) {
            if (picker.pick(0, 2) == 0) { // a font change while the lines are out of the text
                made.surface.lineHeight += 2;
                made.surface.charWidth += 1;
                box.updateCache();
                box.updateHeight(0, box.lines.size());
                box.updateInnerWidth(0, box.lines.size());
            }
            const bool undone = history.undo(box, [](const TextChange&) {});
            EXPECT_EQ(undone, expected.count > 0) << where;
            EXPECT_EQ(modelOf(box), before) << where;
            EXPECT_EQ(box.gettext(), savedBefore) << where;
            EXPECT_TRUE(laidOut(box)) << where;
            if (pass == 0) {
                history.redo(box, [](const TextChange&) {});
                EXPECT_EQ(modelOf(box), expected.text) << where;
                EXPECT_TRUE(laidOut(box)) << where;
            }
        }
    }
}

// Dropped before it is made, a Replace all leaves the text as it was; made on a text that
// changed meanwhile, it is refused.
TEST(ReplaceAll, GivenUpOrOutdatedItChangesNothing) {
    HeadlessSurface surface;
    CLBox box;
    box.bind(surface);
    box.loadtext(u"int a;\nint b;\nint c;\n");
    const uint64_t revision = box.revision;
    {
        ReplaceAll replacing(box, {u"int", {}, u"long"});
        replacing.advance(box, 10);
    }
    EXPECT_EQ(box.revision, revision);
    EXPECT_EQ(box.gettext(), u"int a;\nint b;\nint c;\n");

    ReplaceAll outdated(box, {u"int", {}, u"long"});
    box.insertChar(U'x', box.cursor);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                outdated.advance(box, 1000);
            else
                outdated.apply(box, {});
            ADD_FAILURE() << "a Replace all went on in a changed text";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.number, ErrorNumber::BadArgument);
        }
    }
    EXPECT_EQ(box.gettext(), u"xint a;\nint b;\nint c;\n");
}

} // namespace
