#include "textbox/alignedcopy.h"

#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::u16string aligned(const TextFragment& fragment) {
    return alignedWithSpaces(std::make_shared<const TextFragment>(fragment));
}

TEST(AlignedCopy, ColumnsLineUpInCharacters) {
    struct Row {
        std::u16string model; // line ends as one unit each
        std::u16string expected;
    };
    const std::vector<Row> rows = {
        {u"", u""},
        {u"a\tb", u"a   b"},
        {u"name\tage\nbob\t42", u"name  age\nbob   42"},
        {u"\t\tx\u2028\ty\n\t\t\tz", u"        x\r\n    y\n            z"}, // indentation
        {u"1\t2\nlonger cell\t3\nno tab\n4\t5", u"1            2\nlonger cell  3\nno tab\n4   5"},
        {u"\U0001F600\U0001F600\U0001F600\U0001F600\tx\n\t", u"\U0001F600\U0001F600"
                                                             u"\U0001F600\U0001F600  x\n      "},
        {u"a\r\tb", u"a\r  b"}, // a lone "\r" is a character of its cell
    };
    for (const Row& row : rows) {
        EXPECT_EQ(aligned(fragmentOf(row.model)), row.expected)
            << testing::PrintToString(row.model);
        EXPECT_EQ(alignedReference(row.model), row.expected) << testing::PrintToString(row.model);
    }
}

// Random tables, ragged and with blocks broken by lines of fewer tabs, against tabwriter's
// way of finding the blocks.
TEST(AlignedCopy, RandomTablesMatchTabwriter) {
    Picker picker(20240703);
    const std::vector<std::u16string> words = {u"",  u"a", u"bb",     u"ccc",        u"dddd",
                                               u" ", u"é", u"\u4e2d", u"\U0001F600", u"\r"};
    for (int round = 0; round < 500; ++round) {
        TextFragment fragment;
        const int32_t lines = picker.pick(1, 12);
        for (int32_t l = 0; l < lines; ++l) {
            for (int32_t cell = picker.pick(0, 5); cell > 0; --cell)
                fragment.text += picker.oneOf(words) + u"\t";
            fragment.text += picker.oneOf(words);
            if (l + 1 < lines) {
                fragment.text += u'\n';
                fragment.lineEnds.emplace_back(picker.pick(0, 1) == 0 ? u"\n" : u"\r\n");
            }
        }
        ASSERT_EQ(aligned(fragment), alignedReference(modelOf(fragment)))
            << testing::PrintToString(savedText(fragment, CLOptions{}, TextPlace::InLine));
    }
}

} // namespace
