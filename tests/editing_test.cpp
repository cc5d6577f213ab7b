#include "tests/support/HeadlessWindow.h"

#include "support/Utf16.h"
#include "support/modLocale.h"

#include "TempFolder.h"
#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Window = HeadlessWindow;
using Span = std::pair<size_t, size_t>;

// The editor as a plain string (textmodel.h) with a cursor, an anchor, a clipboard and a
// history of whole texts, doing what the keys do the obvious way; its tabs carry their forms.
// Moves whose result geometry decides are taken from the window (placed, moved). In F8's
// extend mode a move selects from where F8 was pressed; every key but a move or a save
// ends the mode.
class Model {
public:
    std::u16string text;
    size_t cursor = 0;
    std::optional<size_t> anchor;
    std::optional<size_t> extendAnchor; // F8's, while extending
    std::u16string clipboard;
    int beeps = 0;
    uint64_t revision = 0, savedRevision = 0;
    size_t steps() const { return done.size(); }

    std::optional<Span> selection() const {
        if (!anchor || *anchor == cursor)
            return std::nullopt;
        return std::minmax(*anchor, cursor);
    }
    bool onFirstLine() const { return lineStart(cursor) == 0; }
    bool onLastLine() const { return lineEnd(cursor) == text.size(); }

    void f8() {
        if (extendAnchor)
            return extendAnchor.reset();
        place([&] { anchor.reset(); });
        extendAnchor = cursor;
    }
    void escape() { extendAnchor.reset(); }

