#pragma once

#include "containers/OArray.h"
#include "containers/Ref.h"
#include "textbox/CellText.h"
#include "textbox/Surface.h"
#include "textbox/colourscheme.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the tab that ends a cell is written where the cell opens its line's indentation (an
// empty cell with only such cells before it): as a tab, or as the tabMin spaces loading
// reads as one indentation cell.
enum class IndentForm : bool { Tab, Spaces };

// One cell: the text between two tabs of a line.
struct CLTab : RefCounted {
    CellText text;          // never holds a tab or a line break
    int32_t innerWidth = 0; // measured width of text, pixels
    int32_t width = 0;      // laid-out width, equal to its weight in the line's tabs

    // The form of the tab after the cell: as loading read it, or as an edit gave it from
    // the cell's neighbours. A line's last cell, which no tab ends, has the form Tab. Kept
    // in the record's bit, so that a cell stays 24 bytes.
    IndentForm form() const { return recordBit() ? IndentForm::Spaces : IndentForm::Tab; }
    void setForm(IndentForm form) { setRecordBit(form == IndentForm::Spaces); }
};

// The break that ended a line in the loaded text, kept as a code and read as text:
// "\r\n", "\n", or "" for the last line. Any other text raises BadArgument.
class LineEnd {
public:
    LineEnd() = default;
    LineEnd(std::u16string_view text) { *this = text; }
    LineEnd& operator=(std::u16string_view text);
    std::u16string_view view() const;
    operator std::u16string_view() const { return view(); }
    operator std::u16string() const { return std::u16string(view()); }
    size_t size() const { return view().size(); }
    bool empty() const { return code == Code::None; }
    bool operator==(const LineEnd&) const = default;
    friend bool operator==(const LineEnd& a, std::u16string_view b) { return a.view() == b; }

private:
    enum class Code : uint8_t { None, Feed, ReturnFeed };
    Code code = Code::None;
};

// One line: its cells, left to right, and the break that ended it in the loaded text.
// The height comes first so that the record packs into 40 bytes. A loaded line is made
// only when first read: until then the box's lines hold where its text lies.
struct CLLine : RefCounted {
    static constexpr bool madeOnFirstRead = true;
    int32_t height = 0; // equal to its weight in the box's lines
    OArray<CLTab> tabs;
    bool isEmptyLine = true;
    LineEnd lineEnd;
};

// A text position: line, cell, character, plus the x kept across vertical moves.
struct CLPos {
    int32_t yLine = 0;
    int32_t xTab = 0;
    int32_t xChar = 0;    // characters (UTF-16 units) of the cell before the position
    int32_t xPosMem = -1; // document x remembered by vertical moves; -1 when none

    // Copies the position only; the remembered x stays this one's own.
    void copyfrom(const CLPos& other) {
        yLine = other.yLine;
        xTab = other.xTab;
        xChar = other.xChar;
    }
    bool operator==(const CLPos&) const = default;
};

// A block of cells: the cells firstCell .. lastCell of each of the lines firstLine ..
// lastLine, all four included; a line with fewer cells holds only those it has of it.
struct CellBlock {
    int32_t firstLine = 0;
    int32_t lastLine = 0;
    int32_t firstCell = 0;
    int32_t lastCell = 0;
    bool operator==(const CellBlock&) const = default;
};

struct CLOptions {
    float tabMin = 4.0f;      // minimum cell width in space widths; spaces per indentation cell
    float tabMargin = 1.0f;   // gap after a cell's text, in space widths
    float emptyHeight = 0.5f; // height of an empty line, in line heights
};

// Where cursorMove takes a position. The codes are fixed: other values move nothing.
enum class CursorDirection : int16_t {
    Right = 0,
    Left = 1,
    Down = 2,
    Up = 3,
    End = 4,
    Home = 5,
    TextEnd = 6,
    TextStart = 7,
    PageDown = 8,
    PageUp = 9,
};

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// One change of the text, told as it is made: textbox/textrange.h.
struct TextChange;
using TextChangeSink = std::function<void(const TextChange&)>;

