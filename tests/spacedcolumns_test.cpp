#include "textbox/spacedcolumns.h"

#include "textbox/alignedcopy.h"

#include "randomtext.h"
#include "tests/support/HeadlessSurface.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::u16string randomLines(Picker& picker, const std::vector<std::u16string>& pieces,
                           int32_t maxPieces) {
    std::u16string model;
    for (int32_t l = picker.pick(1, 6); l > 0; --l) {
        for (int32_t k = picker.pick(0, maxPieces); k > 0; --k)
            model += picker.oneOf(pieces);
        if (l > 1)
            model += picker.pick(0, 1) == 0 ? u'\n' : crlfUnit;
    }
    return model;
}

// Lines of words, runs of spaces of every length where they lead, part and end the line,
// and tabs of both forms before, between and after them, in both places.
TEST(SpacesToColumns, RandomLinesMatchThePlainModel) {
    Picker picker(20250601);
    const std::vector<std::u16string> pieces = {
        u"a",  u"bc",  u"\u00e9", u"\U0001F600", u" ",  u" ",
        u"  ", u"   ", u"    ",   u"     ",      u"\t", std::u16string(1, spacedTabUnit),
        u"\r", u"{"};
    for (int round = 0; round < 3000; ++round) {
        const std::u16string model = randomLines(picker, pieces, 12);
        const bool inIndentation = picker.pick(0, 1) == 0;
        const TextFragment converted =
            spacesToColumns(fragmentOf(model), CLOptions{},
                            inIndentation ? TextPlace::InIndentation : TextPlace::InLine);
        ASSERT_TRUE(isWellFormed(converted)) << testing::PrintToString(model);
        ASSERT_EQ(modelOf(converted), spacesToColumnsReference(model, inIndentation))
            << testing::PrintToString(model) << (inIndentation ? " in indentation" : " in line");
    }
}

// Tables whose cells are not empty, hold no two spaces in a row, and neither start nor end
// with one: made spaces, then cells again, they come back as they were.
TEST(ColumnConversions, SpacesMadeColumnsAgainGiveTheTableBack) {
    Picker picker(20250602);
    const std::vector<std::u16string> words = {u"a",      u"bb",         u"a b", u"x y z",
                                               u"\u00e9", u"\U0001F600", u"1.5", u"longer cell"};
    for (int round = 0; round < 1000; ++round) {
        std::u16string model;
        for (int32_t l = picker.pick(1, 10); l > 0; --l) {
            for (int32_t cell = picker.pick(0, 5); cell > 0; --cell)
                model += picker.oneOf(words) + u"\t";
            model += picker.oneOf(words);
            if (l > 1)
                model += picker.pick(0, 1) == 0 ? u'\n' : crlfUnit;
        }
        const TextFragment spaced =
            alignedFragment(std::make_shared<const TextFragment>(fragmentOf(model)));
        ASSERT_EQ(modelOf(spaced), alignedModel(model)) << testing::PrintToString(model);
        EXPECT_EQ(modelOf(spacesToColumns(spaced, CLOptions{}, TextPlace::InIndentation)), model)
            << testing::PrintToString(model);
    }
}

// A whole text loaded as a file is (its lines read where they lie, past the size that makes
// their records together), converted in place both ways, against the models: columns to
// spaces as one change, spaces to columns as one for each run of lines it changes; the
// changes taken back, the last first, give the text as it was.
TEST(ColumnConversions, WholeLoadedTextsConvertInPlaceAsOneChange) {
    HeadlessSurface surface(360, 199);
    Picker picker(20250603);
    std::u16string file;
    for (int32_t line = 0; line < 6000; ++line)
        file += std::u16string(static_cast<size_t>(picker.pick(0, 2)) * 4, u' ') + u"row " +
                std::u16string(static_cast<size_t>(picker.pick(1, 3)), u' ') +
                (line % 3 == 0 ? u"x   cell " : u"x\tcell") + (line % 7 == 0 ? u"\r\n" : u"\n");
    for (const Conversion conversion : {Conversion::ColumnsToSpaces, Conversion::SpacesToColumns}) {
        CLBox box;
        box.bind(surface);
        box.loadtext(file);
        const std::u16string before = modelOf(box);
        std::vector<TextChange> told;
        const std::optional<TextRange> converted =
            convertLines(box, wholeText(box), conversion,
                         [&](const TextChange& change) { told.push_back(change); });
        ASSERT_TRUE(converted);
        EXPECT_EQ(*converted, wholeText(box));
        ASSERT_FALSE(told.empty());
        EXPECT_TRUE(conversion == Conversion::SpacesToColumns || told.size() == 1);
        EXPECT_EQ(modelOf(box), conversion == Conversion::ColumnsToSpaces
                                    ? alignedModel(before)
                                    : spacesToColumnsReference(before, true));
        for (auto change = told.rbegin(); change != told.rend(); ++change)
            replaceRange(box, change->at, endOf(change->at, *change->inserted), change->removed,
                         [](const TextChange&) {});
        EXPECT_EQ(box.gettext(), file);
    }
}

} // namespace