    void type(const std::u16string& typed) {
        edit(Kind::Typing, [&] {
            eraseSelection();
            insert(typed);
        });
    }
    // Among the tabs that open a line, a tab typed takes the form of the one before it, or of
    // the first of the line above.
    void tab() {
        edit(Kind::Other, [&] {
            eraseSelection();
            const size_t start = lineStart(cursor);
            const bool amongIndentation =
                std::all_of(text.begin() + static_cast<ptrdiff_t>(start),
                            text.begin() + static_cast<ptrdiff_t>(cursor), isTabUnit);
            const bool spaced = !amongIndentation ? false
                                : cursor > start  ? inIndentation(cursor)
                                : start > 0       ? text[lineStart(start - 1)] == spacedTabUnit
                                                  : false;
            insert(std::u16string(1, spaced ? spacedTabUnit : u'\t'));
        });
    }
    // The tabs that open the line, up to the cursor's cell, are copied with their forms.
    void enter() {
        edit(Kind::Other, [&] {
            eraseSelection();
            const size_t start = lineStart(cursor);
            const auto cell = static_cast<size_t>(
                std::count_if(text.begin() + static_cast<ptrdiff_t>(start),
                              text.begin() + static_cast<ptrdiff_t>(cursor), isTabUnit));
            size_t indentation = 0;
            while (start + indentation < lineEnd(start) && isTabUnit(text[start + indentation]))
                ++indentation;
            insert(crlfUnit + text.substr(start, std::min(cell, indentation)));
        });
    }
    void backspace() {
        edit(Kind::Other, [&] {
            if (!eraseSelection()) {
                if (cursor == 0)
                    ++beeps;
                else
                    deleteBefore(cursor);
            }
        });
    }
    // Backspace from one character on.
    void deleteForward() {
        edit(Kind::Other, [&] {
            if (eraseSelection())
                return;
            if (cursor == text.size()) {
                ++beeps;
                return;
            }
            cursor += isBreakUnit(text[cursor]) ? 1 : unitsRightOf(cursor);
            deleteBefore(cursor);
        });
    }
    void cut() {
        extendAnchor.reset();
        if (!selection())
            return;
        copy(false);
        edit(Kind::Other, [&] { eraseSelection(); });
    }
    void paste() {
        extendAnchor.reset();
        if (clipboard.empty())
            return;
        edit(Kind::Other, [&] {
            eraseSelection();
            insert(pastedModel(clipboard, inIndentation(cursor)));
            cursor = pairStart(cursor);
        });
    }
    // Pasted as columns: split as a paste is, then its space-aligned lines made cells.
    void pasteAsColumns() {
        extendAnchor.reset();
        if (clipboard.empty())
            return;
        edit(Kind::Other, [&] {
            eraseSelection();
            const bool inIndentationNow = inIndentation(cursor);
            const std::u16string columns = spacesToColumnsReference(
                pastedModel(clipboard, inIndentationNow), inIndentationNow);
            if (!columns.empty())
                insert(columns);
            cursor = pairStart(cursor);
        });
    }
    // The whole lines the selection touches (not a line it only reaches the start of), or
    // the whole text, converted. What was selected stays selected over the whole lines;
    // without a selection the cursor goes to the start of its line.
    void convert(bool toSpaces) {
        edit(Kind::Other, [&] {
            const std::optional<Span> s = selection();
            size_t from = 0, to = text.size();
            if (s) {
                from = lineStart(s->first);
                to = isBreakUnit(text[s->second - 1]) ? s->second - 1 : lineEnd(s->second);
            }
            const std::u16string lines = text.substr(from, to - from);
            const std::u16string converted =
                toSpaces ? alignedModel(lines) : spacesToColumnsReference(lines, true);
            if (converted == lines)
                return;
            const auto cursorLine = std::count_if(
                text.begin(), text.begin() + static_cast<ptrdiff_t>(cursor), isBreakUnit);
            text.replace(from, to - from, converted);
            changed = true;
            anchor.reset();
            if (s) {
                anchor = from;
                cursor = from + converted.size();
                return;
            }
            cursor = 0;
            for (auto line = cursorLine; line > 0; --line)
                cursor = lineEnd(cursor) + 1;
        });
    }
    void copy(bool aligned) {
        extendAnchor.reset();
        if (const std::optional<Span> s = selection()) {
            const std::u16string selected = text.substr(s->first, s->second - s->first);
            clipboard = aligned
                            ? alignedReference(selected)
                            : savedOf(selected, inIndentation(s->first) ? TextPlace::InIndentation
                                                                        : TextPlace::InLine);
        }
    }
    // The Find and Replace dialog's buttons, and F3 after them: Find next selects the next
    // match from the cursor, wrapping round; Replace first replaces a selection that is
    // exactly a match, as a paste; Replace all replaces them all as one step.
    void findNext(const std::u16string& needle, SearchOptions options) {
        extendAnchor.reset();
        lastSearch = needle;
        lastOptions = options;
        const std::vector<size_t> starts = modelMatchStarts(text, needle, options);
        if (starts.empty()) {
            ++beeps;
            return;
        }
        const auto next = std::lower_bound(starts.begin(), starts.end(), cursor);
        const size_t start = next == starts.end() ? starts.front() : *next;
        place([&] {
            anchor = start;
            cursor = start + modelMatchLength(needle, options);
        });
    }
    void findAgain() {
        extendAnchor.reset();
        if (!lastSearch.empty())
            findNext(lastSearch, lastOptions);
    }
    void replace(const std::u16string& needle, SearchOptions options,
                 const std::u16string& replacement) {
        extendAnchor.reset();
        const std::optional<Span> s = selection();
        const std::vector<size_t> starts = modelMatchStarts(text, needle, options);
        if (s && s->second == s->first + modelMatchLength(needle, options) &&
            std::binary_search(starts.begin(), starts.end(), s->first))
            edit(Kind::Other, [&] {
                eraseSelection();
                insert(pastedModel(replacement, inIndentation(cursor)));
                cursor = pairStart(cursor);
            });
        findNext(needle, options);
    }
    void replaceAll(const std::u16string& needle, SearchOptions options,
                    const std::u16string& replacement) {
        extendAnchor.reset();
        lastSearch = needle;
        lastOptions = options;
        const ModelReplaceAll replaced = replacedAll(text, needle, options, replacement);
        if (replaced.count == 0) {
            ++beeps;
            return;
        }
        edit(Kind::Other, [&] {
            anchor.reset();
            text = replaced.text;
            cursor = pairStart(replaced.cursor);
            changed = true;
        });
    }
    void selectAll() {
        extendAnchor.reset();
        place([&] {
            anchor = 0;
            cursor = text.size();
        });
    }
    void undo() {
        takeBack(done, undone, &Step::before, &Step::cursorBefore, &Step::revisionBefore);
    }
    void redo() { takeBack(undone, done, &Step::after, &Step::cursorAfter, &Step::revisionAfter); }
    void saved() {
        runOpen = false;
        savedRevision = revision;
    }

