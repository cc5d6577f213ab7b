#include "textbox/accessibletext.h"

#include "support/Utf16.h"
#include "textbox/indentation.h"

#include "loadedbox.h"
#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Runs of spaces make indentation cells of the form Spaces; tabs, both line ends, a lone
// "\r" and a surrogate pair are among the pieces.
std::u16string randomIndentedText(Picker& picker) {
    std::u16string text;
    const int32_t count = picker.pick(0, 8);
    for (int32_t l = 0; l < count; ++l)
        text +=
            std::u16string(static_cast<size_t>(4 * picker.pick(0, 2) + picker.pick(0, 1)), u' ') +
            randomText(picker, picker.pick(0, 6)) + (picker.pick(0, 1) ? u"\n" : u"\r\n");
    return text + randomText(picker, picker.pick(0, 4));
}

std::shared_ptr<const TextFragment> pasted(Picker& picker, const CLBox& box, const CLPos& at) {
    return std::make_shared<const TextFragment>(
        pastedText(randomIndentedText(picker), box.options, placeOf(box, at)));
}

// Random keys and replacements, as the window makes them: after each, the model's length,
// its texts and lines match the slow text, and the edit it gives turns the text before
// into the text after.
TEST(AccessibleTextModel, FollowsRandomEditsAsTheSlowTextChanges) {
    Picker picker(20240828);
    const std::vector<char32_t> keys = {
        CLBox::backspaceCode, CLBox::tabCode, CLBox::enterCode, U'a', U' ', U'\U0001F600'};
    for (int round = 0; round < 150; ++round) {
        LoadedBox loaded(randomIndentedText(picker));
        CLBox& box = loaded.box;
        AccessibleText model;
        model.bringUpToDate(box);
        for (int step = 0; step < 25; ++step) {
            std::u16string shown = accessibleTextOf(box);
            const TextChangeSink told = [&](const TextChange& change) {
                const std::optional<AccessibleEdit> edit = model.follow(box, change);
                ASSERT_TRUE(model.holdsText()) << "round " << round << " step " << step;
                if (!edit)
                    return; // written as before
                ASSERT_EQ(shown.substr(static_cast<size_t>(edit->offset), edit->removed.size()),
                          edit->removed);
                shown.replace(static_cast<size_t>(edit->offset), edit->removed.size(),
                              edit->inserted);
            };
            CLPos at = randomPosition(picker, box);
            at.xChar = characterStart(box.lines.at(at.yLine)->tabs.at(at.xTab)->text, at.xChar);
            if (picker.pick(0, 2) == 0) {
                CLPos to = randomPosition(picker, box);
                to.xChar = characterStart(box.lines.at(to.yLine)->tabs.at(to.xTab)->text, to.xChar);
                if (isBefore(to, at))
                    std::swap(at, to);
                replaceRange(box, at, to, pasted(picker, box, at), told);
            } else {
                box.insertChar(picker.oneOf(keys), at, told);
            }
            model.settle(box);
            const std::u16string expected = accessibleTextOf(box);
            ASSERT_EQ(shown, expected) << "round " << round << " step " << step;
            ASSERT_EQ(model.length(), static_cast<int32_t>(expected.size()));
            const int32_t from = picker.pick(-1, model.length() + 1);
            const int32_t to = picker.pick(from, model.length() + 2);
            const auto clip = [&](int32_t v) { return std::clamp(v, 0, model.length()); };
            ASSERT_EQ(model.text(box, {from, to}),
                      expected.substr(static_cast<size_t>(clip(from)),
                                      static_cast<size_t>(clip(to) - clip(from))));
            const int32_t l = picker.pick(0, box.lines.size() - 1);
            const TextSpan line = model.lineSpan(l);
            ASSERT_EQ(model.unitAt(box, line.start, TextUnit::Line), line);
            ASSERT_EQ(model.lineAt(line.start), l);
        }
    }
}

// Every position's offset leads back to it, and every offset to a position whose offset is
// the offset itself, the start of the surrogate pair it falls in, or the nearer end of the
// indentation written as spaces that holds it.
TEST(AccessibleTextModel, OffsetsAndPositionsMapBothWays) {
    Picker picker(7);
    for (int round = 0; round < 300; ++round) {
        LoadedBox loaded(randomIndentedText(picker));
        CLBox& box = loaded.box;
        AccessibleText model;
        model.bringUpToDate(box);
        const std::u16string text = accessibleTextOf(box);
        CLPos pos = randomPosition(picker, box);
        pos.xChar = characterStart(box.lines.at(pos.yLine)->tabs.at(pos.xTab)->text, pos.xChar);
        ASSERT_EQ(model.positionAt(box, model.offsetOf(box, pos)), pos) << "round " << round;
        const int32_t offset = picker.pick(0, model.length());
        const int32_t back = model.offsetOf(box, model.positionAt(box, offset));
        const auto low = static_cast<size_t>(std::min(offset, back)),
                   high = static_cast<size_t>(std::max(offset, back));
        const bool inPair = back == offset - 1 && insideSurrogatePair(text, offset);
        const bool inSpaces =
            high - low <= 2 && text.substr(low, high - low) == std::u16string(high - low, u' ');
        ASSERT_TRUE(back == offset || inPair || inSpaces)
            << "round " << round << " offset " << offset << " back " << back;
    }
}

// The units a reader steps by, on one line of each kind.
TEST(AccessibleTextModel, UnitsAreCharactersWordsLinesAndTheWhole) {
    LoadedBox loaded(u"    ab  cd\t\U0001F600!\nnext");
    CLBox& box = loaded.box;
    AccessibleText model;
    model.bringUpToDate(box);
    struct Row {
        int32_t offset;
        TextUnit unit;
        TextSpan span;
    } const rows[] = {
        {0, TextUnit::Word, {0, 4}},         {2, TextUnit::Word, {0, 4}},
        {4, TextUnit::Word, {4, 6}},         {6, TextUnit::Word, {6, 8}},
        {9, TextUnit::Word, {8, 10}},        {10, TextUnit::Word, {10, 11}},
        {11, TextUnit::Character, {11, 13}}, {12, TextUnit::Character, {11, 13}},
        {13, TextUnit::Word, {13, 14}},      {14, TextUnit::Word, {14, 15}},
        {14, TextUnit::Line, {0, 15}},       {19, TextUnit::Line, {15, 19}},
        {19, TextUnit::Word, {19, 19}},      {5, TextUnit::Document, {0, 19}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(model.unitAt(box, row.offset, row.unit), row.span) << "offset " << row.offset;
    EXPECT_EQ(model.text(box, {0, 19}), u"    ab  cd\t\U0001F600!\nnext");
}

// The lines not made yet are read where they lie in the loaded text, and stay unmade.
TEST(AccessibleTextModel, BuildsWithoutMakingLines) {
    std::u16string text;
    for (int k = 0; k < 1000; ++k)
        text += u"    line\tcell\r\n";
    HeadlessSurface surface;
    CLBox box;
    box.bind(surface);
    box.loadtext(text);
    AccessibleText model;
    model.bringUpToDate(box);
    EXPECT_EQ(model.length(), 1000 * 14);
    EXPECT_EQ(model.text(box, model.lineSpan(500)), u"    line\tcell\n");
    EXPECT_FALSE(box.lines.isMade(500));
}

} // namespace
