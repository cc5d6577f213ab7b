#include "loadedbox.h"
#include "support/Rounding.h"
#include "support/Utf16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr char32_t Backspace = 8, Tab = 9, Enter = 13;

struct EditRow {
    std::u16string text;
    CLPos at;
    char32_t code;
    std::u16string expected;
    CLPos after;
    int beeps = 0;
};

TEST(Editing, BackspaceTabEnterAndTypingTable) {
    const std::vector<EditRow> rows = {
        {u"a\r\nb\nc", {1, 0, 0}, Backspace, u"ab\r\nc", {0, 0, 1}},
        {u"ab\n\tc", {1, 0, 0}, Backspace, u"ab\tc", {0, 0, 2}},
        {u"x\U0001F600y", {0, 0, 3}, Backspace, u"xy", {0, 0, 1}},
        {u"ab", {0, 0, 0}, Backspace, u"ab", {0, 0, 0}, 1},
        {u"ab", {0, 0, 2}, Tab, u"ab\t", {0, 1, 0}},
        {u"ab", {0, 0, 0}, Tab, u"\tab", {0, 1, 0}},
        {u"\U0001F600", {0, 0, 1}, Tab, u"\t\U0001F600", {0, 1, 0}}, // inside the pair
        {u"\t\tx\ty", {0, 2, 1}, Enter, u"\t\tx\r\n\t\t\ty", {1, 2, 0}},
        {u"\tq\t\tz", {0, 3, 0}, Enter, u"\tq\t\t\r\n\tz", {1, 1, 0}},
        {u"\tx", {0, 0, 0}, Enter, u"\r\n\tx", {1, 0, 0}},
        {u"a\nbc", {1, 0, 1}, Enter, u"a\nb\r\nc", {2, 0, 0}},
        {u"a\U0001F600", {0, 0, 2}, Enter, u"a\r\n\U0001F600", {1, 0, 0}},
        {u"ab", {0, 0, 1}, 0xAC00, u"a\uAC00b", {0, 0, 2}},
        {u"ab", {0, 0, 1}, 0x1F600, u"a\U0001F600b", {0, 0, 3}},
        {u"ab", {0, 0, 1}, 0x10FFFF, u"a\U0010FFFFb", {0, 0, 3}},
    };
    for (const EditRow& row : rows) {
        LoadedBox loaded(row.text);
        CLPos pos = row.at;
        pos.xPosMem = 5;
        loaded.box.insertChar(row.code, pos);
        EXPECT_EQ(loaded.box.gettext(), row.expected) << "code " << static_cast<uint32_t>(row.code);
        EXPECT_EQ(pos, row.after) << "code "
                                  << static_cast<uint32_t>(row.code); // xPosMem cleared too
        EXPECT_EQ(loaded.surface.beeps, row.beeps) << "code " << static_cast<uint32_t>(row.code);
    }
}

TEST(Editing, JoiningTheLastLineKeepsItsEmptyEnd) {
    for (const std::u16string text : {u"k\nlast", u"k\r\nlast", u"a\n"}) {
        LoadedBox loaded(text);
        CLPos pos{1, 0, 0};
        loaded.box.insertChar(Backspace, pos);
        const std::u16string upper = text.substr(0, text.find_first_of(u"\r\n"));
        EXPECT_EQ(loaded.box.gettext(), upper + text.substr(text.find(u'\n') + 1));
        EXPECT_EQ(loaded.box.lines.at(0)->lineEnd, u"");
    }
}

TEST(Editing, NonCharactersAreIgnoredEntirely) {
    for (const char32_t code : {char32_t{127}, char32_t{0x1F}, char32_t{0}, char32_t{0xD800},
                                char32_t{0xDFFF}, char32_t{0x110000}}) {
        LoadedBox loaded(u"ab");
        CLPos pos{0, 0, 1, 5};
        loaded.box.moving = false;
        loaded.box.insertChar(code, pos);
        EXPECT_EQ(loaded.box.gettext(), u"ab") << static_cast<uint32_t>(code);
        EXPECT_EQ(pos, (CLPos{0, 0, 1, 5})) << static_cast<uint32_t>(code);
        EXPECT_FALSE(loaded.box.moving) << static_cast<uint32_t>(code);
    }
}

TEST(Editing, BeepAtTheStartStillFollowsTheView) {
    LoadedBox loaded(u"ab");
    loaded.box.scrY = 40;
    loaded.box.moving = false;
    CLPos pos{0, 0, 0, 9};
    loaded.box.insertChar(Backspace, pos);
    EXPECT_EQ(pos.xPosMem, -1);
    EXPECT_EQ(loaded.box.scrY, 0);
    EXPECT_TRUE(loaded.box.moving);
}