    void right() {
        place([&] {
            anchor = extendAnchor;
            if (cursor == text.size())
                ++beeps;
            else
                cursor += isBreakUnit(text[cursor]) ? 1 : unitsRightOf(cursor);
        });
    }
    void left() {
        place([&] {
            anchor = extendAnchor;
            if (cursor == 0)
                ++beeps;
            else
                cursor -=
                    isBreakUnit(text[cursor - 1])
                        ? 1
                        : static_cast<size_t>(unitsBefore(text, static_cast<int32_t>(cursor)));
        });
    }
    void home() {
        place([&] {
            anchor = extendAnchor;
            const size_t start = lineStart(cursor);
            size_t textStart = start;
            while (textStart < lineEnd(start) && isTabUnit(text[textStart]))
                ++textStart;
            cursor = textStart < lineEnd(start) && textStart < cursor ? textStart : start;
        });
    }
    void end() { moveTo(lineEnd(cursor)); }
    void moveTo(size_t at) {
        place([&] {
            anchor = extendAnchor;
            cursor = at;
        });
    }
    // Where a move that geometry decides put the cursor.
    void moved(size_t at) {
        place([&] {
            cursor = at;
            anchor = extendAnchor;
        });
    }
    // Where the window put the cursor and the anchor, which geometry decides.
    void placed(size_t at, std::optional<size_t> anchoredAt) {
        extendAnchor.reset();
        place([&] {
            cursor = at;
            anchor = anchoredAt;
        });
    }

private:
    enum class Kind { Typing, Other };
    struct Step {
        std::u16string before, after;
        size_t cursorBefore = 0, cursorAfter = 0;
        uint64_t revisionBefore = 0, revisionAfter = 0;
    };

    size_t lineStart(size_t at) const {
        while (at > 0 && !isBreakUnit(text[at - 1]))
            --at;
        return at;
    }
    size_t lineEnd(size_t at) const {
        while (at < text.size() && !isBreakUnit(text[at]))
            ++at;
        return at;
    }
    bool inIndentation(size_t at) const { return inModelIndentation(text, at); }
    size_t unitsRightOf(size_t at) const {
        return static_cast<size_t>(unitsAfter(text, static_cast<int32_t>(at)));
    }
    size_t pairStart(size_t at) const {
        return static_cast<size_t>(characterStart(text, static_cast<int32_t>(at)));
    }

    void insert(const std::u16string& inserted) {
        text.insert(cursor, inserted);
        cursor += inserted.size();
        changed = true;
    }
    bool eraseSelection() {
        const std::optional<Span> s = selection();
        anchor.reset();
        if (!s)
            return false;
        text.erase(s->first, s->second - s->first);
        cursor = pairStart(s->first);
        changed = true;
        return true;
    }
    // A joined line keeps the upper line's end, unless it is the last.
    void deleteBefore(size_t& at) {
        if (isBreakUnit(text[at - 1])) {
            const char16_t upperEnd = text[at - 1];
            text.erase(--at, 1);
            if (lineEnd(at) != text.size())
                text[lineEnd(at)] = upperEnd;
        } else {
            const auto units = static_cast<size_t>(unitsBefore(text, static_cast<int32_t>(at)));
            at -= units;
            text.erase(at, units);
        }
        cursor = pairStart(at);
        changed = true;
    }
    template <class Change> void edit(Kind kind, Change&& change) {
        extendAnchor.reset();
        const std::u16string before = text;
        const size_t cursorBefore = cursor;
        const uint64_t revisionBefore = revision;
        changed = false;
        change();
        if (!changed)
            return; // a beep: a run goes on
        revision = ++revisionsGiven;
        if (kind == Kind::Typing && runOpen && done.back().cursorAfter == cursorBefore) {
            done.back().after = text;
            done.back().cursorAfter = cursor;
            done.back().revisionAfter = revision;
        } else {
            done.push_back({before, text, cursorBefore, cursor, revisionBefore, revision});
        }
        undone.clear();
        runOpen = kind == Kind::Typing;
    }
    template <class Move> void place(Move&& move) {
        const std::pair<size_t, std::optional<Span>> before{cursor, selection()};
        move();
        if (std::pair(cursor, selection()) != before)
            runOpen = false;
    }
    void takeBack(std::vector<Step>& from, std::vector<Step>& to, std::u16string Step::*textOf,
                  size_t Step::*cursorOf, uint64_t Step::*revisionOf) {
        runOpen = false;
        anchor.reset();
        extendAnchor.reset();
        if (from.empty()) {
            ++beeps;
            return;
        }
        to.push_back(std::move(from.back()));
        from.pop_back();
        text = to.back().*textOf;
        cursor = to.back().*cursorOf;
        revision = to.back().*revisionOf;
    }

