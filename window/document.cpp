#include "window/frmEditor.h"

#include "support/modLocale.h"
#include "textbox/savedform.h"
#include "window/WindowDesign.h"
#include "window/fileformat.h"
#include "window/fileread.h"
#include "window/filesave.h"
#include "window/filestamp.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

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

std::u16string saveChangesQuestion(const std::u16string& filePath) {
    return u"Save the changes to " + shownName(filePath) + u"?";
}

} // namespace

void frmEditor::onLoad(std::u16string_view commandLine) {
    onLoadFile(commandLine.empty() ? std::nullopt
                                   : std::optional<std::u16string>(fileNameFrom(commandLine)));
}

// Start-up runs once, before every other handler; a resize that came earlier follows it.
void frmEditor::onLoadFile(const std::optional<std::u16string>& path) {
    if (gate.admitsStartUp())
        runThenDeliverKept([&] { guarded(u"starting", [&] { start(path); }); });
}

// Work kept from an earlier run is offered once the text it was made on is in.
void frmEditor::start(const std::optional<std::u16string>& path) {
    box(); // bound to the surface before anything is read
    if (path) {
        openAtStartUp(*path);
    } else {
        loadText(demoText());
        textIsBase(JournalBase{u"", FileStamp{}}); // the path "" is the demo text's alone
    }
    offerRecovery();
}

// A file that cannot be read still gives an empty document, with nothing to rebuild it
// from; one that does not exist yet keeps its name, so that the first save creates it.
void frmEditor::openAtStartUp(const std::u16string& name) {
    loadText(u"");
    textIsBase(std::nullopt);
    try {
        loadFile(name);
    } catch (const FileNotFound& missing) {
        filePath = name;
        fileFormat = TextFileFormat{};
        textIsBase(JournalBase{name, FileStamp{}});
        offerRecovery();
        throw FileNotFound(std::string(missing.what()) + "; saving with Ctrl+S creates it");
    }
}

// The document and the remembered file change together, and only once the file is read.
void frmEditor::loadFile(const std::u16string& path) {
    TextFile file = readTextFile(path);
    loadText(std::move(file.text)); // the document keeps this one copy of the text
    textIsBase(JournalBase{path, file.stamp});
    filePath = path;
    fileFormat = std::move(file.format);
}

void frmEditor::onDrop(const std::vector<std::u16string>& files) {
    if (files.size() == 1)
        runIfFree([&] {
            if (mayPutTextAside())
                loadInPlace(files.front());
        });
}

// The text equals what base names: nothing unsaved, and the journal's edits are saved or
// given up. Without a base (a file that could not be read) there is nothing to rebuild the
// text from.
void frmEditor::textIsBase(std::optional<JournalBase> base) {
    document.setBase(box().revision, std::move(base));
    forgetJournal();
}

