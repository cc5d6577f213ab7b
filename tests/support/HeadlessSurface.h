#pragma once

#include "textbox/Surface.h"
#include "window/WindowDesign.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A surface with fixed metrics and no pixels, for tests and headless use. Each code
// unit advances charWidth (a surrogate half advances half of it, so a pair counts as
// one character), every text is lineHeight tall, and both scale with
// fontSize / baseFontSize and with resolution / 96. Every drawing call is recorded with its
// arguments.
class HeadlessSurface : public Surface {
public:
    enum class Call { ScaleMode, Hide, Show, Clear, Position, Print, Line, Fill, FontSize, Events };
    struct DrawCall {
        Call kind;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        int32_t colour = 0;
        std::u16string text;
        double fontSize = 0; // the font size in force when the call was made
    };

    HeadlessSurface(double width = 640, double height = 480, double charWidth = 7,
                    double lineHeight = 16);

    // Metrics; advance may be replaced to give characters different widths.
    double charWidth;
    double lineHeight;
    double baseFontSize = windowDesign::fontPoints;
    double resolution = 96; // dots per inch, as a screen's
    std::function<double(char16_t)> advance;

    void resize(double width, double height) {
        areaWidth = width;
        areaHeight = height;
    }

    std::vector<DrawCall> calls;
    int beeps = 0;
    bool hidden = false;
    int scaleMode = 0;
    // When >= 0, the call after this many more recorded calls throws, to test that
    // callers survive a surface failing part-way.
    int failAfter = -1;

    void setScaleMode(int mode) override;
    double scaleWidth() const override { return areaWidth; }
    double scaleHeight() const override { return areaHeight; }
    double textWidth(std::u16string_view text) override;
    double textHeight(std::u16string_view text) override;
    double dotsPerInch() const override { return resolution; }

    // Names the surface refuses, as a platform refuses a font it does not have.
    std::vector<std::u16string> missingFonts;

    std::u16string fontName() const override { return name; }
    void setFontName(const std::u16string& newName) override;
    double fontSize() const override { return size; }
    void setFontSize(double points) override;
    bool fontBold() const override { return bold; }
    void setFontBold(bool on) override { bold = on; }
    bool fontItalic() const override { return italic; }
    void setFontItalic(bool on) override { italic = on; }
    bool fontStrikethrough() const override { return strikethrough; }
    void setFontStrikethrough(bool on) override { strikethrough = on; }

    void hide() override;
    void show() override;
    void clear() override;
    void setDrawingPosition(double x, double y) override;
    double drawingX() const override { return currentX; }
    double drawingY() const override { return currentY; }
    void print(std::u16string_view text) override;
    // Promised where every sum of the advances is exact: quarter pixels at sizes a power of
    // two apart. A part is recorded as a print where it stands in the whole.
    std::optional<double> advancesWidth(std::u16string_view text) override;
    void printPart(std::u16string_view part, double before) override;
    void setColours(int32_t background, int32_t text) override {
        clearColour = background;
        textColour = text;
    }
    void line(double x0, double y0, double x1, double y1, int32_t colour) override;
    void fillRect(double x0, double y0, double x1, double y1, int32_t colour) override;
    void processPendingEvents() override;
    void beep() override { ++beeps; }

    // The calls of one kind, in order.
    std::vector<DrawCall> callsOf(Call kind) const;

private:
    struct FixedAdvance {
        const HeadlessSurface* surface;
        double operator()(char16_t unit) const;
    };
    void record(Call kind, double x0 = 0, double y0 = 0, double x1 = 0, double y1 = 0,
                int32_t colour = 0, std::u16string text = {});
    double scale() const { return size / baseFontSize * resolution / 96; }

    double areaWidth, areaHeight;
    std::u16string name{windowDesign::fontName};
    double size = windowDesign::fontPoints;
    bool bold = false, italic = false, strikethrough = false;
    double currentX = 0, currentY = 0;
    int32_t clearColour = 0xFFFFFF, textColour = 0; // recorded with clears and prints
};
