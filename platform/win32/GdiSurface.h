#pragma once

#include "platform/win32/GdiFonts.h"
#include "platform/win32/GdiHandles.h"
#include "textbox/Surface.h"
#include "window/WindowDesign.h"

#include <windows.h>

#include <cstdint>
#include <string>

// A 32-bit top-down DIB section selected into its own memory DC.
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
    // Trades images with other, each keeping its own context and what is selected into it.
    void swapBitmaps(MemoryCanvas& other);
    HDC dc() const { return memoryDc.get(); }
    int32_t width() const { return bitmapWidth; }
    int32_t height() const { return bitmapHeight; }
    const uint32_t* pixels() const { return bits; } // 0x00RRGGBB, row after row

private:
    MemoryDc memoryDc;
    HGDIOBJ stockBitmap;
    GdiObject<HBITMAP> bitmap;
    uint32_t* bits = nullptr;
    int32_t bitmapWidth = 0, bitmapHeight = 0;
};

// The picture surface of the Win32 front end: everything is drawn into a memory
// bitmap, and the window's WM_PAINT copies the presented image with paint(). While
// hidden, paint() shows the frame as it was at hide(), so no half-drawn frame is seen.
// Font sizes are points, turned into pixels with the display's LOGPIXELSY.
class GdiSurface : public Surface {
public:
    // window receives the invalidations that present a frame; nullptr draws offscreen.
    explicit GdiSurface(HWND window = nullptr);
    ~GdiSurface() override;

    // The drawing area, in pixels; its content is cleared to the background.
    void resize(int32_t width, int32_t height);
    void paint(HDC target, const RECT& area) const;
    // The colour drawn at a pixel of the drawing image, packed like the drawing colours.
    int32_t pixelAt(int32_t x, int32_t y) const;
    int32_t dotsPerInchY() const { return dpiY; }

    void setScaleMode(int mode) override;
    double scaleWidth() const override { return areaWidth; }
    double scaleHeight() const override { return areaHeight; }
    double textWidth(std::u16string_view text) override;
    double textHeight(std::u16string_view text) override;

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
    void line(double x0, double y0, double x1, double y1, int32_t colour) override;
    void fillRect(double x0, double y0, double x1, double y1, int32_t colour) override;
    // A paint-only flush: repaints the window now if part of it is invalid. Messages
    // are not dispatched, so no input or timer handler can run from here.
    void processPendingEvents() override;
    void beep() override;

private:
    HDC drawingDc() { return drawing.dc(); }
    RealisedFont& selectCurrentFont();
    void presentLater();
    void bringDrawingUpToDate();

    HWND window;
    MemoryCanvas drawing;
    MemoryCanvas presented; // the frame on screen while drawing is hidden
    // Hiding hands the drawn image to presented and leaves drawing an older frame, which
    // a frame's first call, a whole clear, overwrites anyway; any other call copies first.
    bool drawingStale = false;
    int32_t dpiY = 96;
    double areaWidth = 0, areaHeight = 0;
    bool hidden = false;

    std::u16string faceName{windowDesign::fontName};
    double points = windowDesign::fontPoints;
    bool bold = false, italic = false, strikethrough = false;
    FontCache fonts;
    RealisedFont* font = nullptr; // the one selected, unless stale
    bool fontStale = true;
    HGDIOBJ stockFont = nullptr;

    double currentX = 0, currentY = 0;
};