// What the user has not saved is kept unless they say otherwise: Save saves (asking for
// a name where there is none), and a save that fails or is cancelled keeps it too.
bool frmEditor::mayPutTextAside() {
    if (!modified())
        return true;
    switch (
        host.askSaveChanges(saveChangesQuestion(filePath), std::u16string(windowDesign::caption))) {
    case SaveChoice::Save:
        return saveByUser(&frmEditor::save);
    case SaveChoice::DontSave:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

// The caption is back before any message, so a failed load never leaves "loading".
void frmEditor::loadInPlace(const std::u16string& file) {
    setCaption(std::u16string(windowDesign::loadingCaption));
    const auto loadFailure = failureOf(u"opening", [&] { loadFile(file); });
    showCaption();
    draw();
    if (loadFailure)
        report(*loadFailure);
}

void frmEditor::open() {
    if (!mayPutTextAside())
        return;
    std::u16string path;
    guarded(u"opening", [&] { path = host.askOpenPath(filePath); });
    if (!path.empty())
        loadInPlace(path);
}

// After a journal failed to replay: the text as it was before, never half rebuilt.
void frmEditor::reloadBase() {
    const JournalBase base = *document.base();
    guarded(u"restoring unsaved changes", [&] {
        if (base.path.empty())
            loadText(demoText());
        else if (!base.stamp.exists)
            loadText(u"");
        else
            loadFile(base.path);
        document.markSaved(box().revision);
    });
}

// Agreed, the recovery file goes, but the journal stays whole: a session's end that another
// program cancels leaves the window open, and a later write then makes the file again with
// every edit since the text's base.
bool frmEditor::onClose() {
    if (!gate.hasStarted())
        return true;
    if (!gate.admits())
        return false; // a dialog of ours is open: it is answered first
    bool closing = false;
    runThenDeliverKept([&] {
        closing = mayPutTextAside();
        if (closing)
            guarded(u"removing the recovery file", [&] { document.removeJournalFile(); });
    });
    return closing;
}

// Runs a save as the user asked for it; false when nothing was saved (cancelled,
// declined, or failed and told).
bool frmEditor::saveByUser(bool (frmEditor::*saving)()) {
    bool saved = false;
    guarded(u"saving", [&] { saved = (this->*saving)(); });
    return saved;
}

// A text without a file is stored as a new file gets stored: UTF-8 without a mark.
bool frmEditor::save() {
    if (filePath.empty())
        return saveAs();
    return writeDocument(filePath, fileFormat);
}

bool frmEditor::saveAs() {
    const std::u16string path = host.askSavePath(filePath);
    if (path.empty())
        return false;
    return writeDocument(path, filePath.empty() ? TextFileFormat{} : fileFormat);
}

// Text the format cannot hold would turn into '?': the user chooses UTF-8 or leaves the
// file as it is. So too when another program wrote the file since it was loaded or saved.
bool frmEditor::writeDocument(const std::u16string& path, TextFileFormat format) {
    const std::u16string text = box().gettext();
    if (!canStore(text, format)) {
        const bool toUtf8 = host.askYesNo(u"The text holds characters that the file's code "
                                          u"page cannot store. Store the file as UTF-8 instead?",
                                          std::u16string(windowDesign::caption), EnterAnswers::Yes);
        if (!toUtf8)
            return false;
        format = TextFileFormat{};
    }
    if (path == filePath && document.changedOnDisk(filePath) &&
        !host.askYesNo(shownName(path) +
                           u" was changed by another program since it was opened or saved. "
                           u"Save over those changes?",
                       std::u16string(windowDesign::caption), EnterAnswers::Yes))
        return false;
    const FileStamp written = writeTextFile(path, text, format);
    textIsBase(JournalBase{path, written});
    document.setBaseDifferences(changesFromReloaded(box()));
    guarded(u"removing the recovery files", [&] { document.discardKeptJournals(path); });
    filePath = path;
    fileFormat = std::move(format);
    return true;
}

void frmEditor::onActivate() {
    runIfFree([&] { guarded(u"looking at the file", [&] { askAboutDiskChange(); }); });
}

// Each state of the file is asked or told about once. Declined, the text stays as it is,
// and a save then asks before writing over the other program's version.
void frmEditor::askAboutDiskChange() {
    const std::u16string name = shownName(filePath);
    const std::u16string title(windowDesign::caption);
    switch (document.newDiskChange(filePath)) {
    case DocumentSession::DiskChange::None:
        return;
    case DocumentSession::DiskChange::Deleted:
        return host.tell(name + u" was deleted by another program. Saving writes it again.", title);
    case DocumentSession::DiskChange::Changed:
        break;
    }
    const bool reload =
        modified() ? host.askYesNo(name + u" was changed by another program. Load it from the "
                                          u"disk and lose the changes made here?",
                                   title, EnterAnswers::No)
                   : host.askYesNo(name + u" was changed by another program. Load it again?", title,
                                   EnterAnswers::Yes);
    if (reload)
        reloadKeepingTheLine();
}

// The cursor stays on the same line number, or the last line of a shorter text.
void frmEditor::reloadKeepingTheLine() {
    const int32_t line = box().cursor.yLine;
    const auto failure = failureOf(u"loading the file again", [&] {
        loadFile(filePath);
        CLBox& reloaded = box();
        reloaded.cursor = CLPos{std::min(line, reloaded.lines.size() - 1)};
        reloaded.viewFollow(reloaded.cursor);
    });
    draw();
    if (failure)
        report(*failure);
}
