#include "window/frmEditor.h"

#include "window/WindowDesign.h"

#include <exception>
#include <utility>
#include <variant>

frmEditor::frmEditor(Host& windowHost) : host(windowHost) {}

CLBox& frmEditor::box() {
    if (!editorBox) {
        auto created = std::make_unique<CLBox>();
        created->bind(host.picture());
        editorBox = std::move(created);
    }
    return *editorBox;
}

// Taken even while another handler runs, so that no change of scheme is lost; drawn when
// free. The box holds the scheme, so it is made here if no handler made it yet.
void frmEditor::onColoursChanged(const SystemColours& system) {
    box().colours = schemeFor(system);
    runIfFree([&] { draw(); });
}

void frmEditor::runIfFree(const Body& body) {
    if (gate.admits())
        runThenDeliverKept(body);
}

// The caption follows every handler, so that no step of one has to remember it.
void frmEditor::runThenDeliverKept(const Body& body) {
    gate.runShielded([&] {
        body();
        tellScreenReader();
        showCaption();
    });
    while (std::optional<HandlerGate::Kept> kept = gate.takeKept())
        gate.runShielded([&] {
            if (const auto* size = std::get_if<PictureSize>(&*kept))
                resize(*size);
            else
                report(std::get<std::u16string>(*kept));
            showCaption();
        });
}

bool frmEditor::guarded(std::u16string_view operation, const Body& body) {
    const auto failure = failureOf(operation, body);
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

void frmEditor::reportOnce(HandlerGate::Recurring operation,
                           const std::optional<std::u16string>& failure) {
    if (const auto message = gate.toTell(operation, failure))
        report(*message);
}

void frmEditor::onFailure(std::u16string_view message) {
    if (!gate.admits())
        gate.keepFailure(message);
    else
        runThenDeliverKept([&] { report(std::u16string(message)); });
}

bool frmEditor::modified() {
    return editorBox && document.isModified(editorBox->revision);
}

// "Columnator", with a star while the text holds changes not saved, and " - extending" in
// F8's extend mode; set only on a change. A find that takes long shows its progress instead.
void frmEditor::showCaption() {
    if (finding.isPending())
        return setCaption(finding.caption());
    const std::u16string caption = (modified() ? u"*" : u"") +
                                   std::u16string(windowDesign::caption) +
                                   (extending.isOn() ? u" - extending" : u"");
    setCaption(caption);
}

void frmEditor::setCaption(const std::u16string& caption) {
    if (caption == shownCaption)
        return;
    guarded(u"showing the caption", [&] { host.setCaption(caption); });
    shownCaption = caption;
}

void frmEditor::onResize(int32_t innerWidth, int32_t innerHeight) {
    if (!gate.admits())
        return gate.keepResize({innerWidth, innerHeight});
    runThenDeliverKept([&] { resize({innerWidth, innerHeight}); });
}

// A picture that cannot take the new size keeps its old one and frame; a window dragged
// past what it can hold would otherwise say so on every step of the drag.
void frmEditor::resize(PictureSize size) {
    const auto failure =
        failureOf(u"resizing", [&] { host.setPictureSize(size.width, size.height); });
    reportOnce(HandlerGate::Recurring::Resizing, failure);
    if (!failure)
        draw();
}

// A frame that cannot be drawn fails again on every key and tick until its cause goes
// (a line too wide to lay out, say), so each cause is shown once.
frmEditor::Frame frmEditor::draw() {
    const auto failure = failureOf(u"drawing", [&] { box().render(); });
    reportOnce(HandlerGate::Recurring::Drawing, failure);
    return failure ? Frame::Failed : Frame::Drawn;
}

void frmEditor::drawUnlessMoving() {
    if (!box().moving)
        draw();
}