TEST(Editing, PositionOutsideTheDocumentChangesNothing) {
    for (const CLPos bad : {CLPos{0, 0, 3}, CLPos{0, 2, 0}, CLPos{2, 0, 0}, CLPos{0, 0, -1}}) {
        LoadedBox loaded(u"ab\tc\nd");
        CLPos pos = bad;
        try {
            loaded.box.insertChar(Enter, pos);
            ADD_FAILURE() << "no error at " << bad.yLine << "," << bad.xTab << "," << bad.xChar;
        } catch (const EngineError& error) {
            EXPECT_EQ(error.number, ErrorNumber::OutOfRange);
        }
        EXPECT_EQ(loaded.box.gettext(), u"ab\tc\nd");
        EXPECT_EQ(pos, bad);
    }
}

// Two lone halves that a deletion brings together form one character, and the cursor
// ends before it, never between its halves.
TEST(Editing, HalvesJoinedByADeletionLeaveTheCursorBeforeThePair) {
    struct Row {
        std::u16string text;
        CLPos at;
    };
    for (const Row& row : {Row{u"\xD83D\n\xDE00", {1, 0, 0}}, Row{u"\xD83D\t\xDE00", {0, 1, 0}},
                           Row{u"\xD83Dx\xDE00", {0, 0, 2}}}) {
        LoadedBox loaded(row.text);
        CLPos pos = row.at;
        loaded.box.insertChar(Backspace, pos);
        EXPECT_EQ(loaded.box.gettext(), u"\xD83D\xDE00");
        EXPECT_EQ(pos, (CLPos{0, 0, 0, -1}));
    }
}

// Lines 1e9 pixels tall leave room for two lines at most: an edit that could need more
// is refused whole, and one that fits goes through.
TEST(Editing, AnEditTheLayoutCannotHoldChangesNothing) {
    struct Row {
        CLPos at;
        char32_t code;
        bool fits;
    };
    for (const Row& row : {Row{{0, 0, 1}, Enter, false}, Row{{1, 0, 0}, U'x', true},
                           Row{{1, 0, 0}, Backspace, true}, Row{{0, 0, 1}, Tab, true}}) {
        LoadedBox loaded(u"a\n");
        loaded.surface.lineHeight = 1e9;
        loaded.box.updateCache();
        loaded.box.updateHeight(0, 2);
        CLPos pos = row.at;
        try {
            loaded.box.insertChar(row.code, pos);
            EXPECT_TRUE(row.fits) << "code " << static_cast<int>(row.code);
        } catch (const EngineError& error) {
            EXPECT_FALSE(row.fits) << "code " << static_cast<int>(row.code);
            EXPECT_EQ(error.number, ErrorNumber::Overflow);
            EXPECT_EQ(loaded.box.gettext(), u"a\n");
            EXPECT_EQ(pos, row.at);
        }
        for (int32_t l = 0; l < loaded.box.lines.size(); ++l)
            EXPECT_EQ(loaded.box.lines.wei(l), loaded.line(l).height);
    }
}

// The shadow of the document: its text and the cursor as an offset into it. Moves
// whose result depends on geometry only resynchronise the offset.
struct Shadow {
    std::u16string text;
    size_t at = 0;
    int beeps = 0;

    bool atLineEnd(size_t i) const {
        return i == text.size() || text[i] == u'\n' || (text[i] == u'\r' && text[i + 1] == u'\n');
    }
    size_t lineStart() const {
        const size_t found = at == 0 ? std::u16string::npos : text.rfind(u'\n', at - 1);
        return found == std::u16string::npos ? 0 : found + 1;
    }
    size_t lineTextEnd(size_t from) const {
        while (!atLineEnd(from))
            ++from;
        return from;
    }
    bool onFirstLine() const { return lineStart() == 0; }
    bool onLastLine() const { return text.find(u'\n', at) == std::u16string::npos; }
    size_t endUnits(size_t i) const { return text[i] == u'\r' ? 2 : 1; } // i at a line end