    std::vector<Step> done, undone;
    std::u16string lastSearch;
    SearchOptions lastOptions;
    bool changed = false;
    bool runOpen = false;
    uint64_t revisionsGiven = 0;
};

std::optional<Span> selectionOf(CLBox& box) {
    const std::optional<TextRange> range = selectedRange(box);
    if (!range)
        return std::nullopt;
    return Span{offsetOf(box, range->start), offsetOf(box, range->end)};
}

testing::AssertionResult matches(Window& window, const Model& model) {
    CLBox& box = window.box();
    if (modelOf(box) != model.text)
        return testing::AssertionFailure() << "text " << testing::PrintToString(modelOf(box))
                                           << " not " << testing::PrintToString(model.text);
    if (offsetOf(box, box.cursor) != model.cursor)
        return testing::AssertionFailure()
               << "cursor " << offsetOf(box, box.cursor) << " not " << model.cursor;
    if (selectionOf(box) != model.selection())
        return testing::AssertionFailure() << "selection differs";
    if (window.host.clipboard != model.clipboard)
        return testing::AssertionFailure()
               << "clipboard " << testing::PrintToString(window.host.clipboard);
    if (window.host.surface.beeps != model.beeps)
        return testing::AssertionFailure() << "beeps " << window.host.surface.beeps;
    const std::u16string caption = (model.revision != model.savedRevision ? u"*" : u"") +
                                   std::u16string(u"Columnator") +
                                   (model.extendAnchor ? u" - extending" : u"");
    if (window.host.caption() != caption)
        return testing::AssertionFailure()
               << "caption " << modLocale::textToBytes(window.host.caption(), 65001);
    if (!window.host.errors.empty())
        return testing::AssertionFailure()
               << "an error: " << modLocale::textToBytes(window.host.errors[0], 65001);
    return testing::AssertionSuccess();
}

// A point anywhere in the small window, now and then beyond its edges.
std::pair<double, double> randomPoint(Picker& picker) {
    return {picker.pick(-20, 380), picker.pick(-20, 220)};
}

void key(Window& window, KeyCode code, ShiftMask shift = ShiftMask::None) {
    window.form.onKeyDown(code, shift);
}

ShiftMask maybeShift(Picker& picker) {
    return picker.pick(0, 1) == 0 ? ShiftMask::None : ShiftMask::Shift;
}

