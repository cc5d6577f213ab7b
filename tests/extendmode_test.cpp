#include "textbox/selection.h"
#include "textbox/textrange.h"

#include "tests/support/HeadlessWindow.h"

#include "randomtext.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Window = HeadlessWindow;

struct MoveKey {
    KeyCode key;
    ShiftMask shift;
};
const std::vector<MoveKey> moveKeys = {
    {KeyCode::Right, ShiftMask::None},  {KeyCode::Left, ShiftMask::None},
    {KeyCode::Up, ShiftMask::None},     {KeyCode::Down, ShiftMask::Shift},
    {KeyCode::Home, ShiftMask::None},   {KeyCode::End, ShiftMask::Shift},
    {KeyCode::Home, ShiftMask::Ctrl},   {KeyCode::End, ShiftMask::Ctrl},
    {KeyCode::PageUp, ShiftMask::None}, {KeyCode::PageDown, ShiftMask::None},
    {letterKey('G'), ShiftMask::Ctrl}, // answered with a line number, or cancelled
};
const std::vector<std::u16string> lineAnswers = {u"1", u"2", u"5", u"99", u"0", u""};

CLPos placeOf(const CLPos& pos) {
    return {pos.yLine, pos.xTab, pos.xChar};
}

std::optional<TextRange> rangeBetween(const CLPos& anchor, const CLPos& cursor) {
    const CLPos at = placeOf(cursor);
    if (samePlace(anchor, at))
        return std::nullopt;
    return isBefore(anchor, at) ? TextRange{anchor, at} : TextRange{at, anchor};
}

// Two windows on one random text take the same random moves, and one of them F8 and
// Escape now and then: the cursor, its remembered x, the beeps and the view are the same
// in both, and in extend mode the selection runs from where F8 was pressed to the cursor.
// Turned off, the mode leaves its selection until the next move; the caption tells it.
TEST(ExtendMode, MovesGoAsWithoutItAndSelectFromTheAnchor) {
    Picker picker(20250627);
    for (int round = 0; round < 30; ++round) {
        const std::u16string text = randomText(picker, picker.pick(0, 120));
        Window plain, extending;
        for (Window* window : {&plain, &extending}) {
            window->box().loadtext(text);
            window->settle();
        }
        std::optional<CLPos> anchor;
        std::optional<TextRange> expected;
        for (int step = 0; step < 300; ++step) {
            const int32_t pick = picker.pick(0, 14);
            if (pick == 0) {
                anchor = anchor ? std::nullopt : std::optional(placeOf(extending.box().cursor));
                if (anchor)
                    expected.reset();
                extending.form.onKeyDown(functionKey(8), ShiftMask::None);
            } else if (pick == 1) {
                anchor.reset();
                extending.form.onKeyDown(KeyCode::Escape, ShiftMask::None);
            } else {
                const MoveKey& move = picker.oneOf(moveKeys);
                const std::u16string& answer = picker.oneOf(lineAnswers);
                for (Window* window : {&plain, &extending}) {
                    window->host.answers = {answer};
                    window->form.onKeyDown(move.key, move.shift);
                }
                const bool cancelled =
                    move.key == letterKey('G') && (answer == u"" || answer == u"0");
                if (!cancelled) // a Ctrl+G cancelled moves nothing, and leaves the selection
                    expected =
                        anchor ? rangeBetween(*anchor, extending.box().cursor) : std::nullopt;
            }
            if (picker.pick(0, 2) == 0) {
                plain.settle();
                extending.settle();
            }
            const std::string where =
                "round " + std::to_string(round) + " step " + std::to_string(step);
            ASSERT_EQ(extending.box().cursor, plain.box().cursor) << where;
            ASSERT_EQ(extending.host.surface.beeps, plain.host.surface.beeps) << where;
            ASSERT_EQ(extending.box().scrY, plain.box().scrY) << where;
            ASSERT_EQ(extending.box().scrX, plain.box().scrX) << where;
            ASSERT_EQ(selectedRange(extending.box()), expected) << where;
            ASSERT_EQ(extending.host.caption().ends_with(u"Columnator - extending"),
                      anchor.has_value())
                << where;
            ASSERT_TRUE(extending.host.errors.empty()) << where;
        }
    }
}

} // namespace
