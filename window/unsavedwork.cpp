#include "window/frmEditor.h"

#include "window/WindowDesign.h"

#include <string>
#include <vector>

// A failure to write is told once until a write succeeds.
void frmEditor::keepUnsavedWork() {
    bool wrote = false;
    const auto failure = failureOf(u"keeping unsaved work for recovery",
                                   [&] { wrote = document.writeJournalIfDue(); });
    if (wrote || failure)
        reportOnce(HandlerGate::Recurring::JournalWriting, failure);
}

void frmEditor::forgetJournal() {
    guarded(u"removing the recovery file", [&] { document.forgetJournal(); });
}

// The newest journal kept for the text just opened, made on exactly this text, is offered
// back. Declined, it stays until the next save; damaged or made on another version of the
// file, it is told about and left alone.
void frmEditor::offerRecovery() {
    std::vector<std::u16string> problems;
    const auto kept = document.keptWork(problems);
    for (const std::u16string& problem : problems)
        report(problem);
    if (kept &&
        host.askOkCancel(document.keptWorkQuestion(), std::u16string(windowDesign::caption)))
        restore(*kept);
}

// The text is rebuilt whole or not at all; it then holds the changes as unsaved ones.
void frmEditor::restore(const DocumentSession::KeptWork& kept) {
    history.clear(); // the changes restored are the text's from now on, not steps to take back
    const auto failure =
        failureOf(u"restoring unsaved changes", [&] { replayEdits(box(), kept.journal.edits); });
    if (failure) {
        reloadBase();
        report(*failure + u"; the recovery file was left alone.");
        return;
    }
    guarded(u"keeping unsaved work for recovery", [&] { document.adoptKeptWork(kept); });
}