// The pointer's geometry decides where clicks, drags and double clicks land: the model
// takes the window's word for it, checking only that a drag selects from where it began.
void pointAndClick(Window& window, Model& model, Picker& picker) {
    CLBox& box = window.box();
    const auto [x, y] = randomPoint(picker);
    const int32_t gesture = picker.pick(0, 2);
    if (gesture == 2) {
        window.form.onDoubleClick(MouseButton::Left, ShiftMask::None, x, y);
    } else {
        const size_t pressedAt = offsetOf(
            box, box.XYscrmovToPos(static_cast<int32_t>(x), static_cast<int32_t>(y), false));
        window.form.onMouseDown(MouseButton::Left, ShiftMask::None, x, y);
        if (gesture == 1) {
            const auto [toX, toY] = randomPoint(picker);
            window.form.onMouseMove(MouseButton::Left, ShiftMask::None, toX, toY);
            for (int tick = picker.pick(0, 5); tick > 0; --tick)
                window.form.onTick();
        }
        window.form.onMouseUp(MouseButton::Left, ShiftMask::None, x, y);
        if (box.selectionAnchor && selectedRange(box)) {
            EXPECT_EQ(offsetOf(box, *box.selectionAnchor), pressedAt);
        }
    }
    const std::optional<Span> selected = selectionOf(box);
    const size_t at = offsetOf(box, box.cursor);
    model.placed(at, selected
                         ? std::optional(selected->first == at ? selected->second : selected->first)
                         : std::nullopt);
}

// Up, Down and the page keys go where geometry says; on the first or last line they beep.
void moveVertically(Window& window, Model& model, CursorDirection direction, Picker& picker) {
    const bool down = direction == CursorDirection::Down || direction == CursorDirection::PageDown;
    if (down ? model.onLastLine() : model.onFirstLine())
        ++model.beeps;
    const KeyCode code = direction == CursorDirection::Down       ? KeyCode::Down
                         : direction == CursorDirection::Up       ? KeyCode::Up
                         : direction == CursorDirection::PageDown ? KeyCode::PageDown
                                                                  : KeyCode::PageUp;
    key(window, code, maybeShift(picker));
    model.moved(offsetOf(window.box(), window.box().cursor));
}

const std::vector<std::u16string> typedTexts = {u"x", u"y", u" ", u"\u00e9", u"\U0001F600"};
const std::vector<std::u16string> searchedTexts = {u"x", u"X", u"y", u" ", u"\u00c9", u"a", u"xy"};
const std::vector<std::u16string> clipboardTexts = {u"",
                                                    u"w",
                                                    u"two\r\nlines",
                                                    u"a\nb\r\nc\rd",
                                                    u"    four\n    spaced\n      six",
                                                    u"\ttab\t\n",
                                                    u"\r",
                                                    u"\U0001F600\n\n",
                                                    u"name   age \r\n  bob  42",
                                                    u"  lead  x  "};

