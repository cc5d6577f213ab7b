#include "window/FontPrompt.h"

#include "support/EngineError.h"
#include "support/modLocale.h"
#include "window/WindowDesign.h"

#include <array>
#include <charconv>
#include <exception>
#include <stdexcept>
#include <string_view>
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

// The refusal, if the surface would not take the name.
std::optional<std::u16string> askFontName(Host& host, Surface& surface) {
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
std::optional<std::u16string> askFontSize(Host& host, Surface& surface) {
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

} // namespace

std::optional<std::u16string> changeFontByPrompts(Host& host, CLBox& box) {
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
    ignoringErrors([&] { note(askFontName(host, surface)); });
    ignoringErrors([&] { note(askFontSize(host, surface)); });
    if (layOutAgain(box) == Layout::Refused) {
        ignoringErrors([&] { surface.setFontName(previousName); });
        ignoringErrors([&] { surface.setFontSize(previousSize); });
        layOutAgain(box);
        refused.emplace_back(
            u"The text is too large to lay out in that font; the font stays as it was.");
    }
    if (refused.empty())
        return std::nullopt;
    return joinedLines(refused);
}

Layout layOutAgain(CLBox& box, const std::function<void()>& beforeDrawing) {
    Layout result = Layout::Done;
    const auto step = [&](auto&& run) {
        try {
            run();
        } catch (const EngineError& e) {
            result = e.number == ErrorNumber::Overflow ? Layout::Refused : result;
        } catch (const std::exception&) {
        }
    };
    step([&] { box.updateCache(); });
    step([&] { box.updateHeight(0, box.lines.size()); });
    step([&] { box.updateInnerWidth(0, box.lines.size()); });
    if (beforeDrawing)
        step(beforeDrawing);
    step([&] { box.render(); });
    return result;
}
