// Arbitrary UTF-16 text through loading, layout and extraction on the headless surface.
#include "fuzz/BoxInvariants.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/HeadlessSurface.h"
#include "textbox/CLBox.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    const std::u16string text = in.text(size / 2);
    HeadlessSurface surface(320, 200, 7.5, 16);
    CLBox box;
    box.bind(surface);
    box.loadtext(text);
    box.updateWidth(0, box.lines.size());
    fuzzcheck::checkDocument(box, surface);
    FUZZ_CHECK(box.gettext() == fuzzcheck::expectedRoundTrip(text));
    box.render();
    return 0;
}