// Key or gesture number `which`, made on the window and on the model alike.
void act(Window& window, Model& model, Picker& picker, const TempFolder& folder, int32_t which) {
    switch (which) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: {
        const std::u16string& typed = picker.oneOf(typedTexts);
        window.form.onKeyPress(typed.size() == 2 ? combineSurrogates(typed[0], typed[1])
                                                 : static_cast<char32_t>(typed[0]));
        return model.type(typed);
    }
    case 5:
        key(window, KeyCode::Tab, maybeShift(picker));
        return model.tab();
    case 6:
        key(window, KeyCode::Enter);
        return model.enter();
    case 7:
        key(window, KeyCode::Backspace);
        return model.backspace();
    case 8:
        key(window, KeyCode::Delete, maybeShift(picker));
        return model.deleteForward();
    case 9:
        key(window, KeyCode::Right, maybeShift(picker)); // Shift moves as the arrow alone
        return model.right();
    case 10:
        key(window, KeyCode::Left, maybeShift(picker));
        return model.left();
    case 11:
        key(window, KeyCode::Home, maybeShift(picker));
        return model.home();
    case 12:
        key(window, KeyCode::End);
        return model.end();
    case 13: {
        const bool toEnd = picker.pick(0, 1) == 0;
        key(window, toEnd ? KeyCode::End : KeyCode::Home, ShiftMask::Ctrl);
        return model.moveTo(toEnd ? model.text.size() : 0);
    }
    case 14:
        return moveVertically(
            window, model, static_cast<CursorDirection>(picker.oneOf(std::vector<int>{2, 3, 8, 9})),
            picker);
    case 15:
    case 16:
        key(window, letterKey('Z'), ShiftMask::Ctrl);
        return model.undo();
    case 17:
        if (picker.pick(0, 1) == 0)
            key(window, letterKey('Y'), ShiftMask::Ctrl | maybeShift(picker));
        else
            key(window, letterKey('Z'), ShiftMask::Ctrl | ShiftMask::Shift);
        return model.redo();
    case 18:
        key(window, KeyCode::A, ShiftMask::Ctrl);
        return model.selectAll();
    case 19:
        key(window, letterKey('C'), ShiftMask::Ctrl);
        return model.copy(false);
    case 20:
        key(window, letterKey('C'), ShiftMask::Ctrl | ShiftMask::Shift);
        return model.copy(true);
    case 21:
        key(window, letterKey('X'), ShiftMask::Ctrl);
        return model.cut();
    case 22:
        if (model.clipboard.size() > 200) // copies of copies would grow the text without end
            window.host.clipboard = model.clipboard = picker.oneOf(clipboardTexts);
        key(window, letterKey('V'), ShiftMask::Ctrl);
        return model.paste();
    case 23: // another program puts text on the clipboard
        window.host.clipboard = model.clipboard = picker.oneOf(clipboardTexts);
        return;
    case 24: // now and then only: a save waits for the disk
        if (picker.pick(0, 5) != 0)
            return;
        window.save();
        model.saved();
        EXPECT_EQ(modLocale::bytesToText(folder.contents("doc.txt"), modLocale::codePageUtf8),
                  savedOf(model.text));
        return;
    case 25: // keys that do nothing, and modifiers alone, leave a run of typing open
        key(window, picker.pick(0, 1) == 0 ? KeyCode::None : functionKey(5));
        return;
    case 26:
    case 27:
    case 28: {
        const ReplaceFields fields{picker.oneOf(searchedTexts), picker.oneOf(clipboardTexts),
                                   picker.pick(0, 1) == 0, picker.pick(0, 2) == 0};
        const SearchOptions options{fields.matchCase, fields.wholeWord};
        const auto button = static_cast<ReplaceButton>(which - 26);
        window.form.onReplaceDialog({fields, button});
        if (button == ReplaceButton::FindNext)
            return model.findNext(fields.findWhat, options);
        if (button == ReplaceButton::Replace)
            return model.replace(fields.findWhat, options, fields.replaceWith);
        return model.replaceAll(fields.findWhat, options, fields.replaceWith);
    }
    case 29:
        key(window, functionKey(3));
        return model.findAgain();
    case 30:
        key(window, functionKey(8), maybeShift(picker));
        return model.f8();
    case 31:
        key(window, KeyCode::Escape);
        return model.escape();
    case 32:
    case 33: { // the conversions, taken from the command palette
        const bool toSpaces = which == 32;
        window.host.listAnswers.push_back({toSpaces ? u"columns to spaces" : u"spaces to columns"});
        key(window, letterKey('P'), ShiftMask::Ctrl | ShiftMask::Shift);
        return model.convert(toSpaces);
    }
    case 34:
        if (model.clipboard.size() > 200)
            window.host.clipboard = model.clipboard = picker.oneOf(clipboardTexts);
        key(window, letterKey('V'), ShiftMask::Ctrl | ShiftMask::Shift);
        return model.pasteAsColumns();
    default:
        return pointAndClick(window, model, picker);
    }
}

