#include "platform/win32/GdiSurface.h"

#include "support/Rounding.h"

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
}

void MemoryCanvas::swapBitmaps(MemoryCanvas& other) {
    SelectObject(memoryDc.get(), stockBitmap); // a bitmap is selected into one context at most
    SelectObject(other.memoryDc.get(), other.stockBitmap);
    std::swap(bitmap, other.bitmap);
    std::swap(bits, other.bits);
    std::swap(bitmapWidth, other.bitmapWidth);
    std::swap(bitmapHeight, other.bitmapHeight);
    SelectObject(memoryDc.get(), bitmap.get());
    SelectObject(other.memoryDc.get(), other.bitmap.get());
}

GdiSurface::GdiSurface(HWND targetWindow) : window(targetWindow) {
    const HDC dc = drawingDc();
    dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    stockFont = GetCurrentObject(dc, OBJ_FONT);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SelectObject(dc, GetStockObject(DC_PEN));
    resize(1, 1);
}

GdiSurface::~GdiSurface() {
    SelectObject(drawingDc(), stockFont); // a selected font cannot be deleted
}

// Both images are made before either is replaced, so a size the system cannot give
// leaves the surface, and the frame on screen, as they were.
void GdiSurface::resize(int32_t width, int32_t height) {
    MemoryCanvas::Bitmap forDrawing = MemoryCanvas::makeBitmap(width, height);
    MemoryCanvas::Bitmap forPresenting = MemoryCanvas::makeBitmap(width, height);
    drawing.adopt(std::move(forDrawing));
    presented.adopt(std::move(forPresenting));
    areaWidth = std::max(width, 0);
    areaHeight = std::max(height, 0);
    clear();
    BitBlt(presented.dc(), 0, 0, presented.width(), presented.height(), drawing.dc(), 0, 0,
           SRCCOPY);
}

void GdiSurface::paint(HDC target, const RECT& area) const {
    const MemoryCanvas& shown = hidden ? presented : drawing;
    GdiFlush();
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, shown.dc(),
           area.left, area.top, SRCCOPY);
}

int32_t GdiSurface::pixelAt(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= drawing.width() || y >= drawing.height())
        throw std::out_of_range("pixel outside the drawing area");
    GdiFlush();
    const MemoryCanvas& current = drawingStale ? presented : drawing;
    const uint32_t rgb = current.pixels()[static_cast<size_t>(y) * current.width() + x];
    const uint32_t red = (rgb >> 16) & 0xFF, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    return static_cast<int32_t>(red + 256 * green + 65536 * blue);
}

void GdiSurface::setScaleMode(int mode) {
    if (mode != ScaleModePixels)
        throw std::invalid_argument("this surface measures in pixels only");
}

RealisedFont& GdiSurface::selectCurrentFont() {
    if (fontStale) {
        const FontRequest wanted{faceName, roundToPixel(points * dpiY / 72.0), bold, italic,
                                 strikethrough};
        font = &fonts.select(drawingDc(), wanted);
        fontStale = false;
    }
    return *font;
}

double GdiSurface::textWidth(std::u16string_view text) {
    return selectCurrentFont().textWidth(drawingDc(), text);
}

double GdiSurface::textHeight(std::u16string_view text) {
    selectCurrentFont();
    SIZE extent{};
    const std::u16string_view measured = text.empty() ? u" " : text; // GDI gives "" no height
    GetTextExtentPoint32W(drawingDc(), wide(measured), unitCount(measured), &extent);
    return extent.cy;
}

void GdiSurface::setFontName(const std::u16string& name) {
    // GDI would quietly substitute another face; refusing keeps the font the user has.
    if (!fontInstalled(name))
        throw std::invalid_argument("no font of that name is installed");
    faceName = name;
    fontStale = true;
}

void GdiSurface::setFontSize(double newPoints) {
    const double pixels = newPoints * dpiY / 72.0;
    if (!std::isfinite(pixels) || pixels < 0.5 || pixels > maximumFontPixels)
        throw std::invalid_argument("font size out of range: " + std::to_string(newPoints));
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

void GdiSurface::presentLater() {
    if (window && !hidden)
        InvalidateRect(window, nullptr, FALSE);
}

void GdiSurface::hide() {
    if (hidden)
        return;
    GdiFlush();
    presented.swapBitmaps(drawing);
    drawingStale = true;
    hidden = true;
}

void GdiSurface::show() {
    if (drawingStale) { // nothing was drawn while hidden: the shown image is the current one
        presented.swapBitmaps(drawing);
        drawingStale = false;
    }
    hidden = false;
    presentLater();
}

void GdiSurface::bringDrawingUpToDate() {
    if (!drawingStale)
        return;
    BitBlt(drawing.dc(), 0, 0, drawing.width(), drawing.height(), presented.dc(), 0, 0, SRCCOPY);
    drawingStale = false;
}

void GdiSurface::clear() {
    const RECT whole{0, 0, drawing.width(), drawing.height()};
    FillRect(drawingDc(), &whole, GetSysColorBrush(COLOR_WINDOW));
    drawingStale = false;
    presentLater();
}

void GdiSurface::setDrawingPosition(double x, double y) {
    currentX = x;
    currentY = y;
}

void GdiSurface::print(std::u16string_view text) {
    bringDrawingUpToDate();
    selectCurrentFont();
    TextOutW(drawingDc(), roundToPixel(currentX), roundToPixel(currentY), wide(text),
             unitCount(text));
    presentLater();
}

std::optional<double> GdiSurface::advancesWidth(std::u16string_view text) {
    if (strikethrough)
        return std::nullopt;
    const std::optional<int32_t> width = selectCurrentFont().advancesWidth(drawingDc(), text);
    return width ? std::optional<double>(*width) : std::nullopt;
}

// Advances are whole pixels, so the part starts on the pixel the whole would put it on.
void GdiSurface::printPart(std::u16string_view part, double before) {
    bringDrawingUpToDate();
    selectCurrentFont();
    const int64_t x = static_cast<int64_t>(roundToPixel(currentX)) + std::llround(before);
    TextOutW(drawingDc(), static_cast<int>(std::clamp<int64_t>(x, INT_MIN, INT_MAX)),
             roundToPixel(currentY), wide(part), unitCount(part));
    presentLater();
}

// GDI leaves out a line's last pixel, so a bar from y to y + h covers h rows.
void GdiSurface::line(double x0, double y0, double x1, double y1, int32_t colour) {
    bringDrawingUpToDate();
    const HDC dc = drawingDc();
    SetDCPenColor(dc, toColorref(colour));
    MoveToEx(dc, roundToPixel(x0), roundToPixel(y0), nullptr);
    LineTo(dc, roundToPixel(x1), roundToPixel(y1));
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
    const HDC dc = drawingDc();
    SetDCBrushColor(dc, toColorref(colour));
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    presentLater();
}

void GdiSurface::processPendingEvents() {
    if (window && !hidden)
        UpdateWindow(window);
}

void GdiSurface::beep() {
    MessageBeep(MB_OK);
}
