#include "window/frmEditor.h"

#include "support/EngineError.h"
#include "support/Rounding.h"
#include "support/modLocale.h"
#include "window/WindowDesign.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

// The number its leading numeric characters spell ("12abc" is 12); 0 without digits.
double leadingNumber(std::u16string_view answer) {
    size_t at = answer.find_first_not_of(u" \t");
    std::string digits;
    if (at != std::u16string_view::npos && (answer[at] == u'-' || answer[at] == u'+'))
        digits.push_back(static_cast<char>(answer[at++]));
    bool seenPoint = false;
    for (; at < answer.size(); ++at) {
        const char16_t c = answer[at];
        const bool point = c == u'.' && !seenPoint;
        if (!point && (c < u'0' || c > u'9'))
            break;
        seenPoint = seenPoint || point;
        digits.push_back(static_cast<char>(c));
    }
    const size_t sign = !digits.empty() && digits.front() == '+' ? 1 : 0;
    double value = 0.0;
    std::from_chars(digits.data() + sign, digits.data() + digits.size(), value);
    return value;
}

// The shortest text that reads back as the same size: 9 as "9", 10.5 as "10.5". Sizes
// pass through the box's single-precision cache, so a double would show 14.199999809265137.
std::u16string sizeText(float value) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return {buffer.data(), end};
}

// A step of the font change whose failure leaves the old value and lets the next run.
template <class Step> void ignoringErrors(Step&& step) {
    try {
        step();
    } catch (const std::exception&) { // EngineError is one
    }
}

// What the user asked for and why the surface would not take it, for the one message
// after all the steps.
std::u16string refusal(std::u16string_view what, std::u16string_view answer, const char* reason) {
    return u"The " + std::u16string(what) + u" \"" + std::u16string(answer) +
           u"\" cannot be used: " + modLocale::bytesToText(reason, modLocale::codePageUtf8) + u".";
}

std::u16string joinedLines(const std::vector<std::u16string>& lines) {
    std::u16string joined;
    for (const std::u16string& line : lines)
        joined += (joined.empty() ? u"" : u"\n") + line;
    return joined;
}

} // namespace

// The view does not follow a click: the cursor goes where the text is shown now. The
// button held, the selection then follows the pointer from there.
void frmEditor::onMouseDown(MouseButton button, ShiftMask, double x, double y) {
    if (button == MouseButton::Left)
        handle([&] { placeCursor(x, y); });
}

void frmEditor::placeCursor(double x, double y) {
    const CursorPlace before = cursorPlace();
    dragAnchor.reset();
    guarded(u"placing the cursor", [&] {
        CLBox& b = box();
        clearSelection(b);
        b.cursor = b.XYscrmovToPos(roundToPixel(x), roundToPixel(y), false);
        dragAnchor = b.cursor;
        pointerX = x;
        pointerY = y;
    });
    endRunIfMoved(before);
    draw();
}

void frmEditor::onMouseMove(MouseButton held, ShiftMask, double x, double y) {
    if (!dragAnchor)
        return;
    if (held != MouseButton::Left) { // released where no release reached the window
        dragAnchor.reset();
        return;
    }
    handle([&] { dragTo(x, y); });
}

// The selection runs from where the button went down to the text under the pointer; near
// an edge of the view, or past it, to the text beyond that edge, which the view follows.
void frmEditor::dragTo(double x, double y) {
    CLBox& b = box();
    const CursorPlace before = cursorPlace();
    pointerX = x;
    pointerY = y;
    guarded(u"selecting", [&] {
        const double margin = std::max(1, b.lineHeight / 2);
        const double beyondY = y < margin                   ? y - b.lineHeight
                               : y >= b.viewHeight - margin ? y + b.lineHeight
                                                            : y;
        const double beyondX = x < 0 ? x - b.spaceWidth : x >= b.viewWidth ? x + b.spaceWidth : x;
        setSelection(b, *dragAnchor,
                     b.XYscrmovToPos(roundToPixel(beyondX), roundToPixel(beyondY), false));
        if (beyondX != x || beyondY != y)
            b.viewFollow(b.cursor);
    });
    if (cursorPlace() != before) {
        history.breakRun();
        drawUnlessMoving();
    }
}