// Long random sequences of every key, the design's and the editing commands, the Find and
// Replace dialog's buttons and the conversions taken from the command palette, on random
// files: after each, the window's text, cursor, selection, clipboard, beeps and modified state
// are the model's. A run that dies then is recovered exactly from its journal; and undoing
// everything gives back the text as loaded, redoing everything the text as left.
TEST(EditorModel, RandomKeysMatchAPlainStringWithSelectionClipboardAndHistory) {
    Picker picker(20240704);
    for (int round = 0; round < 40; ++round) {
        const TempFolder folder;
        const std::u16string file =
            folder.put("doc.txt", modLocale::textToBytes(randomText(picker, picker.pick(0, 40)),
                                                         modLocale::codePageUtf8));
        const auto recovering = [&](HeadlessHost& host) {
            host.recoveryFolderPath = folder.path("recovery");
            host.okCancel = {true};
        };
        Window window(file, recovering);
        Model model;
        model.text = modelOf(window.box());
        const std::u16string loaded = window.text();
        const std::u16string loadedModel = model.text;
        for (int step = 0; step < 500; ++step) {
            act(window, model, picker, folder, picker.pick(0, 35));
            if (picker.pick(0, 3) == 0)
                window.settle();
            ASSERT_TRUE(matches(window, model)) << "round " << round << " step " << step;
        }
        for (int tick = 0; tick < 150; ++tick) // a pause writes the journal; then a crash
            window.form.onTick();
        // Unmodified, there is nothing to offer: the file holds the text.
        const bool modified = model.revision != model.savedRevision;
        Window restarted(file, recovering);
        EXPECT_EQ(restarted.host.questions.size(), modified ? 1u : 0u) << "round " << round;
        if (modified)
            EXPECT_EQ(modelOf(restarted.box()), model.text) << "round " << round;
        else
            EXPECT_EQ(modLocale::bytesToText(folder.contents("doc.txt"), modLocale::codePageUtf8),
                      savedOf(model.text))
                << "round " << round;

        const std::u16string finalModel = model.text;
        for (size_t k = model.steps(); k > 0; --k)
            key(window, letterKey('Z'), ShiftMask::Ctrl);
        EXPECT_EQ(window.text(), loaded) << "round " << round;
        EXPECT_EQ(modelOf(window.box()), loadedModel) << "round " << round;
        for (size_t k = model.steps(); k > 0; --k)
            key(window, letterKey('Y'), ShiftMask::Ctrl);
        EXPECT_EQ(modelOf(window.box()), finalModel) << "round " << round;
    }
}

// Files indented with spaces, tabs or both, edited where the indentation is: each tab keeps
// the form it was read in or given, and every save writes the model's text.
TEST(EditorModel, IndentationKeepsItsFormThroughEditsUndoAndRedo) {
    Picker picker(20250311);
    const std::vector<std::u16string> indents = {u"",         u"    ",   u"\t",
                                                 u"        ", u"    \t", u"  "};
    const std::vector<std::u16string> texts = {u"", u"x", u"if (a)\tb", u"    c", u"{"};
    // type, Tab, Enter, Backspace, Delete, Home, End, up or down, undo, redo, cut, paste,
    // another clipboard, save, both conversions, paste as columns, click
    const std::vector<int32_t> actions = {0,  5,  5,  6,  6,  7,  7,  8,  11, 12, 14,
                                          15, 17, 21, 22, 23, 24, 26, 27, 28, 29, 29};
    for (int round = 0; round < 40; ++round) {
        std::u16string text;
        for (int32_t l = picker.pick(1, 8); l > 0; --l)
            text += picker.oneOf(indents) + picker.oneOf(texts) + (l > 1 ? u"\n" : u"");
        const TempFolder folder;
        Window window(folder.put("doc.txt", modLocale::textToBytes(text, modLocale::codePageUtf8)));
        Model model;
        model.text = modelOf(window.box());
        ASSERT_EQ(savedOf(model.text), text);
        for (int step = 0; step < 200; ++step) {
            act(window, model, picker, folder, picker.oneOf(actions));
            ASSERT_TRUE(matches(window, model)) << "round " << round << " step " << step;
        }
        window.save();
        model.saved();
        EXPECT_EQ(modLocale::bytesToText(folder.contents("doc.txt"), modLocale::codePageUtf8),
                  savedOf(model.text))
            << "round " << round;
    }
}

