#include "window/frmEditor.h"

#include "support/EngineError.h"
#include "support/modLocale.h"
#include "window/WindowDesign.h"

#include <exception>
#include <stdexcept>
#include <utility>

namespace {

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
        showCaption();
    } catch (...) {
    }
    handlerRunning = false;
}

bool frmEditor::modified() {
    return editorBox && editorBox->revision != savedRevision;
}

// "Columnator", with a star while the text holds changes not saved; set only on a change.
// A find that takes long shows its progress instead.
void frmEditor::showCaption() {
    if (pendingFind)
        return setCaption(findingCaption());
    const std::u16string caption =
        (modified() ? u"*" : u"") + std::u16string(windowDesign::caption);
    setCaption(caption);
}

void frmEditor::setCaption(const std::u16string& caption) {
    if (caption == shownCaption)
        return;
    guarded(u"showing the caption", [&] { host.setCaption(caption); });
    shownCaption = caption;
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
