// Arbitrary UTF-16 text through loading, layout and extraction on the headless surface; a
// seed holds a line long enough to be measured in pieces.
#include "fuzz/BoxInvariants.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    const std::u16string text = in.text(size / 2);
    HeadlessSurface surface(320, 200, 7.5, 16);
    CLBox box;
    box.bind(surface);
    box.loadtext(text);
    // Lines are read before they are made, as saving and find read them, and after; either
    // way the text comes back exactly.
    FUZZ_CHECK(box.gettext() == text);
    const auto lineCount = static_cast<size_t>(box.lines.size());
    std::vector<std::vector<std::u16string_view>> unmadeCells(lineCount);
    std::vector<std::vector<IndentForm>> unmadeForms(lineCount);
    for (size_t l = 0; l < lineCount; ++l)
        box.cellTexts(static_cast<int32_t>(l), unmadeCells[l], unmadeForms[l]);
    box.updateWidth(0, box.lines.size());
    fuzzcheck::checkDocument(box, surface);
    FUZZ_CHECK(box.gettext() == text);
    for (size_t l = 0; l < lineCount; ++l) {
        std::vector<std::u16string_view> cells;
        std::vector<IndentForm> forms;
        box.cellTexts(static_cast<int32_t>(l), cells, forms);
        FUZZ_CHECK(cells == unmadeCells[l]);
        FUZZ_CHECK(forms == unmadeForms[l]);
    }
    box.render();
    return 0;
}
