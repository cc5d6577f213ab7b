#include "platform/win32/GdiSurface.h"

#include "support/EngineError.h"
#include "support/Rounding.h"
#include "textbox/SurfacePixels.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

namespace {

// Font heights GDI can realise: a smaller request would give the default size instead,
// a much larger one fails in the driver.
constexpr int32_t maximumFontPixels = 16384;

int CALLBACK noteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0; // one match is enough
}

bool fontInstalled(const std::u16string& name) {
    if (name.empty() || name.size() >= LF_FACESIZE)
        return false;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::copy(name.begin(), name.end(), wanted.lfFaceName);
    bool found = false;
    const ScreenDc screen;
    EnumFontFamiliesExW(screen.get(), &wanted, noteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

COLORREF toColorref(int32_t colour) {
    return static_cast<COLORREF>(colour) & 0xFFFFFFu; // same packing: red in the low byte
}

} // namespace

MemoryCanvas::MemoryCanvas() : memoryDc(CreateCompatibleDC(nullptr)) {
    if (!memoryDc)
        throw std::runtime_error("cannot create a drawing context");
    stockBitmap = GetCurrentObject(memoryDc.get(), OBJ_BITMAP);
    resize(1, 1);
}

MemoryCanvas::~MemoryCanvas() {
    SelectObject(memoryDc.get(), stockBitmap); // a selected bitmap cannot be deleted
}

MemoryCanvas::Bitmap MemoryCanvas::makeBitmap(int32_t width, int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = std::max(width, 1);
    info.bmiHeader.biHeight = -std::max(height, 1); // negative: rows run top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* newBits = nullptr;
    Bitmap made{
        GdiObject<HBITMAP>(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &newBits, nullptr, 0)),
        nullptr, info.bmiHeader.biWidth, -info.bmiHeader.biHeight};
    if (!made.handle)
        throw std::runtime_error("not enough memory for a drawing area of " +
                                 std::to_string(width) + " x " + std::to_string(height) +
                                 " pixels");
    made.bits = static_cast<uint32_t*>(newBits);
    return made;
}

void MemoryCanvas::adopt(Bitmap made) {
    SelectObject(memoryDc.get(), made.handle.get());
    bitmap = std::move(made.handle);
    bits = made.bits;
    bitmapWidth = made.width;
    bitmapHeight = made.height;
    inked.reset(bitmapHeight, bitmapWidth);
    inked.markAll();
}

void MemoryCanvas::fillRow(int32_t y, int32_t from, int32_t to, uint32_t pixel) {
    fillPixelRun(row(y) + from, static_cast<size_t>(std::max(from, to) - from), pixel);
}

// A background of another colour (the system's colours changed) is wiped all over.
void MemoryCanvas::wipe(uint32_t pixel) {
    if (pixel != wipedTo)
        inked.markAll();
    wipedTo = pixel;
    inked.wipe([&](int32_t y, int32_t left, int32_t right) { fillRow(y, left, right, pixel); });
}

GdiSurface::GdiSurface(HWND targetWindow, Drawing mode) : window(targetWindow), drawingMode(mode) {
    dpiY = GetDeviceCaps(drawingDc(), LOGPIXELSY);
    stockFont = GetCurrentObject(drawingDc(), OBJ_FONT);
    for (const MemoryCanvas& canvas : canvases) { // they trade places, not bitmaps
        const HDC dc = canvas.dc();
        SetBkMode(dc, TRANSPARENT);
        SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
        SetTextColor(dc, textColour);
        SelectObject(dc, GetStockObject(DC_PEN));
    }
    resize(1, 1);
}

GdiSurface::~GdiSurface() {
    for (const MemoryCanvas& canvas : canvases)
        SelectObject(canvas.dc(), stockFont); // a selected font cannot be deleted
}

// Both images are made before either is replaced, so a size the system cannot give
// leaves the surface, and the frame on screen, as they were.
void GdiSurface::resize(int32_t width, int32_t height) {
    MemoryCanvas::Bitmap forDrawing = MemoryCanvas::makeBitmap(width, height);
    MemoryCanvas::Bitmap forPresenting = MemoryCanvas::makeBitmap(width, height);
    drawing->adopt(std::move(forDrawing));
    presented->adopt(std::move(forPresenting));
    areaWidth = std::max(width, 0);
    areaHeight = std::max(height, 0);
    clear();
    BitBlt(presented->dc(), 0, 0, presented->width(), presented->height(), drawing->dc(), 0, 0,
           SRCCOPY);
}

