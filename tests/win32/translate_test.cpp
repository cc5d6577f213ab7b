#include "platform/win32/translate.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

TEST(CommandLineTail, DropsTheProgramNameAndTheBlanksAfterIt) {
    struct Row {
        std::u16string commandLine, tail;
    };
    const Row rows[] = {
        {u"", u""},
        {u"columnator.exe", u""},
        {u"\"C:\\Program Files\\columnator.exe\"", u""},
        {u"columnator.exe notes.txt", u"notes.txt"},
        {u"\"C:\\Program Files\\columnator.exe\" notes.txt", u"notes.txt"},
        {u"columnator.exe   \t \"C:\\my notes.txt\"", u"\"C:\\my notes.txt\""},
        {u"columnator.exe a b  ", u"a b  "},               // the rest is kept whole
        {u"\"C:\\x\\columnator.exe\"glued rest", u"rest"}, // a quoted name runs to a blank
        {u"\"C:\\never closed.exe notes.txt", u""},        // an open quote takes everything
        {u"columnator.exe \"C:\\only opened", u"\"C:\\only opened"},
        {u"c.exe \xD83D\xDE00.txt", u"\xD83D\xDE00.txt"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(commandLineTail(row.commandLine), row.tail)
            << std::string(row.commandLine.begin(), row.commandLine.end());
}

// AltGr arrives as the left Ctrl with the right Alt; it is no Ctrl, so AltGr+S types a
// character instead of saving. A Ctrl the user pressed still counts.
TEST(ShiftMaskOf, AltGrIsNotCtrl) {
    struct Row {
        ModifierKeys held;
        ShiftMask mask;
    };
    const Row rows[] = {
        {{}, ShiftMask::None},
        {{.shift = true}, ShiftMask::Shift},
        {{.leftCtrl = true}, ShiftMask::Ctrl},
        {{.rightCtrl = true}, ShiftMask::Ctrl},
        {{.leftAlt = true}, ShiftMask::Alt},
        {{.leftCtrl = true, .rightAlt = true}, ShiftMask::Alt}, // AltGr
        {{.shift = true, .leftCtrl = true, .rightAlt = true}, ShiftMask::Shift | ShiftMask::Alt},
        {{.rightCtrl = true, .rightAlt = true}, ShiftMask::Ctrl | ShiftMask::Alt},
        {{.leftCtrl = true, .leftAlt = true}, ShiftMask::Ctrl | ShiftMask::Alt},
        {{.leftCtrl = true, .rightCtrl = true, .rightAlt = true}, ShiftMask::Ctrl | ShiftMask::Alt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(shiftMaskOf(row.held), row.mask)
            << row.held.shift << row.held.leftCtrl << row.held.rightCtrl << row.held.leftAlt
            << row.held.rightAlt;
}

// Random presses and releases of the six modifier keys, and of others, as Windows reports
// them (the generic key, the right Shift by its scan code, the right Ctrl and Alt marked
// extended), against the set of keys held; a new focus starts again from the keyboard.
TEST(HeldModifiers, FollowTheKeysAsTheKeyboardHoldsThem) {
    struct Key {
        uint32_t virtualKey, keyData, sidedKey; // sidedKey: its place in the keyboard's state
    };
    const Key keys[] = {{0x10, 0x2A << 16, 0xA0}, {0x10, 0x36 << 16, 0xA1},
                        {0x11, 0x1D << 16, 0xA2}, {0x11, 0x1D << 16 | 1 << 24, 0xA3},
                        {0x12, 0x38 << 16, 0xA4}, {0x12, 0x38 << 16 | 1 << 24, 0xA5},
                        {'S', 0x1F << 16, 'S'}};
    std::mt19937 engine(31);
    HeldModifiers tracked;
    std::array<uint8_t, 256> keyboard{};
    for (int step = 0; step < 2000; ++step) {
        const Key& key = keys[engine() % std::size(keys)];
        const bool down = engine() % 2 == 0;
        keyboard[key.sidedKey] = down ? 0x80 : 0;
        if (engine() % 50 == 0)
            tracked.startFrom(keyboard);
        else
            tracked.onKey(key.virtualKey, key.keyData, down);
        const ModifierKeys held = tracked.held();
        ASSERT_EQ(held.shift, keyboard[0xA0] != 0 || keyboard[0xA1] != 0) << "step " << step;
        ASSERT_EQ(held.leftCtrl, keyboard[0xA2] != 0) << "step " << step;
        ASSERT_EQ(held.rightCtrl, keyboard[0xA3] != 0) << "step " << step;
        ASSERT_EQ(held.leftAlt, keyboard[0xA4] != 0) << "step " << step;
        ASSERT_EQ(held.rightAlt, keyboard[0xA5] != 0) << "step " << step;
    }
}

// The model: a unit sequence read the obvious way, a high surrogate followed by a
// low one making one character and every other unit standing for itself.
std::u32string naiveDecode(const std::u16string& units) {
    std::u32string out;
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            out +=
                static_cast<char32_t>(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            out += unit;
        }
    }
    return out;
}

TEST(SurrogateJoiner, RandomUnitStreamsMatchNaiveDecoding) {
    std::mt19937 generator(8);
    const char16_t interesting[] = {u'a',   u'\t',  0x00E9, 0xD800, 0xDBFF, 0xD83D,
                                    0xDC00, 0xDE00, 0xDFFF, 0xFFFD, 0xFFFF};
    std::uniform_int_distribution<size_t> pickUnit(0, std::size(interesting) - 1);
    std::uniform_int_distribution<int> pickLength(0, 12);
    for (int round = 0; round < 2000; ++round) {
        std::u16string units;
        for (int n = pickLength(generator); n > 0; --n)
            units += interesting[pickUnit(generator)];
        units += u'.'; // lets a trailing high surrogate out
        SurrogateJoiner joiner;
        std::u32string typed;
        for (const char16_t unit : units)
            typed += joiner.feed(unit);
        ASSERT_EQ(typed, naiveDecode(units)) << "round " << round;
    }
}

// The vertical wheel turned towards the user scrolls down, the horizontal one tilted right
// scrolls right; the largest lines setting is a page a notch.
TEST(WheelTurnOf, BothWheelsCountTowardsTheEndOfTheText) {
    const WheelTurn down = wheelTurnOf(false, -120, 3);
    EXPECT_EQ(down.notchesY, wheelNotch);
    EXPECT_EQ(down.notchesX, 0);
    EXPECT_EQ(down.linesPerNotch, 3);
    const WheelTurn right = wheelTurnOf(true, 40, 7); // a third of a notch
    EXPECT_EQ(right.notchesX, 40);
    EXPECT_EQ(right.notchesY, 0);
    EXPECT_EQ(right.linesPerNotch, 7);
    EXPECT_EQ(wheelTurnOf(false, 120, 0xFFFFFFFF).linesPerNotch, wheelScrollsPages);
    EXPECT_EQ(wheelTurnOf(false, 120, 0x80000000).linesPerNotch, INT32_MAX);
}

} // namespace