// The text box engine: the document of lines and cells, the cursor, the scroll state
// and the surface it draws on. Lines are weighted by height and cells by width, so
// accumulated weights are document coordinates in pixels.
class LoadedLines;

class CLBox {
public:
    OArray<CLLine> lines;
    CLPos cursor;
    int32_t scrY = 0; // scroll target: document y shown at the top of the view
    int32_t scrX = 0;
    // Offsets are doubles: past 2^24 pixels a float cannot hold every row, and the
    // animation would never reach its target on a tall document.
    double scrmovY = 0.0; // the offsets drawn now, gliding towards scrX, scrY
    double scrmovX = 0.0;
    int32_t scrmovlstY = 0; // rounded offsets at the last glide draw
    int32_t scrmovlstX = 0;
    bool moving = false; // a redraw or glide is pending
    // Names the state of the text: loading and every edit that changes the text give it a
    // number the box has not given before, so a state can be recognised again later (the
    // one last saved, say) by its number.
    uint64_t revision = 0;
    // Where the selection began; it runs from here to the cursor. Set and read through
    // textbox/selection.h.
    std::optional<CLPos> selectionAnchor;
    // The block of cells selected in place of a stretch of text, or none; set through
    // textbox/blockselection.h and ended as the selection is.
    std::optional<CellBlock> selectedBlock;
    CLOptions options;
    ColourScheme colours = lightScheme(); // what frames are drawn in
    Surface* refWindow = nullptr;         // bound by bind; not owned

    // Coordinate mapping. The document must hold at least one line.
    CLPos XYToPos(int32_t x, int32_t y, bool yonly);
    CLPos XYscrmovToPos(int32_t x, int32_t y, bool yonly);
    PixelPoint posToXY(const CLPos& pos);
    PixelPoint posToXYScrmov(const CLPos& pos);

    // Layout. Ranges are lines [a, r); a bad range raises OutOfRange.
    static bool isEmptyText(std::u16string_view text);
    // The characters an empty line may hold: blanks and a few punctuation marks.
    static bool isEmptyCharacter(char16_t c) {
        constexpr uint64_t marks = uint64_t{1} << (u' ' - 32) | uint64_t{1} << (u'(' - 32) |
                                   uint64_t{1} << (u')' - 32) | uint64_t{1} << (u'*' - 32) |
                                   uint64_t{1} << (u',' - 32) | uint64_t{1} << (u'/' - 32) |
                                   uint64_t{1} << (u';' - 32) | uint64_t{1} << (u'[' - 32) |
                                   uint64_t{1} << (u'\\' - 32) | uint64_t{1} << (u']' - 32);
        return c == u'{' || c == u'}' || (c >= 32 && c < 96 && (marks >> (c - 32) & 1) != 0);
    }
    void updateHeight(int32_t a, int32_t r);
    // The height of an empty line in the cached metrics, pixels.
    int32_t emptyLineHeight() const;
    void tabInnerWidth(CLTab& tab);
    void updateWidth(int32_t a, int32_t r);
    void updateInnerWidth(int32_t a, int32_t r);

    void bind(Surface& surface);
    void updateCache();

    // The document keeps one copy of the text and its cells point into it; handing
    // the text over by move spares that copy.
    void loadtext(std::u16string_view s);
    void loadtext(std::u16string&& s);
    void loadtext(const char16_t* s) { loadtext(std::u16string_view(s)); }
    std::u16string gettext() const;
    // The texts of line l's cells, in order, read without making a loaded line that is not
    // made yet: for walking the whole text. They stay valid while the text does not change.
    void cellTexts(int32_t l, std::vector<std::u16string_view>& cells) const;
    // The same, with each cell's form.
    void cellTexts(int32_t l, std::vector<std::u16string_view>& cells,
                   std::vector<IndentForm>& forms) const;
    // Line l's end, read as cellTexts reads its cells.
    LineEnd lineEndOf(int32_t l) const;
    // The length of line l as gettext writes it, without its line end; a line not made yet
    // is not read for it.
    size_t savedLength(int32_t l) const;