void GdiSurface::paint(HDC target, const RECT& area) const {
    unpainted = false;
    const MemoryCanvas& shown = hidden ? *presented : *drawing;
    GdiFlush();
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, shown.dc(),
           area.left, area.top, SRCCOPY);
}

int32_t GdiSurface::pixelAt(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= drawing->width() || y >= drawing->height())
        raiseOutOfRange("a pixel outside the surface");
    GdiFlush();
    const MemoryCanvas& current = drawingStale ? *presented : *drawing;
    return colourOfPixel(current.pixels()[static_cast<size_t>(y) * current.width() + x]);
}

void GdiSurface::setScaleMode(int mode) {
    requirePixels(mode);
}

RealisedFont& GdiSurface::currentFont() {
    if (fontStale) {
        const FontRequest wanted{faceName, roundToPixel(points * dpiY / 72.0), bold, italic,
                                 strikethrough};
        font = &fonts.realise(wanted, {canvases[0].dc(), canvases[1].dc(), learner.context()});
        fontStale = false;
    }
    return *font;
}

double GdiSurface::textWidth(std::u16string_view text) {
    return currentFont().textWidth(drawingDc(), text);
}

double GdiSurface::textHeight(std::u16string_view text) {
    currentFont().selectInto(drawingDc());
    SIZE extent{};
    const std::u16string_view measured = text.empty() ? u" " : text; // GDI gives "" no height
    GetTextExtentPoint32W(drawingDc(), wide(measured), unitCount(measured), &extent);
    return extent.cy;
}

void GdiSurface::setDotsPerInchY(int32_t dpi) {
    if (dpi <= 0 || dpi == dpiY)
        return;
    dpiY = dpi;
    fontStale = true;
}

void GdiSurface::setFontName(const std::u16string& name) {
    // GDI would quietly substitute another face; refusing keeps the font the user has.
    if (!fontInstalled(name))
        refuseSurfaceCall("no font of that name is installed");
    faceName = name;
    fontStale = true;
}

void GdiSurface::setFontSize(double newPoints) {
    const double pixels = newPoints * dpiY / 72.0;
    if (!std::isfinite(pixels) || pixels < 0.5 || pixels > maximumFontPixels)
        refuseSurfaceCall("font size out of range: " + std::to_string(newPoints));
    if (newPoints == points)
        return; // drawing sets the size line by line, mostly to the one in force
    points = newPoints;
    fontStale = true;
}

void GdiSurface::setFontBold(bool on) {
    bold = on;
    fontStale = true;
}

void GdiSurface::setFontItalic(bool on) {
    italic = on;
    fontStale = true;
}

void GdiSurface::setFontStrikethrough(bool on) {
    strikethrough = on;
    fontStale = true;
}

// A frame draws many times; it reaches the window once, at the end (processPendingEvents).
void GdiSurface::presentLater() {
    if (window && !hidden)
        unpainted = true;
}

void GdiSurface::hide() {
    if (hidden)
        return;
    GdiFlush();
    std::swap(drawing, presented);
    drawingStale = true;
    hidden = true;
}

void GdiSurface::show() {
    if (drawingStale) { // nothing was drawn while hidden: the shown image is the current one
        std::swap(drawing, presented);
        drawingStale = false;
    }
    hidden = false;
    presentLater();
}

void GdiSurface::bringDrawingUpToDate() {
    if (!drawingStale)
        return;
    BitBlt(drawing->dc(), 0, 0, drawing->width(), drawing->height(), presented->dc(), 0, 0,
           SRCCOPY);
    drawing->inked = presented->inked;
    drawingStale = false;
    gdiPending = true;
}

