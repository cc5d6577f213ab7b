#include "window/frmEditor.h"

#include "support/EngineError.h"
#include "support/modLocale.h"
#include "window/WindowDesign.h"
#include "window/fileformat.h"
#include "window/fileread.h"
#include "window/filesave.h"

#include <exception>
#include <stdexcept>
#include <utility>

namespace {

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
std::u16string fileNameFrom(std::u16string_view commandLine) {
    const bool quoted =
        commandLine.size() >= 2 && commandLine.front() == u'"' && commandLine.back() == u'"';
    return std::u16string(quoted ? commandLine.substr(1, commandLine.size() - 2) : commandLine);
}

std::u16string fromUtf8(const char* message) {
    return modLocale::bytesToText(message, modLocale::codePageUtf8);
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

void frmEditor::handle(const Step& body) {
    if (!started || handlerRunning)
        return;
    runAlone(body);
}

// What arrived while a handler ran and must not be lost follows it, each alone too.
void frmEditor::runAlone(const Step& body) {
    runExclusively(body);
    while (pendingResize || !pendingFailures.empty()) {
        if (pendingResize) {
            const PictureSize size = *std::exchange(pendingResize, std::nullopt);
            runExclusively([&] { resize(size); });
        } else {
            const std::u16string message = std::move(pendingFailures.front());
            pendingFailures.pop_front();
            runExclusively([&] { report(message); });
        }
    }
}

// Handlers report their own failures; what still escapes them (a report that could not
// be made, say) ends here, since nothing may reach the platform's event loop.
void frmEditor::runExclusively(const Step& step) {
    handlerRunning = true;
    try {
        step();
    } catch (...) {
    }
    handlerRunning = false;
}

std::optional<std::u16string> frmEditor::failureOf(std::u16string_view operation,
                                                   const Step& step) {
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

bool frmEditor::guarded(std::u16string_view operation, const Step& step) {
    const auto failure = failureOf(operation, step);
    if (failure)
        report(*failure);
    return !failure;
}

void frmEditor::report(const std::u16string& message) {
    try {
        host.reportError(message, std::u16string(windowDesign::caption));
    } catch (const std::exception&) { // nowhere left to tell it
    }
}

void frmEditor::onFailure(std::u16string_view message) {
    if (!started || handlerRunning)
        pendingFailures.emplace_back(message);
    else
        runAlone([&] { report(std::u16string(message)); });
}

void frmEditor::onLoad(std::u16string_view commandLine) {
    onLoadFile(commandLine.empty() ? std::nullopt
                                   : std::optional<std::u16string>(fileNameFrom(commandLine)));
}

// Start-up runs once, before every other handler; a resize that came earlier follows it.
void frmEditor::onLoadFile(const std::optional<std::u16string>& path) {
    if (started || handlerRunning)
        return;
    started = true;
    runAlone([&] { guarded(u"starting", [&] { start(path); }); });
}

void frmEditor::start(const std::optional<std::u16string>& path) {
    box(); // bound to the surface before anything is read
    if (path)
        openAtStartUp(*path);
    else
        box().loadtext(demoText());
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
    if (!started || handlerRunning) {
        pendingResize = PictureSize{innerWidth, innerHeight};
        return;
    }
    runAlone([&] { resize({innerWidth, innerHeight}); });
}

// A picture that cannot take the new size keeps its old one and frame; a window dragged
// past what it can hold would otherwise say so on every step of the drag.
void frmEditor::resize(PictureSize size) {
    const auto failure =
        failureOf(u"resizing", [&] { host.setPictureSize(size.width, size.height); });
    if (!failure)
        resizingFailure.clear();
    else if (resizingFailure.isNew())
        report(*failure);
    if (!failure)
        draw();
}

void frmEditor::onDrop(const std::vector<std::u16string>& files) {
    if (files.size() == 1)
        handle([&] { drop(files.front()); });
}

// The caption is back before any message, so a failed drop never leaves "loading".
void frmEditor::drop(const std::u16string& file) {
    guarded(u"opening", [&] { host.setCaption(std::u16string(windowDesign::loadingCaption)); });
    const auto loadFailure = failureOf(u"opening", [&] { loadFile(file); });
    guarded(u"opening", [&] { host.setCaption(std::u16string(windowDesign::caption)); });
    draw();
    if (loadFailure)
        report(*loadFailure);
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
                                          std::u16string(windowDesign::caption));
        if (!toUtf8)
            return;
        format = TextFileFormat{};
    }
    writeTextFile(filePath, text, format);
    fileCodePage = format.codePage;
    fileHadBom = format.hadBom;
    fileOddByte = format.oddTrailingByte;
}

// A frame that cannot be drawn fails again on every key and tick until its cause goes
// (a line too wide to lay out, say), so each cause is shown once.
frmEditor::Frame frmEditor::draw() {
    const auto failure = failureOf(u"drawing", [&] { box().render(); });
    if (!failure) {
        drawingFailure.clear();
        return Frame::Drawn;
    }
    if (drawingFailure.isNew())
        report(*failure);
    return Frame::Failed;
}

void frmEditor::drawUnlessMoving() {
    if (!box().moving)
        draw();
}