    void right() {
        if (at == text.size())
            ++beeps;
        else if (atLineEnd(at))
            at += endUnits(at);
        else
            at += static_cast<size_t>(unitsAfter(text, static_cast<int32_t>(at)));
    }
    void left() {
        if (at == 0)
            ++beeps;
        else if (text[at - 1] == u'\n')
            at -= at >= 2 && text[at - 2] == u'\r' ? 2 : 1;
        else
            at -= static_cast<size_t>(unitsBefore(text, static_cast<int32_t>(at)));
    }
    void home() {
        const size_t start = lineStart();
        const size_t textStart = text.find_first_not_of(u'\t', start);
        const bool hasText = textStart < lineTextEnd(start);
        at = hasText && textStart < at ? textStart : start;
    }
    void insert(const std::u16string& typed) {
        text.insert(at, typed);
        at += typed.size();
    }
    void backspace() {
        if (at == 0) {
            ++beeps;
        } else if (text[at - 1] != u'\n') {
            const auto units = static_cast<size_t>(unitsBefore(text, static_cast<int32_t>(at)));
            at -= units;
            text.erase(at, units);
        } else { // the upper line's end moves to the joined line, unless it is the last
            const size_t units = at >= 2 && text[at - 2] == u'\r' ? 2 : 1;
            const std::u16string upperEnd = text.substr(at - units, units);
            at -= units;
            text.erase(at, units);
            const size_t end = lineTextEnd(at);
            if (end != text.size())
                text.replace(end, endUnits(end), upperEnd);
        }
    }
    void enter() {
        const size_t start = lineStart();
        const auto cell =
            static_cast<size_t>(std::count(text.begin() + static_cast<ptrdiff_t>(start),
                                           text.begin() + static_cast<ptrdiff_t>(at), u'\t'));
        const size_t leadingTabs = text.find_first_not_of(u'\t', start) - start;
        insert(u"\r\n" + std::u16string(std::min(cell, leadingTabs), u'\t'));
    }
};

size_t offsetOf(const CLBox& box, const CLPos& pos) {
    size_t offset = 0;
    for (int32_t l = 0; l <= pos.yLine; ++l) {
        const CLLine& line = *box.lines.at(l);
        for (int32_t t = 0; t < line.tabs.size(); ++t) {
            if (l == pos.yLine && t == pos.xTab)
                return offset + static_cast<size_t>(pos.xChar);
            offset += line.tabs.at(t)->text.size() + 1;
        }
        offset += line.lineEnd.size() - 1;
    }
    return offset;
}

bool isEmptyCharacter(char16_t c) {
    return std::u16string_view(u" ()*,/;[\\]{}").find(c) != std::u16string_view::npos;
}

testing::AssertionResult documentSound(LoadedBox& loaded) {
    CLBox& box = loaded.box;
    const CLPos& pos = box.cursor;
    if (pos.yLine < 0 || pos.yLine >= box.lines.size())
        return testing::AssertionFailure() << "cursor line " << pos.yLine;
    const CLLine& cursorLine = *box.lines.at(pos.yLine);
    if (pos.xTab < 0 || pos.xTab >= cursorLine.tabs.size())
        return testing::AssertionFailure() << "cursor cell " << pos.xTab;
    const std::u16string_view cursorText = cursorLine.tabs.at(pos.xTab)->text;
    if (pos.xChar < 0 || static_cast<size_t>(pos.xChar) > cursorText.size() ||
        insideSurrogatePair(cursorText, pos.xChar))
        return testing::AssertionFailure() << "cursor character " << pos.xChar;
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        if (line.tabs.size() == 0)
            return testing::AssertionFailure() << "line " << l << " has no cell";
        if ((line.lineEnd.empty()) != (l == box.lines.size() - 1))
            return testing::AssertionFailure() << "line " << l << " ends wrongly";
        bool empty = true;
        for (int32_t t = 0; t < line.tabs.size(); ++t) {
            const CLTab& cell = *line.tabs.at(t);
            for (const char16_t c : cell.text)
                empty = empty && isEmptyCharacter(c);
            if (cell.innerWidth != roundToPixel(loaded.surface.textWidth(cell.text)))
                return testing::AssertionFailure() << "inner width of " << l << "," << t;
        }
        const int32_t height = empty ? roundToPixel(0.5 * box.lineHeight) : box.lineHeight;
        if (line.isEmptyLine != empty || line.height != height || box.lines.wei(l) != height)
            return testing::AssertionFailure() << "height of line " << l;
    }
    return testing::AssertionSuccess();
}