// Only what was drawn on the image since it was last cleared is wiped: a frame of text
// covers a part of the window, and filling the whole of it costs more than the text.
void GdiSurface::clear() {
    if (drawingMode == Drawing::ToolkitOnly) {
        const RECT whole{0, 0, drawing->width(), drawing->height()};
        SetDCBrushColor(drawingDc(), backgroundColour);
        FillRect(drawingDc(), &whole, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        drawing->inked.markAll();
        gdiPending = true;
    } else {
        flushPending();
        drawing->wipe(backgroundPixel());
    }
    drawingStale = false;
    presentLater();
}

// Ink may reach a line height beyond the text's cell, for overhangs and accents.
void GdiSurface::inkedText(std::u16string_view text, double before) {
    RealisedFont& realised = currentFont();
    const int64_t reach = realised.height(drawingDc());
    const int64_t x = static_cast<int64_t>(roundToPixel(currentX)) + std::llround(before);
    const int64_t y = roundToPixel(currentY);
    drawing->inked.mark(x - reach, y - reach, x + realised.textWidth(drawingDc(), text) + reach,
                        y + 2 * reach);
}

void GdiSurface::setDrawingPosition(double x, double y) {
    currentX = x;
    currentY = y;
}

void GdiSurface::print(std::u16string_view text) {
    printAt(text, 0);
}

std::optional<double> GdiSurface::advancesWidth(std::u16string_view text) {
    if (strikethrough || drawingMode == Drawing::ToolkitOnly)
        return std::nullopt;
    const std::optional<int32_t> width = currentFont().advancesWidth(drawingDc(), text);
    return width ? std::optional<double>(*width) : std::nullopt;
}

void GdiSurface::printPart(std::u16string_view part, double before) {
    printAt(part, before);
}

// Advances are whole pixels, so a part starts on the pixel the whole would put it on.
void GdiSurface::printAt(std::u16string_view text, double before) {
    bringDrawingUpToDate();
    const int64_t x = static_cast<int64_t>(roundToPixel(currentX)) + std::llround(before);
    const int64_t y = roundToPixel(currentY);
    if (!copyText(text, x, y)) {
        inkedText(text, before);
        currentFont().selectInto(drawingDc());
        TextOutW(drawingDc(), static_cast<int>(std::clamp<int64_t>(x, INT_MIN, INT_MAX)),
                 static_cast<int>(y), wide(text), unitCount(text));
        gdiPending = true;
    }
    presentLater();
}

// GDI spends more on a glyph than copying it costs. A font whose glyphs do not copy like
// GDI draws them, and text with a strike-out line or characters not measured by
// advances, are left to GDI whole; a glyph that would land on other ink, to GDI alone.
bool GdiSurface::copyText(std::u16string_view text, int64_t x, int64_t y) {
    if (drawingMode == Drawing::ToolkitOnly || strikethrough)
        return false;
    RealisedFont& realised = currentFont();
    GlyphSet& glyphs = realised.glyphsOn(backgroundPixel(), textColour);
    if (glyphs.verdict == GlyphSet::Verdict::Untried) {
        const std::u16string_view probe = u"Wg@e8%&j}AVTofirnyfl\u00e9";
        glyphs.verdict = GlyphSet::Verdict::UnlikeGdi;
        const std::optional<int32_t> width = realised.advancesWidth(drawingDc(), probe);
        if (width && placeGlyphs(realised, glyphs, probe, 0) &&
            learner.drawsLikeCopies(realised.handle(), GetTextColor(drawingDc()), glyphs.background,
                                    probe, places, *width, realised.height(drawingDc())))
            glyphs.verdict = GlyphSet::Verdict::LikeGdi;
    }
    if (glyphs.verdict != GlyphSet::Verdict::LikeGdi || !placeGlyphs(realised, glyphs, text, x))
        return false;
    flushPending();
    drawGlyphs(*drawing, realised.handle(), places, y, glyphs.background,
               realised.height(drawingDc()));
    return true;
}

// Places every glyph of text with its pen from x, learning those not met before; false
// where one cannot be copied.
bool GdiSurface::placeGlyphs(RealisedFont& realised, GlyphSet& glyphs, std::u16string_view text,
                             int64_t x) {
    places.clear();
    const HDC dc = drawingDc();
    for (const char16_t unit : text) {
        const int16_t advance = realised.advanceOf(dc, unit);
        if (advance < 0 || glyphs.unlearnable[unit])
            return false;
        std::unique_ptr<GlyphCopy>& glyph = glyphs.glyphs[unit];
        if (!glyph) {
            glyph = learner.learn(realised.handle(), GetTextColor(dc), glyphs.background, unit,
                                  advance, realised.height(dc));
            glyphs.unlearnable[unit] = !glyph;
            if (!glyph)
                return false;
        }
        places.push_back({unit, glyph.get(), x});
        x += advance;
    }
    return true;
}

// A COLORREF packs its colour as the drawing calls do.
uint32_t GdiSurface::backgroundPixel() const {
    return pixelOfColour(static_cast<int32_t>(backgroundColour));
}

// Glyphs are learned for each pair of text and background colour, so a change needs no
// more than the contexts' text colour.
void GdiSurface::setColours(int32_t background, int32_t text) {
    backgroundColour = static_cast<COLORREF>(background);
    if (static_cast<COLORREF>(text) == textColour)
        return;
    textColour = static_cast<COLORREF>(text);
    for (const MemoryCanvas& canvas : canvases)
        SetTextColor(canvas.dc(), textColour);
}

void GdiSurface::flushPending() {
    if (gdiPending)
        GdiFlush();
    gdiPending = false;
}

// GDI leaves out a line's last pixel, so a bar from y to y + h covers h rows.
void GdiSurface::line(double x0, double y0, double x1, double y1, int32_t colour) {
    bringDrawingUpToDate();
    const HDC dc = drawingDc();
    SetDCPenColor(dc, toColorref(colour));
    const int32_t ax = roundToPixel(x0), ay = roundToPixel(y0);
    const int32_t bx = roundToPixel(x1), by = roundToPixel(y1);
    MoveToEx(dc, ax, ay, nullptr);
    LineTo(dc, bx, by);
    gdiPending = true;
    drawing->inked.mark(std::min(ax, bx) - 1, std::min(ay, by) - 1,
                        static_cast<int64_t>(std::max(ax, bx)) + 2,
                        static_cast<int64_t>(std::max(ay, by)) + 2);
    presentLater();
}

void GdiSurface::fillRect(double x0, double y0, double x1, double y1, int32_t colour) {
    const int32_t left = roundToPixel(std::min(x0, x1)), right = roundToPixel(std::max(x0, x1));
    const int32_t top = roundToPixel(std::min(y0, y1)), bottom = roundToPixel(std::max(y0, y1));
    // Both corners are inside; GDI's right and bottom edges are not, hence the + 1
    // (saturated, so a corner at the far edge of the coordinate range cannot wrap).
    const RECT area{left, top, right == INT_MAX ? right : right + 1,
                    bottom == INT_MAX ? bottom : bottom + 1};
    bringDrawingUpToDate();
    if (drawingMode == Drawing::Quick) { // a solid fill is quicker done than asked of GDI
        flushPending();
        const uint32_t pixel = pixelOfColour(colour);
        const int32_t from = std::max<int32_t>(area.left, 0);
        const int32_t to = std::min<int32_t>(area.right, drawing->width());
        for (int32_t row = std::max<int32_t>(area.top, 0);
             from < to && row < std::min<int32_t>(area.bottom, drawing->height()); ++row)
            drawing->fillRow(row, from, to, pixel);
    } else {
        const HDC dc = drawingDc();
        SetDCBrushColor(dc, toColorref(colour));
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        gdiPending = true;
    }
    drawing->inked.mark(area.left, area.top, area.right, area.bottom);
    presentLater();
}

// The frame drawn is copied to the window at once, as a paint would copy it: invalidating
// the window and then painting it would cost more calls into the system, each of which
// waits for wine's server there. What the system invalidates is painted from the message
// loop as usual; a window whose context cannot be had now is painted so too.
void GdiSurface::processPendingEvents() {
    if (!window || hidden || !unpainted)
        return;
    const HDC target = GetDC(window);
    if (target == nullptr) {
        InvalidateRect(window, nullptr, FALSE);
        return;
    }
    paint(target, RECT{0, 0, drawing->width(), drawing->height()});
    ReleaseDC(window, target);
    if (afterPresenting)
        afterPresenting();
}

void GdiSurface::beep() {
    MessageBeep(MB_OK);
}
