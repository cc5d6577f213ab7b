#pragma once

#include "support/EngineError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a surface raises for a call it refuses, having changed nothing (a scale mode other
// than pixels, a font it does not have, a size outside its range): EngineError
// BadArgument, the reason its message, for the user.
[[noreturn]] inline void refuseSurfaceCall(const std::string& reason) {
    throw EngineError(ErrorNumber::BadArgument, reason);
}

// How a front end's surface draws. Quick takes its own ways wherever they give the
// toolkit's own pixels (glyphs learned from it, its own fills, wiping only what was drawn);
// ToolkitOnly leaves every pixel to the toolkit's drawing calls: the model Quick is tested
// against.
enum class SurfaceDrawing { Quick, ToolkitOnly };

// The picture surface the box measures on and draws into. The engine declares it;
// each front end implements it over its own image, and tests draw on a headless one.
// Coordinates are in the surface's unit (pixels once the box has bound it); colours
// are packed as red + 256 * green + 65536 * blue.
class Surface {
public:
    virtual ~Surface() = default;

    static constexpr int ScaleModePixels = 3;
    virtual void setScaleMode(int mode) = 0;
    // For a surface that measures in pixels only.
    static void requirePixels(int mode) {
        if (mode != ScaleModePixels)
            refuseSurfaceCall("this surface measures in pixels only");
    }
    // The drawing area.
    virtual double scaleWidth() const = 0;
    virtual double scaleHeight() const = 0;

    // Measures in the current font.
    virtual double textWidth(std::u16string_view text) = 0;
    virtual double textHeight(std::u16string_view text) = 0;
    // The pixels to an inch, which turn a font's points into pixels. Where it changes (the
    // window moved to a screen of another density), the box measures its text again
    // before the next frame.
    virtual double dotsPerInch() const { return 96; }

    virtual std::u16string fontName() const = 0;
    virtual void setFontName(const std::u16string& name) = 0;
    virtual double fontSize() const = 0;
    virtual void setFontSize(double points) = 0;
    virtual bool fontBold() const = 0;
    virtual void setFontBold(bool on) = 0;
    virtual bool fontItalic() const = 0;
    virtual void setFontItalic(bool on) = 0;
    virtual bool fontStrikethrough() const = 0;
    virtual void setFontStrikethrough(bool on) = 0;

    // Drawing goes into a retained image; while hidden nothing new is presented,
    // and show presents the whole frame at once.
    virtual void hide() = 0;
    virtual void show() = 0;
    virtual void clear() = 0;
    virtual void setDrawingPosition(double x, double y) = 0;
    virtual double drawingX() const = 0;
    virtual double drawingY() const = 0;
    // Prints text with its top left at the drawing position.
    virtual void print(std::u16string_view text) = 0;

    // Where text is measured and printed as its characters' own advances side by side,
    // nothing shaped, kerned or decorated across them, its width, as textWidth gives it:
    // then any text made of such parts is as wide as their widths added, and printPart
    // draws a part of it where the whole would. Nothing where that cannot be promised,
    // as by default; a surface that promises it keeps to it until its font changes.
    virtual std::optional<double> advancesWidth(std::u16string_view) { return std::nullopt; }
    // Prints part of a text advancesWidth measured, before being the advancesWidth of what
    // precedes part in it: the whole printed at the drawing position draws the same there.
    virtual void printPart(std::u16string_view part, double before) {
        const double x = drawingX();
        setDrawingPosition(x + before, drawingY());
        print(part);
        setDrawingPosition(x, drawingY());
    }
    // The colour clear fills with and the colour text is printed in; white and black until
    // set.
    virtual void setColours(int32_t /*background*/, int32_t /*text*/) {}
    virtual void line(double x0, double y0, double x1, double y1, int32_t colour) = 0;
    // Fills the rectangle with corners (x0, y0) and (x1, y1), both included.
    virtual void fillRect(double x0, double y0, double x1, double y1, int32_t colour) = 0;

    // Lets the platform flush painting. It must never run input or timer handlers,
    // since it is called from inside render.
    virtual void processPendingEvents() = 0;
    virtual void beep() = 0;
};
