#include "window/frmEditor.h"

#include "support/EngineError.h"
#include "support/Rounding.h"
#include "support/modLocale.h"
#include "window/fileformat.h"
#include "window/fileread.h"
#include "window/filesave.h"

#include <array>
#include <charconv>
#include <exception>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::u16string_view windowCaption = u"Columnator";
constexpr std::u16string_view loadingCaption = u"loading";
constexpr std::u16string_view fontPromptTitle = u"Colnat";
// Each tick covers this share of the remaining way to the scroll target.
constexpr double glideFraction = 0.3;

// The escapes are stored as a backslash and a letter and replaced when loaded.
constexpr std::u16string_view storedDemoText =
    uR"(drag-drop to load file\nright-click to change font\nno selection yet\n\n1\t2\t3\t4\t\none\ttwo\tthreeeeee\tfour\t\n\nwhile(--c)\n{\n\tif(a==b)\n\t{\n\t\twow(\tthisisaparameternamewithlongname,\n\t\t\tthisisanotheroneofthem\n\t\t\t);\n\t}\n}\n)";

std::u16string replaceAll(std::u16string text, std::u16string_view from, std::u16string_view to) {
    for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

std::u16string demoText() {
    return replaceAll(replaceAll(std::u16string(storedDemoText), u"\\n", u"\r\n"), u"\\t", u"\t");
}

// A tail in double quotes names the file between them; any other is the name, blanks and all.
std::u16string fileNameFrom(const std::u16string& commandLine) {
    const bool quoted =
        commandLine.size() >= 2 && commandLine.front() == u'"' && commandLine.back() == u'"';
    return quoted ? commandLine.substr(1, commandLine.size() - 2) : commandLine;
}

// The number its leading numeric characters spell ("12abc" is 12); 0 without digits.
double leadingNumber(std::u16string_view answer) {
    size_t at = answer.find_first_not_of(u" \t");
    std::string digits;
    if (at != std::u16string_view::npos && (answer[at] == u'-' || answer[at] == u'+'))
        digits.push_back(static_cast<char>(answer[at++]));
    bool seenPoint = false;
    for (; at < answer.size(); ++at) {
        const char16_t c = answer[at];
        const bool point = c == u'.' && !seenPoint;
        if (!point && (c < u'0' || c > u'9'))
            break;
        seenPoint = seenPoint || point;
        digits.push_back(static_cast<char>(c));
    }
    const size_t sign = !digits.empty() && digits.front() == '+' ? 1 : 0;
    double value = 0.0;
    std::from_chars(digits.data() + sign, digits.data() + digits.size(), value);
    return value;
}

// The shortest text that reads back as the same size: 9 as "9", 10.5 as "10.5". Sizes
// pass through the box's single-precision cache, so a double would show 14.199999809265137.
std::u16string sizeText(float value) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return {buffer.data(), end};
}

std::optional<int32_t> directionOf(int32_t keyCode, bool ctrl) {
    switch (keyCode) {
    case frmEditor::KeyRight:
        return 0;
    case frmEditor::KeyLeft:
        return 1;
    case frmEditor::KeyDown:
        return 2;
    case frmEditor::KeyUp:
        return 3;
    case frmEditor::KeyEnd:
        return ctrl ? 6 : 4;
    case frmEditor::KeyHome:
        return ctrl ? 7 : 5;
    case frmEditor::KeyPageDown:
        return 8;
    case frmEditor::KeyPageUp:
        return 9;
    default:
        return std::nullopt;
    }
}

std::u16string fromUtf8(const char* message) {
    return modLocale::bytesToText(message, modLocale::codePageUtf8);
}

// A step of the font change whose failure leaves the old value and lets the next run.
template <class Step> void ignoringErrors(Step&& step) {
    try {
        step();
    } catch (const std::exception&) { // EngineError is one
    }
}

} // namespace

frmEditor::frmEditor(Host& windowHost) : host(windowHost) {}

CLBox& frmEditor::box() {
    if (!editorBox) {
        auto created = std::make_unique<CLBox>();
        created->bind(host.picture());
        editorBox = std::move(created);
    }
    return *editorBox;
}

