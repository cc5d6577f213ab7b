// A start text, then key downs (the editing commands among them, F8's extend mode and the
// keys of a block of cells), key presses of any code, clicks, drags (with Alt, of blocks),
// double clicks, clipboard texts, font changes, resizes, close requests, wheel turns, finds,
// goes to lines, Find and Replace's buttons, commands from the palette and ticks, all through
// the window on a headless host; after every event the cursor and the selection, of text or
// of a block, stand inside the document and the document's layout is consistent.
#include "fuzz/BoxInvariants.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/HeadlessHost.h"
#include "window/WindowDesign.h"
#include "window/frmEditor.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace {

// A glide covers three tenths of the way per tick, so even a full 32-bit jump
// arrives in well under this many.
constexpr int settleTicks = 200;
constexpr int maximumEvents = 400;

constexpr std::array<KeyCode, 22> keys = {
    KeyCode::Backspace, KeyCode::Tab,   KeyCode::Enter,  KeyCode::PageUp, KeyCode::PageDown,
    KeyCode::End,       KeyCode::Home,  KeyCode::Left,   KeyCode::Up,     KeyCode::Right,
    KeyCode::Down,      KeyCode::S,     KeyCode::Delete, KeyCode::None,   KeyCode::A,
    letterKey('Z'),     letterKey('Y'), letterKey('C'),  letterKey('X'),  letterKey('V'),
    functionKey(8),     KeyCode::Escape};

constexpr std::array<char32_t, 12> codes = {u'a',   u' ',   u'}',    0xE9,   0xD83D,   0xDE00,
                                            0xDBFF, 0xDC00, 0x1F600, 0xFFFF, 0x10FFFF, 0x110000};

const std::array<std::u16string, 12> sizeAnswers = {
    u"", u"0", u"-3", u"1", u"9", u"24", u"0.01", u"7.3", u"99999999999", u"abc", u"2e9", u"+12"};

KeyCode keyFrom(Reader& in) {
    const int32_t pick = in.byte();
    return pick < 240 ? keys[static_cast<size_t>(pick) % keys.size()]
                      : static_cast<KeyCode>(in.byte());
}

char32_t codeFrom(Reader& in) {
    const int32_t pick = in.byte();
    return pick < 200 ? codes[static_cast<size_t>(pick) % codes.size()]
                      : static_cast<char32_t>(in.word());
}

// Mostly inside a window of the size the host starts with, sometimes anywhere at all.
double coordinateFrom(Reader& in) {
    const int32_t pick = in.byte();
    if (pick < 224)
        return in.upTo(600) - 100;
    switch (pick % 4) {
    case 0:
        return std::numeric_limits<double>::quiet_NaN();
    case 1:
        return std::numeric_limits<double>::infinity();
    case 2:
        return -1e300;
    default:
        return static_cast<int32_t>(in.word());
    }
}

void changeFont(frmEditor& form, HeadlessHost& host, Reader& in) {
    host.answers.clear();
    host.answers.push_back(in.text(static_cast<size_t>(in.upTo(3))));
    host.answers.push_back(sizeAnswers[static_cast<size_t>(in.byte()) % sizeAnswers.size()]);
    form.onMouseUp(MouseButton::Right, ShiftMask::None, 0, 0);
}

const std::array<std::u16string, 6> lineAnswers = {u"1", u"0", u"2", u"99999999999", u"-1", u"x"};
const std::array<int32_t, 5> linesPerNotch = {3, 0, wheelScrollsPages, 1000000000, -7};

void turnWheel(frmEditor& form, Reader& in) {
    WheelTurn turn;
    turn.notchesX = static_cast<int16_t>(in.word());
    turn.notchesY = static_cast<int16_t>(in.word());
    turn.pixelsX = in.byte() < 200 ? 0 : coordinateFrom(in);
    turn.pixelsY = in.byte() < 128 ? 0 : coordinateFrom(in);
    turn.linesPerNotch = linesPerNotch[static_cast<size_t>(in.byte()) % linesPerNotch.size()];
    form.onWheel(turn, static_cast<ShiftMask>(in.byte() % 8));
}

// Ctrl+F, F3, Shift+F3 or Ctrl+G, answered at random; sometimes a find so slow that it
// goes on at the ticks, and is stopped or overtaken by what comes next.
void findOrGoTo(frmEditor& form, HeadlessHost& host, Reader& in) {
    const int32_t pick = in.byte();
    host.answers = {pick % 4 == 3 ? lineAnswers[static_cast<size_t>(in.byte()) % lineAnswers.size()]
                                  : in.text(static_cast<size_t>(in.upTo(3)))};
    form.setFindPacing(pick % 8 < 4 ? FindSession::Pacing{}
                                    : FindSession::Pacing{std::chrono::milliseconds(0),
                                                          std::chrono::milliseconds(0), 3});
    switch (pick % 4) {
    case 0:
        return form.onKeyDown(letterKey('F'), ShiftMask::Ctrl);
    case 1:
        return form.onKeyDown(functionKey(3), ShiftMask::None);
    case 2:
        return form.onKeyDown(functionKey(3), ShiftMask::Shift);
    default:
        return form.onKeyDown(letterKey('G'), ShiftMask::Ctrl);
    }
}