// The cursor's line lies wholly in view, and the view does not run past the text.
testing::AssertionResult cursorLineInView(CLBox& box) {
    const int32_t top = box.lines.weiacc(box.cursor.yLine);
    const int32_t bottom = box.lines.weiacc(box.cursor.yLine + 1);
    const int32_t lowest = std::max(box.lines.weiacc(box.lines.size()) - box.viewHeight, 0);
    if (top < box.scrY || bottom > box.scrY + box.viewHeight || box.scrY > lowest)
        return testing::AssertionFailure()
               << "line " << top << ".." << bottom << " scrY " << box.scrY;
    return testing::AssertionSuccess();
}

std::u16string randomDocument(std::mt19937& random) {
    const std::vector<std::u16string> pieces = {u"a",          u"bc", u" ",      u"    ",
                                                u"}",          u"\t", u"\u00E9", u"\uAC00",
                                                u"\U0001F600", u"\n", u"\r\n"};
    std::u16string text;
    const int length = std::uniform_int_distribution<int>(0, 60)(random);
    for (int k = 0; k < length; ++k)
        text += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
    return text;
}

// Keys 0 to 9 are the moves, by their direction codes; the rest are these codes.
const std::vector<char32_t> editCodes = {Backspace, Tab,    Enter,  u'x',    u' ',   u'{',
                                         0xE9,      0xAC00, 0xFF21, 0x1F600, 0x10348};

void editShadow(Shadow& shadow, char32_t code) {
    if (code == Backspace)
        shadow.backspace();
    else if (code == Enter)
        shadow.enter();
    else
        shadow.insert(toUtf16(code));
}

// Returns false for a move whose result is geometry's to decide.
bool applyToShadow(Shadow& shadow, int32_t key) {
    using enum CursorDirection;
    if (key >= 10) {
        editShadow(shadow, editCodes[static_cast<size_t>(key - 10)]);
        return true;
    }
    switch (static_cast<CursorDirection>(key)) {
    case Right:
        shadow.right();
        return true;
    case Left:
        shadow.left();
        return true;
    case End:
        shadow.at = shadow.lineTextEnd(shadow.at);
        return true;
    case Home:
        shadow.home();
        return true;
    case TextEnd:
        shadow.at = shadow.text.size();
        return true;
    case TextStart:
        shadow.at = 0;
        return true;
    case Down:
    case PageDown:
        shadow.beeps += shadow.onLastLine() ? 1 : 0;
        return false;
    case Up:
    case PageUp:
        shadow.beeps += shadow.onFirstLine() ? 1 : 0;
        return false;
    }
    return false;
}

void applyToBox(CLBox& box, int32_t key) {
    if (key < 10)
        box.cursorMove(box.cursor, static_cast<CursorDirection>(key));
    else
        box.insertChar(editCodes[static_cast<size_t>(key - 10)], box.cursor);
}

TEST(EditingModel, RandomKeysMatchAPlainStringWithACursor) {
    std::mt19937 random(20240605);
    for (int round = 0; round < 60; ++round) {
        LoadedBox loaded(randomDocument(random), 140, 100);
        CLBox& box = loaded.box;
        Shadow shadow{tabbedTextOf(box)};
        for (int step = 0; step < 400; ++step) {
            const int32_t key = std::uniform_int_distribution<int32_t>(0, 20)(random);
            const int32_t rememberedBefore = box.cursor.xPosMem;
            const std::u16string textBefore = shadow.text;
            const uint64_t revisionBefore = box.revision;
            const bool exact = applyToShadow(shadow, key);
            applyToBox(box, key);
            const std::string where = "round " + std::to_string(round) + " step " +
                                      std::to_string(step) + " key " + std::to_string(key);
            ASSERT_TRUE(documentSound(loaded)) << where;
            ASSERT_TRUE(shadow.text == tabbedTextOf(box)) << where;
            // A new revision exactly when the text changed, and never one given before.
            ASSERT_EQ(box.revision != revisionBefore, shadow.text != textBefore) << where;
            ASSERT_TRUE(box.revision >= revisionBefore) << where;
            ASSERT_EQ(loaded.surface.beeps, shadow.beeps) << where;
            ASSERT_TRUE(cursorLineInView(box)) << where;
            if (exact) {
                ASSERT_EQ(offsetOf(box, box.cursor), shadow.at) << where;
                ASSERT_EQ(box.cursor.xPosMem, -1) << where;
            } else {
                shadow.at = offsetOf(box, box.cursor);
                if (rememberedBefore != -1) {
                    ASSERT_EQ(box.cursor.xPosMem, rememberedBefore) << where;
                }
            }
            loaded.layOutColumns();
        }
    }
}

} // namespace
