#pragma once

#include "textbox/CLBox.h"
#include "window/Host.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The program's one window: owns the box, loads and saves the file, and turns key,
// mouse, drop and timer events into engine calls. Front ends translate native events
// into these handlers; no handler lets an exception escape.
class frmEditor {
public:
    explicit frmEditor(Host& host);

    // Key codes of the handlers (Windows virtual keys) and the shift mask.
    enum Key : int32_t {
        KeyBackspace = 8,
        KeyTab = 9,
        KeyEnter = 13,
        KeyPageUp = 33,
        KeyPageDown = 34,
        KeyEnd = 35,
        KeyHome = 36,
        KeyLeft = 37,
        KeyUp = 38,
        KeyRight = 39,
        KeyDown = 40,
        KeyS = 83,
    };
    enum ShiftMask : int32_t { ShiftMaskShift = 1, ShiftMaskCtrl = 2, ShiftMaskAlt = 4 };
    enum Button : int32_t { ButtonLeft = 1, ButtonRight = 2 };

    void onLoad();
    void onResize(int32_t innerWidth, int32_t innerHeight);
    void onDrop(const std::vector<std::u16string>& files);
    void onKeyDown(int32_t keyCode, int32_t shift);
    void onKeyPress(char32_t ch);
    void onMouseDown(int32_t button, int32_t shift, double x, double y);
    void onMouseUp(int32_t button, int32_t shift, double x, double y);
    void onTick(); // every 10 ms

    CLBox& box(); // created on first use

    std::u16string filePath;
    int32_t fileCodePage = 0; // -1 UTF-16LE, 65001 UTF-8, 0 the ANSI code page
    bool fileHadBom = false;
    std::string fileOddByte; // the unpaired last byte of an odd-length UTF-16 file

private:
    // Runs step; on failure gives the message for the user instead of throwing.
    template <class Step>
    std::optional<std::u16string> failureOf(std::u16string_view operation, Step&& step);
    // Runs step and reports its failure to the user.
    template <class Step> void guarded(std::u16string_view operation, Step&& step);
    void report(const std::u16string& message);

    void openAtStartUp(const std::u16string& name);
    void loadFile(const std::u16string& path);
    void save();
    bool editByKey(int32_t keyCode, bool ctrl);
    void drawUnlessMoving();
    void changeFont();
    // Refused when the text would leave 32-bit coordinates in the surface's font.
    enum class Layout { Done, Refused };
    Layout layOutAgain(CLBox& b);
    void askFontName(Surface& surface);
    void askFontSize(Surface& surface);
    void glide();

    Host& host;
    std::unique_ptr<CLBox> editorBox;
};