// Saved through the window, an edit changes its own line only, and new indentation is
// written as the indentation around it.
TEST(IndentationForms, SavedFilesChangeOnlyWhereEdited) {
    using Keys = std::vector<std::pair<KeyCode, ShiftMask>>;
    struct Row {
        const char* what;
        std::string file;
        Keys keys;
        std::u16string typed; // after the keys
        std::string saved;
    };
    constexpr ShiftMask none = ShiftMask::None, ctrl = ShiftMask::Ctrl;
    const Keys textEnd = {{KeyCode::End, ctrl}};
    const Keys newSecondLine = {
        {KeyCode::Home, ctrl}, {KeyCode::Down, none}, {KeyCode::End, none}, {KeyCode::Enter, none}};
    const Keys tabBeforeLastText = {
        {KeyCode::End, ctrl}, {KeyCode::Home, none}, {KeyCode::Tab, none}};
    const Keys backspaceBeforeText = {
        {KeyCode::End, none}, {KeyCode::Home, none}, {KeyCode::Backspace, none}};
    const std::vector<Row> rows = {
        {"typed on the last line", "top\n    four\n        eight\n    last", textEnd, u"!",
         "top\n    four\n        eight\n    last!"},
        {"Enter after spaces", "x\n        y\n", newSecondLine, u"z",
         "x\n        y\r\n        z\n"},
        {"Enter after tabs", "x\n\t\ty\n", newSecondLine, u"z", "x\n\t\ty\r\n\t\tz\n"},
        {"Tab after spaces", "a\n    b", tabBeforeLastText, u"", "a\n        b"},
        {"Tab under spaces", "    a\nb", tabBeforeLastText, u"", "    a\n    b"},
        {"Tab under a tab", "\ta\nb", tabBeforeLastText, u"", "\ta\n\tb"},
        {"Tab after text", "    a", {{KeyCode::End, none}, {KeyCode::Tab, none}}, u"", "    a\t"},
        {"Backspace in spaces", "        a", backspaceBeforeText, u"", "    a"},
        {"typed in the indentation", "        a", {{KeyCode::Right, none}}, u"#", "    #\ta"},
    };
    for (const Row& row : rows) {
        const TempFolder folder;
        Window window(folder.put("f.txt", row.file));
        for (const auto& [code, shift] : row.keys)
            key(window, code, shift);
        window.type(row.typed);
        window.save();
        EXPECT_EQ(folder.contents("f.txt"), row.saved) << row.what;
        EXPECT_TRUE(window.host.errors.empty()) << row.what;
    }
}

// Nothing selected, copy and cut ask nothing of the clipboard; an empty clipboard pastes
// nothing; a clipboard that will not open is told, and cut then removes nothing.
TEST(ClipboardCommands, DoNothingWithoutTextAndLoseNothingWhenItFails) {
    Window window;
    window.box().loadtext(u"keep");
    window.settle();
    key(window, letterKey('C'), ShiftMask::Ctrl);
    key(window, letterKey('X'), ShiftMask::Ctrl);
    key(window, letterKey('C'), ShiftMask::Ctrl | ShiftMask::Shift);
    key(window, letterKey('V'), ShiftMask::Ctrl);
    EXPECT_TRUE(window.host.clipboardWrites.empty());
    EXPECT_EQ(window.text(), u"keep");
    key(window, KeyCode::A, ShiftMask::Ctrl);
    window.host.clipboardFails = true;
    key(window, letterKey('X'), ShiftMask::Ctrl);
    key(window, letterKey('V'), ShiftMask::Ctrl);
    EXPECT_EQ(window.text(), u"keep");
    EXPECT_EQ(window.host.errors.size(), 2u);
    EXPECT_TRUE(selectedRange(window.box()));
}

// Pasting a long text lands the cursor after it, with the view following; copying it as
// aligned spaces lines its columns up.
TEST(ClipboardCommands, PasteEndsAfterThePastedTextInView) {
    Window window;
    window.box().loadtext(u"[]");
    window.settle();
    key(window, KeyCode::Right);
    window.host.clipboard = manyLines(40) + u"a\tb";
    key(window, letterKey('V'), ShiftMask::Ctrl);
    EXPECT_EQ(window.text(), u"[" + manyLines(40) + u"a\tb]");
    EXPECT_EQ(window.box().cursor, (CLPos{40, 1, 1}));
    window.settle();
    EXPECT_GT(window.box().scrY, 0);
    window.form.onKeyDown(KeyCode::A, ShiftMask::Ctrl);
    key(window, letterKey('C'), ShiftMask::Ctrl | ShiftMask::Shift);
    EXPECT_EQ(window.host.clipboard, u"[" + manyLines(40) + u"a   b]");
}

} // namespace
