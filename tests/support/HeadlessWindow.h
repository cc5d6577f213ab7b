#pragma once

#include "tests/support/HeadlessHost.h"
#include "tests/support/HeadlessSurface.h"
#include "window/WindowDesign.h"
#include "window/frmEditor.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Lines of one "x" each, every one ended.
inline std::u16string manyLines(int count) {
    std::u16string text;
    for (int k = 0; k < count; ++k)
        text += u"x\n";
    return text;
}

// A window on the headless platform, started as the platforms start it: load, then the
// first resize (Windows sends that before the load, and the window keeps it until the load
// is done). For the tests of the window logic. prepare sets the host up before the
// start (the answers to questions start-up asks, a recovery folder: without one the
// window keeps no unsaved work).
struct HeadlessWindow {
    explicit HeadlessWindow(const std::u16string& commandLine = u"",
                            const std::function<void(HeadlessHost&)>& prepare = {}) {
        if (prepare)
            prepare(host);
        form.onLoad(commandLine);
        form.onResize(windowDesign::startWidth, windowDesign::startHeight);
    }
    CLBox& box() { return form.box(); }
    std::u16string text() { return box().gettext(); }
    void settle() {
        for (int tick = 0; tick < 2000 && box().moving; ++tick)
            form.onTick();
    }
    size_t frames() const { return host.surface.callsOf(HeadlessSurface::Call::Show).size(); }
    void type(std::u16string_view typed) {
        for (const char16_t ch : typed)
            form.onKeyPress(ch);
    }
    void save(ShiftMask shift = ShiftMask::Ctrl) { form.onKeyDown(KeyCode::S, shift); }
    // A hundred short lines, settled at the top, then the scroll target moved down:
    // the ticks from here glide.
    void startGlideDown(int32_t targetY) {
        box().loadtext(manyLines(100));
        settle();
        box().scrY = targetY;
        box().moving = true;
    }

    HeadlessHost host;
    frmEditor form{host};
};

inline std::u16string cellText(CLBox& box, int32_t line, int32_t cell) {
    return box.lines.at(line)->tabs.at(cell)->text;
}