template <class Step>
std::optional<std::u16string> frmEditor::failureOf(std::u16string_view operation, Step&& step) {
    const std::u16string context = u"Error while " + std::u16string(operation) + u": ";
    try {
        step();
        return std::nullopt;
    } catch (const EngineError& e) {
        return context + fromUtf8(e.what()) + u" (error " +
               fromUtf8(std::to_string(static_cast<int>(e.number)).c_str()) + u")";
    } catch (const std::exception& e) {
        return context + fromUtf8(e.what());
    }
}

template <class Step> void frmEditor::guarded(std::u16string_view operation, Step&& step) {
    if (const auto failure = failureOf(operation, std::forward<Step>(step)))
        report(*failure);
}

void frmEditor::report(const std::u16string& message) {
    ignoringErrors([&] { host.reportError(message, std::u16string(windowCaption)); });
}

void frmEditor::onLoad() {
    guarded(u"starting", [&] {
        box(); // bound to the surface before anything is read
        const std::u16string commandLine = host.commandLine();
        if (commandLine.empty())
            box().loadtext(demoText());
        else
            openAtStartUp(fileNameFrom(commandLine));
    });
}

// A file that cannot be read still gives an empty document; one that does not exist yet
// keeps its name, so that the first save creates it.
void frmEditor::openAtStartUp(const std::u16string& name) {
    box().loadtext(u"");
    try {
        loadFile(name);
    } catch (const FileNotFound& missing) {
        filePath = name;
        fileCodePage = modLocale::codePageUtf8;
        fileHadBom = false;
        throw FileNotFound(std::string(missing.what()) + "; saving with Ctrl+S creates it");
    }
}

// The document and the remembered file change together, and only once the file is read.
void frmEditor::loadFile(const std::u16string& path) {
    TextFile file = readTextFile(path);
    box().loadtext(std::move(file.text)); // the document keeps this one copy of the text
    filePath = path;
    fileCodePage = file.format.codePage;
    fileHadBom = file.format.hadBom;
    fileOddByte = file.format.oddTrailingByte;
}

void frmEditor::onResize(int32_t innerWidth, int32_t innerHeight) {
    guarded(u"resizing", [&] {
        host.setPictureSize(innerWidth, innerHeight);
        box().render();
    });
}

// The caption is back before any message, so a failed drop never leaves "loading".
void frmEditor::onDrop(const std::vector<std::u16string>& files) {
    if (files.size() != 1)
        return;
    guarded(u"opening", [&] { host.setCaption(std::u16string(loadingCaption)); });
    const auto loadFailure = failureOf(u"opening", [&] { loadFile(files.front()); });
    guarded(u"opening", [&] { host.setCaption(std::u16string(windowCaption)); });
    guarded(u"drawing", [&] { box().render(); });
    if (loadFailure)
        report(*loadFailure);
}

void frmEditor::onKeyDown(int32_t keyCode, int32_t shift) {
    const bool ctrl = (shift & ShiftMaskCtrl) != 0;
    if (keyCode == KeyS && ctrl) {
        guarded(u"saving", [&] {
            save();
            drawUnlessMoving();
        });
        return;
    }
    guarded(u"editing", [&] {
        if (editByKey(keyCode, ctrl))
            drawUnlessMoving();
    });
}

// False for a key that does nothing.
bool frmEditor::editByKey(int32_t keyCode, bool ctrl) {
    CLBox& b = box();
    if (keyCode == KeyBackspace || keyCode == KeyTab || keyCode == KeyEnter) {
        b.insertChar(static_cast<char32_t>(keyCode), b.cursor);
        return true;
    }
    const std::optional<int32_t> direction = directionOf(keyCode, ctrl);
    if (direction)
        b.cursorMove(b.cursor, *direction);
    return direction.has_value();
}

// Text the file's code page cannot hold would turn into '?': the user chooses UTF-8 or
// leaves the file as it is.
void frmEditor::save() {
    if (filePath.empty())
        throw std::runtime_error(
            "this text has no file to save to; drop a file onto the window to edit it");
    const std::u16string text = box().gettext();
    TextFileFormat format{fileCodePage, fileHadBom, fileOddByte};
    if (!canStore(text, format)) {
        const bool toUtf8 = host.askYesNo(u"The text holds characters that the file's code "
                                          u"page cannot store. Store the file as UTF-8 instead?",
                                          std::u16string(windowCaption));
        if (!toUtf8)
            return;
        format = TextFileFormat{};
    }
    writeTextFile(filePath, text, format);
    fileCodePage = format.codePage;
    fileHadBom = format.hadBom;
    fileOddByte = format.oddTrailingByte;
}

