#pragma once

#include "platform/win32/GdiFonts.h"
#include "platform/win32/GdiHandles.h"
#include "platform/win32/GlyphCopies.h"
#include "textbox/InkedRows.h"
#include "textbox/Surface.h"
#include "window/WindowDesign.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A 32-bit top-down DIB section selected into its own memory DC, with what has been drawn
// on it since it was last wiped; a new bitmap counts as drawn all over.
class MemoryCanvas {
public:
    MemoryCanvas();
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    // A bitmap not yet selected anywhere, made before anything is replaced.
    struct Bitmap {
        GdiObject<HBITMAP> handle;
        uint32_t* bits = nullptr;
        int32_t width = 0, height = 0;
    };
    // Throws when the system cannot give one.
    static Bitmap makeBitmap(int32_t width, int32_t height);
    void adopt(Bitmap bitmap);
    // Replaces the bitmap; on failure throws and keeps the old one.
    void resize(int32_t width, int32_t height) { adopt(makeBitmap(width, height)); }
    HDC dc() const { return memoryDc.get(); }
    int32_t width() const { return bitmapWidth; }
    int32_t height() const { return bitmapHeight; }
    const uint32_t* pixels() const { return bits; } // 0x00RRGGBB, row after row
    uint32_t* row(int32_t y) {
        return bits + static_cast<size_t>(y) * static_cast<size_t>(bitmapWidth);
    }
    // Sets pixels [from, to) of row y to pixel. GDI must be flushed.
    void fillRow(int32_t y, int32_t from, int32_t to, uint32_t pixel);
    // Sets every pixel drawn on to pixel, leaving the canvas clean. GDI must be flushed.
    void wipe(uint32_t pixel);
    InkedRows inked;

private:
    MemoryDc memoryDc;
    HGDIOBJ stockBitmap;
    GdiObject<HBITMAP> bitmap;
    uint32_t* bits = nullptr;
    int32_t bitmapWidth = 0, bitmapHeight = 0;
    uint32_t wipedTo = 0; // the background of the last wipe
};

// The picture surface of the Win32 front end: everything is drawn into a memory
// bitmap, copied to the window when a frame ends and on WM_PAINT with paint(). While
// hidden, paint() shows the frame as it was at hide(), so no half-drawn frame is seen.
// Font sizes are points, turned into pixels with the display's LOGPIXELSY.
class GdiSurface : public Surface {
public:
    // Quick copies the glyphs GDI drew once where that gives GDI's pixels, promises sums
    // of advances, and clears only what was drawn; ToolkitOnly leaves every pixel to GDI, the
    // model for Quick.
    using Drawing = SurfaceDrawing;
    // window shows the frames; nullptr draws offscreen.
    explicit GdiSurface(HWND window = nullptr, Drawing mode = Drawing::Quick);
    ~GdiSurface() override;

    // The drawing area, in pixels; its content is cleared to the background.
    void resize(int32_t width, int32_t height);
    // Copies area of the image shown to target.
    void paint(HDC target, const RECT& area) const;
    // Runs each time a frame has been copied to the window at its end.
    std::function<void()> afterPresenting;
    // The colour drawn at a pixel of the drawing image, packed like the drawing colours.
    int32_t pixelAt(int32_t x, int32_t y) const;
    int32_t dotsPerInchY() const { return dpiY; }
    // Points become pixels at this many to the inch from here on: the monitor's.
    void setDotsPerInchY(int32_t dpi);

    void setScaleMode(int mode) override;
    double scaleWidth() const override { return areaWidth; }
    double scaleHeight() const override { return areaHeight; }
    double textWidth(std::u16string_view text) override;
    double textHeight(std::u16string_view text) override;
    double dotsPerInch() const override { return dpiY; }

    std::u16string fontName() const override { return faceName; }
    void setFontName(const std::u16string& name) override;
    double fontSize() const override { return points; }
    void setFontSize(double newPoints) override;
    bool fontBold() const override { return bold; }
    void setFontBold(bool on) override;
    bool fontItalic() const override { return italic; }
    void setFontItalic(bool on) override;
    bool fontStrikethrough() const override { return strikethrough; }
    void setFontStrikethrough(bool on) override;

    void hide() override;
    void show() override;
    void clear() override;
    void setDrawingPosition(double x, double y) override;
    double drawingX() const override { return currentX; }
    double drawingY() const override { return currentY; }
    void print(std::u16string_view text) override;
    // Promised where the width is a sum of the font's advances, without strike-out.
    std::optional<double> advancesWidth(std::u16string_view text) override;
    void printPart(std::u16string_view part, double before) override;
    void setColours(int32_t background, int32_t text) override;
    void line(double x0, double y0, double x1, double y1, int32_t colour) override;
    void fillRect(double x0, double y0, double x1, double y1, int32_t colour) override;
    // Copies a frame drawn since the window last showed one to the window now. Messages
    // are not dispatched, so no input or timer handler can run from here.
    void processPendingEvents() override;
    void beep() override;

private:
    HDC drawingDc() { return drawing->dc(); }
    RealisedFont& currentFont(); // realised, not selected into a context yet
    void presentLater();
    void bringDrawingUpToDate();
    // Notes where text printed at the drawing position may have left ink.
    void inkedText(std::u16string_view text, double before);
    void printAt(std::u16string_view text, double before);
    bool copyText(std::u16string_view text, int64_t x, int64_t y);
    bool placeGlyphs(RealisedFont& font, GlyphSet& glyphs, std::u16string_view text, int64_t x);
    uint32_t backgroundPixel() const;
    void flushPending();

    HWND window;
    Drawing drawingMode;
    // The system's until the first frame sets them.
    COLORREF backgroundColour = GetSysColor(COLOR_WINDOW);
    COLORREF textColour = GetSysColor(COLOR_WINDOWTEXT);
    // Hiding makes the drawn canvas the presented one, and draws on in the other.
    std::array<MemoryCanvas, 2> canvases;
    MemoryCanvas* drawing = &canvases[0];
    MemoryCanvas* presented = &canvases[1]; // the frame on screen while drawing is hidden
    // After hiding, drawing holds an older frame, which a frame's first call, a clear,
    // wipes anyway; any other call copies the presented frame first.
    bool drawingStale = false;
    int32_t dpiY = 96;
    double areaWidth = 0, areaHeight = 0;
    bool hidden = false;

    std::u16string faceName{windowDesign::fontName};
    double points = windowDesign::fontPoints;
    bool bold = false, italic = false, strikethrough = false;
    FontCache fonts;
    RealisedFont* font = nullptr; // the one in force, unless stale
    bool fontStale = true;
    HGDIOBJ stockFont = nullptr;

    double currentX = 0, currentY = 0;
    GlyphLearner learner;
    std::vector<GlyphPlace> places; // reused by every print
    bool gdiPending = false;        // a GDI drawing call not flushed yet
    mutable bool unpainted = false; // a frame was drawn that the window does not show yet
};
