// Arbitrary UTF-16 text through loading, layout and extraction on the headless surface.
#include "support/Rounding.h"
#include "textbox/CLBox.h"
#include "textbox/HeadlessSurface.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

// Each run of four leading spaces comes back as one tab; nothing else changes.
std::u16string expectedRoundTrip(const std::u16string& text) {
    std::u16string out;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(u'\n', start);
        const std::u16string line =
            text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
        const size_t spaces = std::min(line.find_first_not_of(u' '), line.size());
        out.append(spaces / 4, u'\t');
        out += line.substr(spaces / 4 * 4);
        if (end == std::u16string::npos)
            return out;
        out += u'\n';
        start = end + 1;
    }
}

void checkLayout(CLBox& box, HeadlessSurface& surface) {
    check(box.lines.size() >= 1);
    for (int32_t l = 0; l < box.lines.size(); ++l) {
        const CLLine& line = *box.lines.at(l);
        check(line.tabs.size() >= 1);
        check(box.lines.wei(l) == line.height);
        for (int32_t i = 0; i < line.tabs.size(); ++i) {
            const CLTab& cell = *line.tabs.at(i);
            check(line.tabs.wei(i) == cell.width);
            check(cell.text.find(u'\t') == std::u16string::npos);
            check(cell.text.find(u'\n') == std::u16string::npos);
            check(cell.innerWidth == roundToPixel(surface.textWidth(cell.text)));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t k = 0; k + 1 < size; k += 2) {
        // Map the bytes onto a small alphabet most of the time, so that tabs, line
        // breaks, spaces and surrogates meet often; the rest of the time, any unit.
        const auto unit = static_cast<char16_t>(data[k] | (data[k + 1] << 8));
        static const char16_t alphabet[] = {u'\t', u'\n',  u'\r',  u' ',      u'a', u'}',
                                            u';',  0xD83D, 0xDE00, u'\u00e9', u'x', u' '};
        text += data[k + 1] >= 0xF0 ? unit : alphabet[data[k] % std::size(alphabet)];
    }
    HeadlessSurface surface(320, 200, 7.5, 16);
    CLBox box;
    box.bind(surface);
    box.loadtext(text);
    box.updateWidth(0, box.lines.size());
    checkLayout(box, surface);
    check(box.gettext() == expectedRoundTrip(text));
    box.render();
    return 0;
}