    // For an edit that makes many lines at once (Replace all): their texts, written as
    // loading reads them, handed over to be kept with the load's, so that the lines can be
    // held as codes and made when first read, as loaded lines are (textbox/loadedlines.h).
    // Where the next text handed over starts among the codes' offsets; none without a load.
    // The box keeps a text while holder lives, or while it holds a line as a code into it.
    std::optional<size_t> nextLineTextOffset() const;
    void adoptLineText(std::u16string&& text, std::weak_ptr<const void> holder);
    // Puts other's lines in place of the box's, which other then holds, lines not made yet
    // included: those put in are made by the box's load when first read.
    void exchangeLines(OArray<CLLine>& other);
    // Measures a line that comes back into the text: its cells' inner widths, whether it is
    // empty and its height, in the box's font.
    void measureLine(CLLine& line);

    void render();

    // The codes insertChar takes for the keys that edit cells and lines.
    static constexpr char32_t backspaceCode = 8, tabCode = 9, enterCode = 13;
    // code is a Unicode character or one of the keys' codes; pos changes in place. Any
    // other code that is not typable changes nothing. A change of the text is told to
    // told, if given, as the text-range layer tells its own; even when the edit fails after
    // making it (a surface that cannot measure), before the failure goes on.
    void insertChar(char32_t code, CLPos& pos, const TextChangeSink& told = {});
    // A character that typing inserts: no control code, no surrogate half, nothing past
    // U+10FFFF. A front end joins a surrogate pair into one code before handing it on.
    static bool isTypable(char32_t code);
    void cursorMove(CLPos& pos, CursorDirection dire);
    void viewFollow(const CLPos& pos);
    // Moves the scroll target by a distance in document pixels, never above the top of
    // the text, below where viewFollow stops at its bottom, or left of its left edge;
    // starts the glide when the target moved, and leaves the cursor where it is.
    void scrollBy(int64_t docX, int64_t docY);

    // Gives the text a revision never given before; every operation that changes the text
    // calls it, before the change, so that even one failing half-way counts.
    void markTextChanged() { revision = ++revisionsGiven; }

    // Caches refreshed by updateCache; nothing else writes them.
    int32_t viewWidth = 0;
    int32_t viewHeight = 0;
    int32_t spaceWidth = 0;
    int32_t lineHeight = 0;
    float fontSize = 0.0f;

    CLBox();
    ~CLBox();
    CLBox(const CLBox&) = delete;
    CLBox& operator=(const CLBox&) = delete;

private:
    friend class LoadedLines;
    // Makes the loaded lines when first read, and gives the text of those not made yet.
    std::unique_ptr<LoadedLines> loaded;
    uint64_t revisionsGiven = 0;
    Surface& surface();
    // Measures every line again where the surface's density is no longer the one they were
    // measured at (a frame's first step); where that fails, the next frame tries again.
    void followDensity();
    double measuredDotsPerInch = 0; // the surface's when the lines were last measured
    void cellTextsAndForms(int32_t l, std::vector<std::u16string_view>& cells,
                           std::vector<IndentForm>* forms) const;
    // The font size a line is drawn and measured in: reduced on an empty line.
    double lineFontSize(const CLLine& line) const;
    // A long text's pieces measured in the current font, or null where its width is not
    // theirs to give: a short text, or one the surface lays out some other way.
    const TextPieces* measuredPieces(const CellText& text);
    double prefixWidth(const CellText& text, int32_t units);
    // With text's measured pieces, or null, as measuredPieces gave them.
    double prefixWidth(const CellText& text, const TextPieces* pieces, int32_t units);
    int32_t characterAt(const CellText& text, int32_t xr);
    void drawLine(int32_t l);
    void printCell(int32_t l, int32_t i, double cellLeft, double y);
    void printInView(const CellText& text, double cellLeft);
    void drawCursor();
};