// While the pointer rests near an edge during a drag, the view goes on following it.
void frmEditor::followPointer() {
    if (dragAnchor)
        dragTo(pointerX, pointerY);
}

void frmEditor::onDoubleClick(MouseButton button, ShiftMask, double x, double y) {
    if (button == MouseButton::Left)
        handle([&] { selectWord(x, y); });
}

// The word under the pointer: the character it is on decides, not the nearest boundary.
void frmEditor::selectWord(double x, double y) {
    const CursorPlace before = cursorPlace();
    dragAnchor.reset();
    guarded(u"selecting", [&] {
        CLBox& b = box();
        const int32_t viewX = roundToPixel(x);
        const CLPos at = b.XYscrmovToPos(viewX, roundToPixel(y), false);
        const Side side = viewX < b.posToXYScrmov(at).x ? Side::Before : Side::After;
        const TextRange word = wordAt(b, at, side);
        setSelection(b, word.start, word.end);
    });
    endRunIfMoved(before);
    draw();
}

void frmEditor::onMouseUp(MouseButton button, ShiftMask, double, double) {
    if (button == MouseButton::Left)
        dragAnchor.reset();
    if (button == MouseButton::Right)
        handle([&] { changeFont(); });
}

// Every step runs even when one before it failed, so the text is always laid out again;
// what was refused is told once, at the end. A font in which the text would be too tall
// or wide to lay out is taken back.
void frmEditor::changeFont() {
    CLBox& b = box();
    const CursorPlace before = cursorPlace();
    clearSelection(b); // a click, this one too, ends the selection
    endRunIfMoved(before);
    Surface& surface = host.picture();
    const std::u16string previousName = surface.fontName();
    const double previousSize = surface.fontSize();
    std::vector<std::u16string> refused;
    const auto note = [&](std::optional<std::u16string> refusal) {
        if (refusal)
            refused.push_back(std::move(*refusal));
    };
    ignoringErrors([&] { surface.setFontBold(false); });
    ignoringErrors([&] { surface.setFontItalic(false); });
    ignoringErrors([&] { surface.setFontStrikethrough(false); });
    ignoringErrors([&] { note(askFontName(surface)); });
    ignoringErrors([&] { note(askFontSize(surface)); });
    if (layOutAgain(b) == Layout::Refused) {
        ignoringErrors([&] { surface.setFontName(previousName); });
        ignoringErrors([&] { surface.setFontSize(previousSize); });
        layOutAgain(b);
        refused.emplace_back(
            u"The text is too large to lay out in that font; the font stays as it was.");
    }
    if (!refused.empty())
        report(joinedLines(refused));
}

frmEditor::Layout frmEditor::layOutAgain(CLBox& b) {
    Layout result = Layout::Done;
    const auto step = [&](auto&& run) {
        try {
            run();
        } catch (const EngineError& e) {
            result = e.number == ErrorNumber::Overflow ? Layout::Refused : result;
        } catch (const std::exception&) {
        }
    };
    step([&] { b.updateCache(); });
    step([&] { b.updateHeight(0, b.lines.size()); });
    step([&] { b.updateInnerWidth(0, b.lines.size()); });
    step([&] { b.render(); });
    return result;
}

// The refusal, if the surface would not take the name.
std::optional<std::u16string> frmEditor::askFontName(Surface& surface) {
    const std::u16string name =
        host.inputBox(u"font name:", std::u16string(windowDesign::promptTitle), surface.fontName());
    if (name.empty())
        return std::nullopt;
    try {
        surface.setFontName(name);
    } catch (const std::exception& e) {
        return refusal(u"font", name, e.what());
    }
    return std::nullopt;
}

// A size that is not positive (letters only give 0) is refused, as the platforms would.
std::optional<std::u16string> frmEditor::askFontSize(Surface& surface) {
    const std::u16string answer =
        host.inputBox(u"font size:", std::u16string(windowDesign::promptTitle),
                      sizeText(static_cast<float>(surface.fontSize())));
    if (answer.empty())
        return std::nullopt;
    const double size = leadingNumber(answer);
    if (!(size > 0))
        return refusal(u"font size", answer, "it is not a positive number");
    try {
        surface.setFontSize(size);
    } catch (const std::exception& e) {
        return refusal(u"font size", answer, e.what());
    }
    return std::nullopt;
}
