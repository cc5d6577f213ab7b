#include "tests/support/HeadlessWindow.h"

#include "window/CommandPalette.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

namespace {

using Window = HeadlessWindow;

std::u16string upperCase(std::u16string text) {
    for (char16_t& unit : text)
        unit = unit < 0x80 ? static_cast<char16_t>(std::toupper(unit)) : unit;
    return text;
}

std::vector<std::u16string> wordsOf(const std::u16string& name) {
    std::vector<std::u16string> words(1);
    for (const char16_t unit : name)
        if (unit == u' ')
            words.emplace_back();
        else
            words.back() += unit;
    return words;
}

bool lists(const std::vector<size_t>& listed, size_t entry) {
    return std::find(listed.begin(), listed.end(), entry) != listed.end();
}

// Over the real command table: the palette lists each command with a name once, with its
// keys; typed whole, in any case, a name chooses its command; its words in another order,
// or their starts, keep it listed behind the names that hold the typed text in one piece.
TEST(CommandPalette, EveryNameTypedChoosesItsCommand) {
    const std::vector<PaletteEntry> entries = paletteEntries(commandTable());
    std::vector<std::u16string> names;
    for (const CommandRow& row : commandTable())
        if (!row.name.empty() && std::find(names.begin(), names.end(), row.name) == names.end())
            names.emplace_back(row.name);
    ASSERT_EQ(entries.size(), names.size());
    for (size_t k = 0; k < entries.size(); ++k) {
        const PaletteEntry& entry = entries[k];
        EXPECT_EQ(entry.name, names[k]);
        EXPECT_EQ(paletteMatches(entries, entry.name).front(), k) << entry.name.size();
        EXPECT_EQ(paletteMatches(entries, u"  " + upperCase(entry.name) + u" ").front(), k);
        std::vector<std::u16string> words = wordsOf(entry.name);
        std::reverse(words.begin(), words.end());
        std::u16string shuffled, starts;
        for (const std::u16string& word : words) {
            shuffled += word + u"  ";
            starts += word.substr(0, 2) + u" ";
        }
        EXPECT_TRUE(lists(paletteMatches(entries, shuffled), k));
        EXPECT_TRUE(lists(paletteMatches(entries, starts), k));
    }
    EXPECT_EQ(paletteMatches(entries, u"").size(), entries.size());
    EXPECT_TRUE(paletteMatches(entries, u"qqzz").empty());
    const auto first = [&](const std::u16string& typed) {
        return entries[paletteMatches(entries, typed).front()].name;
    };
    EXPECT_EQ(first(u"spaces to columns"), u"Spaces to columns");
    EXPECT_EQ(first(u"columns to spaces"), u"Columns to spaces");
    EXPECT_EQ(first(u"copy"), u"Copy");
    const auto redo = std::find_if(entries.begin(), entries.end(),
                                   [](const PaletteEntry& e) { return e.name == u"Redo"; });
    ASSERT_NE(redo, entries.end());
    EXPECT_EQ(redo->keys, u"Ctrl+Y, Ctrl+Shift+Z");
}

// Every command taken from the palette does what its key (for Change font, the right click)
// does, on a text with a selection, a clipboard and a search to go on with; the two
// conversions have no key, and the editing model runs them.
TEST(CommandPalette, EveryCommandTakenDoesWhatItsKeyDoes) {
    const auto prepared = [] {
        auto window = std::make_unique<Window>();
        window->box().loadtext(u"alpha  beta\tgamma\nsecond line\n\tthird");
        window->settle();
        window->host.clipboard = u"pasted  text";
        window->host.answers = {u"line"};
        window->form.onKeyDown(letterKey('F'), ShiftMask::Ctrl);
        setSelection(window->box(), CLPos{0, 0, 2}, CLPos{1, 0, 3});
        window->host.prompts.clear();
        return window;
    };
    const auto sameOutcome = [](Window& a, Window& b) {
        EXPECT_EQ(a.text(), b.text());
        EXPECT_EQ(a.box().cursor, b.box().cursor);
        EXPECT_EQ(selectedRange(a.box()), selectedRange(b.box()));
        EXPECT_EQ(a.host.clipboard, b.host.clipboard);
        EXPECT_EQ(a.host.prompts.size(), b.host.prompts.size());
        EXPECT_EQ(a.host.questions, b.host.questions);
        EXPECT_EQ(a.host.savePathsSuggested, b.host.savePathsSuggested);
        EXPECT_EQ(a.host.openPathsNear, b.host.openPathsNear);
        EXPECT_EQ(a.host.errors, b.host.errors);
        EXPECT_EQ(a.host.surface.beeps, b.host.surface.beeps);
    };
    for (const CommandRow& row : commandTable()) {
        const bool keyless =
            row.key == KeyCode::None && row.action.kind != KeyAction::Kind::ChangeFont;
        if (row.name.empty() || row.action.kind == KeyAction::Kind::ShowPalette || keyless)
            continue;
        SCOPED_TRACE(testing::PrintToString(std::u16string(row.name)));
        const auto byKey = prepared();
        if (row.key == KeyCode::None)
            byKey->form.onMouseUp(MouseButton::Right, ShiftMask::None, 10, 10);
        else
            byKey->form.onKeyDown(row.key, row.held);
        const auto byPalette = prepared();
        byPalette->host.listAnswers.push_back({std::u16string(row.name)});
        byPalette->form.onKeyDown(letterKey('P'), ShiftMask::Ctrl | ShiftMask::Shift);
        ASSERT_EQ(byPalette->host.listsShown.size(), 1u);
        EXPECT_EQ(byPalette->host.listsShown[0].title, u"Commands");
        sameOutcome(*byKey, *byPalette);
    }
}

// Escape, or Enter with nothing listed, runs nothing.
TEST(CommandPalette, NothingTakenRunsNothing) {
    const TempFolder folder;
    Window window(folder.put("t.txt", "a  b"));
    window.host.listAnswers = {{u"columns", 0, false}, {u"no such command"}};
    for (int k = 0; k < 2; ++k)
        window.form.onKeyDown(letterKey('P'), ShiftMask::Ctrl | ShiftMask::Shift);
    EXPECT_EQ(window.host.listsShown.size(), 2u);
    EXPECT_TRUE(window.host.listsShown[1].filtered.empty());
    EXPECT_EQ(window.text(), u"a  b");
    EXPECT_EQ(window.host.caption(), u"Columnator");
    EXPECT_TRUE(window.host.errors.empty());
}

} // namespace
