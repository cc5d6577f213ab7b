// whole_bench FILE: the Windows program on one file in a 1920 x 1080 window that is never
// shown: opening to the first drawn frame, the memory that took, one keystroke half-way down
// the document and one glide tick, both through the window procedure. Prints one
// "figure value" line per figure for scripts/bench-wine.sh.
#include "bench/whole/editorfigures.h"
#include "platform/win32/EditorWindow.h"
#include "platform/win32/GdiSurface.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/translate.h"
#include "window/frmEditor.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The most the process has had in its working set so far; wine reports the resident peak.
double peakWorkingSetMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        std::fprintf(stderr, "whole_bench: cannot read the memory counters\n");
        std::exit(1);
    }
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

std::string toUtf8(const std::u16string& text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, converted.data(), bytes, nullptr, nullptr);
    converted.resize(converted.size() - 1); // the terminator
    return converted;
}

// Failures fail the run: a benchmark of a failed load would measure nothing, and a message
// box would wait for a click that never comes. It keeps no recovery files.
class BenchHost : public Win32Host {
public:
    using Win32Host::Win32Host;
    std::u16string recoveryFolder() override { return {}; }
    void reportError(const std::u16string& message, const std::u16string&) override {
        std::fprintf(stderr, "whole_bench: %s\n", toUtf8(message).c_str());
        std::exit(1);
    }
};

void resizeClient(HWND window, int width, int height) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(window, &client);
    if (client.right != width || client.bottom != height) {
        std::fprintf(stderr, "whole_bench: the window is %ld x %ld, not %d x %d\n", client.right,
                     client.bottom, width, height);
        std::exit(1);
    }
}

// What the message loop would dispatch for one keystroke: the key going down, then the
// character TranslateMessage makes of it.
void pressKey(HWND window, bool typing) {
    constexpr LPARAM firstPress = 1; // a repeat count of one, the key up before
    SendMessageW(window, WM_KEYDOWN, typing ? 'X' : VK_BACK, firstPress);
    SendMessageW(window, WM_CHAR, typing ? L'x' : L'\b', firstPress);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: whole_bench FILE\n");
        return 2;
    }
    try {
        const double fileMegabytes = bench::fileMegabytes(argv[1]);
        // The program's own window, never shown: its frames are drawn into the surface's
        // bitmap and copied to the window, which puts nothing on a screen.
        EditorWindow window;
        const HWND native = window.handle();
        resizeClient(native, bench::windowWidth, bench::windowHeight);
        GdiSurface surface(native);
        BenchHost host(native, surface);
        frmEditor form(host);
        window.attach(form, surface);

        const double residentBefore = peakWorkingSetMegabytes();
        const bench::Stopwatch opening;
        form.onResize(bench::windowWidth, bench::windowHeight); // drawn once the file is in
        form.onLoad(commandLineTail(reinterpret_cast<const char16_t*>(GetCommandLineW())));
        const double openMilliseconds = opening.milliseconds();
        bench::printOpening(form.box().lines.size(), fileMegabytes, openMilliseconds,
                            peakWorkingSetMegabytes() - residentBefore);
        bench::printEditing(
            form, [&](bool typing) { pressKey(native, typing); },
            [&] { SendMessageW(native, WM_TIMER, EditorWindow::scrollTimerId, 0); });
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "whole_bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
