#include "window/frmEditor.h"

#include "window/WindowDesign.h"
#include "window/recovery.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The journal is written once typing has paused this long, or at the latest this long
// after its oldest unwritten edit, counted in ticks.
constexpr int32_t idleTicksBeforeWriting = 1000 / windowDesign::tickMilliseconds;
constexpr int32_t mostTicksUnwritten = 10000 / windowDesign::tickMilliseconds;

std::u16string shownName(const std::u16string& path) {
    return path.empty() ? std::u16string(u"the text")
                        : u"\"" + fs::path(path).filename().u16string() + u"\"";
}

// A journal written no earlier than the file was, or for a text with no file on disk. A
// file written later was saved by another run, which removed its journals, or changed by
// another program, on which the journal's edits no longer fit.
bool newerThanTheFile(const fs::path& journalFile, const std::u16string& path) {
    std::error_code unknown;
    if (path.empty() || !fs::exists(fs::path(path), unknown))
        return true;
    const auto fileTime = fs::last_write_time(fs::path(path), unknown);
    if (unknown)
        return true;
    const auto journalTime = fs::last_write_time(journalFile, unknown);
    return !unknown && journalTime >= fileTime;
}

} // namespace

// Asked of the host once: a folder made on the first edit, not at every start.
const std::u16string& frmEditor::recoveryFolder() {
    if (!recoveryFolderPath)
        recoveryFolderPath = host.recoveryFolder();
    return *recoveryFolderPath;
}

// Every change of the text is journalled as the text-range layer told it, so that it can be
// made again on the text's base after a crash. A change leaves the cursor after what it
// inserted, and the last of an action where the action left it.
void frmEditor::journalChanges(const std::vector<TextChange>& changes) {
    if (changes.empty())
        return;
    idleTicks = 0;
    if (!documentBase || recoveryFolder().empty())
        return;
    const auto record = [&](const TextChange& change, const CLPos& cursor) {
        journal->record(JournalEdit::replacement(change.at, endOf(change.at, *change.removed),
                                                 cursor, change.inserted));
    };
    if (!journal) {
        journal.emplace(fs::path(recoveryFolder()), *documentBase);
        for (const TextChange& difference : baseDifferences)
            record(difference, endOf(difference.at, *difference.inserted));
    }
    for (size_t k = 0; k < changes.size(); ++k) {
        const TextChange& change = changes[k];
        record(change, k + 1 < changes.size() ? endOf(change.at, *change.inserted) : box().cursor);
    }
}

// Writing flushes to the disk, so it waits for a pause in typing; a failure to write is
// told once until a write succeeds, and the edits stay to be written next time.
void frmEditor::keepUnsavedWork() {
    if (!journal || !journal->hasUnwritten()) {
        ticksUnwritten = 0;
        return;
    }
    ++idleTicks;
    ++ticksUnwritten;
    if (idleTicks < idleTicksBeforeWriting && ticksUnwritten < mostTicksUnwritten)
        return;
    ticksUnwritten = 0;
    const auto failure = failureOf(u"keeping unsaved work for recovery", [&] { journal->write(); });
    if (!failure)
        journalFailure.clear();
    else if (journalFailure.isNew())
        report(*failure);
}

void frmEditor::forgetJournal() {
    if (journal)
        guarded(u"removing the recovery file", [&] { journal->discard(); });
    journal.reset();
}

// After a save, the journals kept from earlier runs of the same file are of no use.
void frmEditor::discardKeptJournals(const std::u16string& path) {
    if (!recoveryFolder().empty())
        guarded(u"removing the recovery files",
                [&] { discardJournals(fs::path(recoveryFolder()), path); });
}

// The newest journal kept for the text just opened, made on exactly this text, is offered
// back. Declined, it stays until the next save; damaged or made on another version of the
// file, it is told about and left alone.
void frmEditor::offerRecovery() {
    if (!documentBase || recoveryFolder().empty())
        return;
    const fs::path folder(recoveryFolder());
    for (const fs::path& file : journalsFor(folder, documentBase->path)) {
        if (!newerThanTheFile(file, documentBase->path))
            continue;
        RecoveredJournal recovered;
        const auto damage = failureOf(u"reading the recovery file " + file.u16string(),
                                      [&] { recovered = readJournal(file); });
        if (damage) {
            report(*damage + u"; it was left alone.");
            continue;
        }
        if (recovered.base.path != journalPathFor(documentBase->path))
            continue; // another document's, its name alike
        if (recovered.base.stamp != documentBase->stamp) {
            report(u"A recovery file of " + shownName(documentBase->path) +
                   u" was made on another version of it and cannot be used; it was left alone: " +
                   file.u16string());
            continue;
        }
        if (host.askOkCancel(u"Changes to " + shownName(documentBase->path) +
                                 u" that were not saved were kept when Columnator last stopped. "
                                 u"Restore them?\n\nCancel keeps them until the text is saved.",
                             std::u16string(windowDesign::caption)))
            restore(recovered, file);
        return;
    }
}

// The text is rebuilt whole or not at all; it then holds the changes as unsaved ones, and
// a journal of this run keeps them, so the old file can go.
void frmEditor::restore(const RecoveredJournal& recovered, const fs::path& file) {
    history.clear(); // the changes restored are the text's from now on, not steps to take back
    const auto failure =
        failureOf(u"restoring unsaved changes", [&] { replayEdits(box(), recovered.edits); });
    if (failure) {
        reloadBase();
        report(*failure + u"; the recovery file was left alone.");
        return;
    }
    journal.emplace(fs::path(recoveryFolder()), *documentBase);
    for (const JournalEdit& edit : recovered.edits)
        journal->record(edit);
    if (guarded(u"keeping unsaved work for recovery", [&] { journal->write(); })) {
        std::error_code ignored;
        fs::remove(file, ignored);
    }
}