void frmEditor::drawUnlessMoving() {
    if (!box().moving)
        box().render();
}

// Backspace, Tab and Enter arrive through key down. A surrogate half or a value past
// U+10FFFF is no character, and saving would have to replace it.
void frmEditor::onKeyPress(char32_t ch) {
    if (ch < 32 || (ch >= 0xD800 && ch <= 0xDFFF) || ch > 0x10FFFF)
        return;
    guarded(u"typing", [&] {
        box().insertChar(ch, box().cursor);
        drawUnlessMoving();
    });
}

// The view does not follow a click: the cursor goes where the text is shown now.
void frmEditor::onMouseDown(int32_t button, int32_t, double x, double y) {
    if (button != ButtonLeft)
        return;
    guarded(u"placing the cursor", [&] {
        CLBox& b = box();
        b.cursor = b.XYscrmovToPos(roundToPixel(x), roundToPixel(y), false);
        b.render();
    });
}

void frmEditor::onMouseUp(int32_t button, int32_t, double, double) {
    if (button != ButtonRight)
        return;
    guarded(u"changing the font", [&] { changeFont(); });
}

// Every step runs even when one before it failed, so the text is always laid out again.
// A font in which the text would be too tall or wide to lay out is taken back.
void frmEditor::changeFont() {
    CLBox& b = box();
    Surface& surface = host.picture();
    const std::u16string previousName = surface.fontName();
    const double previousSize = surface.fontSize();
    ignoringErrors([&] { surface.setFontBold(false); });
    ignoringErrors([&] { surface.setFontItalic(false); });
    ignoringErrors([&] { surface.setFontStrikethrough(false); });
    ignoringErrors([&] { askFontName(surface); });
    ignoringErrors([&] { askFontSize(surface); });
    if (layOutAgain(b) == Layout::Refused) {
        ignoringErrors([&] { surface.setFontName(previousName); });
        ignoringErrors([&] { surface.setFontSize(previousSize); });
        layOutAgain(b);
        report(u"The text is too large to lay out in that font; the font stays as it was.");
    }
}

frmEditor::Layout frmEditor::layOutAgain(CLBox& b) {
    Layout result = Layout::Done;
    const auto step = [&](auto&& run) {
        try {
            run();
        } catch (const EngineError& e) {
            result = e.number == ErrorNumber::Overflow ? Layout::Refused : result;
        } catch (const std::exception&) {
        }
    };
    step([&] { b.updateCache(); });
    step([&] { b.updateHeight(0, b.lines.size()); });
    step([&] { b.updateInnerWidth(0, b.lines.size()); });
    step([&] { b.render(); });
    return result;
}

void frmEditor::askFontName(Surface& surface) {
    const std::u16string name =
        host.inputBox(u"font name:", std::u16string(fontPromptTitle), surface.fontName());
    if (!name.empty())
        surface.setFontName(name);
}

// A size that is not positive (letters only give 0) is refused, as the platforms would.
void frmEditor::askFontSize(Surface& surface) {
    const std::u16string answer = host.inputBox(u"font size:", std::u16string(fontPromptTitle),
                                                sizeText(static_cast<float>(surface.fontSize())));
    if (answer.empty())
        return;
    const double size = leadingNumber(answer);
    if (size > 0)
        surface.setFontSize(size);
}

// A glide that cannot draw stops before its error is shown, or every tick during the
// message would report it again.
void frmEditor::onTick() {
    guarded(u"scrolling", [&] {
        try {
            glide();
        } catch (...) {
            box().moving = false;
            throw;
        }
    });
}

void frmEditor::glide() {
    CLBox& b = box();
    if (!b.moving)
        return;
    b.scrmovY = (b.scrY - b.scrmovY) * glideFraction + b.scrmovY;
    b.scrmovX = (b.scrX - b.scrmovX) * glideFraction + b.scrmovX;
    const int32_t shownX = roundToPixel(b.scrmovX), shownY = roundToPixel(b.scrmovY);
    if (shownX != b.scrmovlstX || shownY != b.scrmovlstY) {
        b.render();
        b.scrmovlstY = shownY;
        b.scrmovlstX = shownX;
    } else if (shownX == b.scrX && shownY == b.scrY) {
        b.render();
        b.moving = false;
    }
}
