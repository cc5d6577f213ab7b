#include "textbox/savedform.h"

#include "loadedbox.h"
#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Texts edited at random, spaces typed, tabs of either form and lone "\r" put anywhere, then
// saved: the saved text loaded again, with the changes made, is the document, forms and all.
TEST(SavedForm, TheChangesMakeTheReloadedTextTheDocument) {
    Picker picker(20250312);
    const std::vector<std::u16string> pieces = {u"    ",   u"  ", u"\t", u"\u2029", u"\n",
                                                u"\u2028", u"\r", u"x",  u""};
    for (int round = 0; round < 500; ++round) {
        LoadedBox edited(randomText(picker, picker.pick(0, 30)));
        for (int32_t k = picker.pick(0, 6); k > 0; --k) {
            CLPos from = randomPosition(picker, edited.box), to = from;
            if (picker.pick(0, 3) == 0)
                to = randomPosition(picker, edited.box);
            if (isBefore(to, from))
                std::swap(from, to);
            auto fragment = std::make_shared<const TextFragment>(
                fragmentOf(picker.oneOf(pieces) + picker.oneOf(pieces)));
            replaceRange(edited.box, from, to, fragment, [](const TextChange&) {});
        }
        LoadedBox reloaded(edited.box.gettext());
        for (const TextChange& change : changesFromReloaded(edited.box))
            replaceRange(reloaded.box, change.at, endOf(change.at, *change.removed),
                         change.inserted, [](const TextChange&) {});
        ASSERT_EQ(modelOf(reloaded.box), modelOf(edited.box)) << "round " << round;
    }
}

} // namespace