// A button of Find and Replace with fields at random, or Ctrl+H; sometimes a Replace all so
// slow that it goes on at the ticks, and is stopped or overtaken by what comes next.
void replaceDialog(frmEditor& form, Reader& in) {
    const int32_t pick = in.byte();
    form.setFindPacing(pick % 8 < 4 ? FindSession::Pacing{}
                                    : FindSession::Pacing{std::chrono::milliseconds(0),
                                                          std::chrono::milliseconds(0), 3});
    if (pick % 5 == 4)
        return form.onKeyDown(letterKey('H'), ShiftMask::Ctrl);
    const ReplaceFields fields{in.text(static_cast<size_t>(in.upTo(3))),
                               in.text(static_cast<size_t>(in.upTo(5))), (pick & 8) != 0,
                               (pick & 16) != 0};
    form.onReplaceDialog({fields, static_cast<ReplaceButton>(pick % 4)});
}

// Ctrl+Shift+P, with a command typed (mostly a conversion, or pasting as columns), the
// choice moved and taken or not.
void usePalette(frmEditor& form, HeadlessHost& host, Reader& in) {
    static const std::array<std::u16string, 4> typed = {u"columns to spaces", u"spaces to columns",
                                                        u"paste as", u"o"};
    const int32_t pick = in.byte();
    host.listAnswers = {{pick % 8 < 6 ? typed[static_cast<size_t>(pick) % typed.size()]
                                      : in.text(static_cast<size_t>(in.upTo(3))),
                         in.upTo(3), pick % 16 != 15}};
    form.onKeyDown(letterKey('P'), ShiftMask::Ctrl | ShiftMask::Shift);
}

// A drag from one point to others, of text or (with Alt) of a block, released or not; or a
// double click.
void point(frmEditor& form, Reader& in) {
    const double x = coordinateFrom(in), y = coordinateFrom(in);
    const int32_t gesture = in.byte();
    if (gesture % 4 == 0)
        return form.onDoubleClick(MouseButton::Left, ShiftMask::None, x, y);
    const ShiftMask shift = gesture % 4 == 1 ? ShiftMask::Alt : ShiftMask::None;
    form.onMouseDown(MouseButton::Left, shift, x, y);
    for (int32_t move = in.upTo(3); move > 0; --move) {
        const double toX = coordinateFrom(in), toY = coordinateFrom(in);
        form.onMouseMove(MouseButton::Left, shift, toX, toY);
        form.onTick();
    }
    if (in.byte() % 2 == 0)
        form.onMouseUp(MouseButton::Left, shift, x, y);
}

void runEvent(frmEditor& form, HeadlessHost& host, Reader& in) {
    const int32_t kind = in.byte();
    if (kind >= 254) // the events added later, on bytes that older seeds rarely hold here
        return replaceDialog(form, in);
    if (kind >= 248)
        return kind % 2 == 0 ? turnWheel(form, in) : findOrGoTo(form, host, in);
    if (kind >= 244)
        return usePalette(form, host, in);
    switch (kind % 12) {
    case 0:
    case 1: {
        const KeyCode key = keyFrom(in);
        form.onKeyDown(key, static_cast<ShiftMask>(in.byte() % 8));
        break;
    }
    case 2:
    case 3:
        form.onKeyPress(codeFrom(in));
        break;
    case 4: {
        const double x = coordinateFrom(in), y = coordinateFrom(in);
        form.onMouseDown(MouseButton::Left, ShiftMask::None, x, y);
        break;
    }
    case 5:
        changeFont(form, host, in);
        break;
    case 6: {
        const int32_t width = in.upTo(255) * 8, height = in.upTo(255) * 8;
        form.onResize(width, height);
        break;
    }
    case 7: // answered at random; Save asks for a name, which is cancelled
        host.saveChoices = {static_cast<SaveChoice>(in.byte() % 3)};
        form.onClose();
        break;
    case 8:
        point(form, in);
        break;
    case 9:
        host.clipboard = in.text(static_cast<size_t>(in.upTo(12)));
        break;
    default:
        for (int32_t tick = in.upTo(7); tick >= 0; --tick)
            form.onTick();
        break;
    }
}

void checkWindow(frmEditor& form, HeadlessHost& host) {
    CLBox& box = form.box();
    fuzzcheck::checkPosition(box, box.cursor);
    if (box.selectionAnchor)
        fuzzcheck::checkPosition(box, *box.selectionAnchor);
    if (const std::optional<CellBlock>& block = box.selectedBlock) {
        FUZZ_CHECK(!box.selectionAnchor);
        FUZZ_CHECK(0 <= block->firstLine && block->firstLine <= block->lastLine);
        FUZZ_CHECK(block->lastLine < box.lines.size());
        FUZZ_CHECK(0 <= block->firstCell && block->firstCell <= block->lastCell);
    }
    FUZZ_CHECK(host.surface.fontSize() == static_cast<double>(box.fontSize));
    fuzzcheck::checkDocument(box, host.surface);
    // Every event is one a user can cause, so none may hit an index outside the document.
    for (const std::u16string& error : host.errors)
        FUZZ_CHECK(error.find(u"(error 9)") == std::u16string::npos);
    host.errors.clear();
    host.surface.calls.clear(); // a long run would otherwise keep every frame
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    HeadlessHost host;
    frmEditor form(host);
    form.onLoad(u"");
    form.onResize(windowDesign::startWidth, windowDesign::startHeight);
    form.box().loadtext(in.text(static_cast<size_t>(in.byte())));
    checkWindow(form, host);
    for (int event = 0; event < maximumEvents && !in.empty(); ++event) {
        runEvent(form, host, in);
        checkWindow(form, host);
    }
    // A button still held near an edge goes on scrolling, as it should; released, it stops.
    form.onMouseUp(MouseButton::Left, ShiftMask::None, 0, 0);
    for (int tick = 0; tick < settleTicks && form.box().moving; ++tick)
        form.onTick();
    FUZZ_CHECK(!form.box().moving);
    checkWindow(form, host);
    return 0;
}
