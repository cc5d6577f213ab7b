#include "window/DocumentSession.h"

#include "window/WindowDesign.h"

#include "textbox/replaceall.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

// The journal is written once typing has paused this long, or at the latest this long
// after its oldest unwritten edit, counted in ticks.
constexpr int32_t idleTicksBeforeWriting = 1000 / windowDesign::tickMilliseconds;
constexpr int32_t mostTicksUnwritten = 10000 / windowDesign::tickMilliseconds;

// Size and time tell whether another program wrote the file; the hash is for recovery.
bool sameFileState(const FileStamp& a, const FileStamp& b) {
    return a.exists == b.exists && a.size == b.size && a.modified == b.modified;
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

std::u16string shownName(const std::u16string& path) {
    return path.empty() ? std::u16string(u"the text")
                        : u"\"" + fs::path(path).filename().u16string() + u"\"";
}

std::u16string DocumentSession::keptWorkQuestion() const {
    return u"Changes to " + shownName(documentBase->path) +
           u" that were not saved were kept when Columnator last stopped. Restore them?\n\n"
           u"Cancel keeps them until the text is saved.";
}

void DocumentSession::setBase(uint64_t revision, std::optional<JournalBase> newBase) {
    savedRevision = revision;
    documentBase = std::move(newBase);
    baseDifferences.clear();
    diskStateSeen.reset();
}

void DocumentSession::setBaseDifferences(std::vector<TextChange> differences) {
    baseDifferences = std::move(differences);
}

bool DocumentSession::changedOnDisk(const std::u16string& filePath) const {
    if (!documentBase || documentBase->path != filePath)
        return false;
    const FileStamp now = quickStampOf(fs::path(filePath));
    return now.exists && !sameFileState(now, documentBase->stamp);
}

// A file that goes back to its base's state is no change, and a later one counts anew.
DocumentSession::DiskChange DocumentSession::newDiskChange(const std::u16string& filePath) {
    if (filePath.empty() || !documentBase || documentBase->path != filePath)
        return DiskChange::None;
    const FileStamp now = quickStampOf(fs::path(filePath));
    if (sameFileState(now, documentBase->stamp)) {
        diskStateSeen.reset();
        return DiskChange::None;
    }
    if (diskStateSeen && sameFileState(now, *diskStateSeen))
        return DiskChange::None;
    diskStateSeen = now;
    return now.exists ? DiskChange::Changed : DiskChange::Deleted;
}

const std::u16string& DocumentSession::recoveryFolder() {
    if (!recoveryFolderPath)
        recoveryFolderPath = host.recoveryFolder();
    return *recoveryFolderPath;
}

namespace {

JournalEdit replacementOf(const TextChange& change, const CLPos& cursor) {
    return JournalEdit::replacement(change.at, endOf(change.at, *change.removed), cursor,
                                    change.inserted);
}

} // namespace

// Every change of the text is journalled as the text-range layer told it, so that it can be
// made again on the text's base after a crash. A change leaves the cursor after what it
// inserted, and the last of an action where the action left it.
void DocumentSession::journal(const CLBox& box, const std::vector<TextChange>& changes,
                              const CLPos& cursorAfter) {
    if (changes.empty())
        return;
    idleTicks = 0;
    if (!documentBase || recoveryFolder().empty())
        return;
    if (!recoveryJournal)
        startJournal();
    for (size_t k = 0; k < changes.size(); ++k) {
        const TextChange& change = changes[k];
        if (change.bulk)
            recordBulk(box, change, cursorAfter);
        else
            recoveryJournal->record(replacementOf(
                change, k + 1 < changes.size() ? endOf(change.at, *change.inserted) : cursorAfter));
    }
}

void DocumentSession::startJournal() {
    recoveryJournal.emplace(fs::path(recoveryFolder()), *documentBase);
    journalledReplaceAlls.clear();
    for (const TextChange& difference : baseDifferences)
        recoveryJournal->record(
            replacementOf(difference, endOf(difference.at, *difference.inserted)));
}

// A Replace all in effect, made or made again on the text it was first made on, is kept as
// what it replaced; one the journal holds, undone or redone again, as which one. Undoing one
// the journal does not hold (made before the last save) is kept as its lines' texts: a
// replacement of the lines it changed, on the text its action left, as the last change of it.
void DocumentSession::recordBulk(const CLBox& box, const TextChange& change, const CLPos& cursor) {
    const BulkChange& bulk = *change.bulk;
    const auto known =
        std::find(journalledReplaceAlls.begin(), journalledReplaceAlls.end(), bulk.madeRevision());
    if (known != journalledReplaceAlls.end())
        return recoveryJournal->record(JournalEdit::exchangingAgain(
            static_cast<uint32_t>(known - journalledReplaceAlls.begin()), cursor));
    if (bulk.isInEffect()) {
        journalledReplaceAlls.push_back(bulk.madeRevision());
        return recoveryJournal->record(JournalEdit::replacingAll(bulk.order, cursor));
    }
    const TextRange before = bulk.before(), after = bulk.after();
    recoveryJournal->record(JournalEdit::replacement(
        before.start, before.end, cursor,
        std::make_shared<const TextFragment>(textBetween(box, after.start, after.end))));
}

// Writing flushes to the disk, so it waits for a pause in typing.
bool DocumentSession::writeJournalIfDue() {
    if (!recoveryJournal || !recoveryJournal->hasUnwritten()) {
        ticksUnwritten = 0;
        return false;
    }
    ++idleTicks;
    ++ticksUnwritten;
    if (idleTicks < idleTicksBeforeWriting && ticksUnwritten < mostTicksUnwritten)
        return false;
    ticksUnwritten = 0;
    recoveryJournal->write();
    return true;
}

void DocumentSession::forgetJournal() {
    std::optional<RecoveryJournal> forgotten = std::exchange(recoveryJournal, std::nullopt);
    if (forgotten)
        forgotten->discard();
}

void DocumentSession::removeJournalFile() {
    if (recoveryJournal)
        recoveryJournal->removeFile();
}

void DocumentSession::discardKeptJournals(const std::u16string& path) {
    if (!recoveryFolder().empty())
        discardJournals(fs::path(recoveryFolder()), path);
}

// Declined, a journal stays until the next save; damaged or made on another version of the
// file, it is told about and left alone.
std::optional<DocumentSession::KeptWork>
DocumentSession::keptWork(std::vector<std::u16string>& problems) {
    if (!documentBase || recoveryFolder().empty())
        return std::nullopt;
    const fs::path folder(recoveryFolder());
    for (const fs::path& file : journalsFor(folder, documentBase->path)) {
        if (!newerThanTheFile(file, documentBase->path))
            continue;
        KeptWork kept{{}, file};
        const auto damage = failureOf(u"reading the recovery file " + file.u16string(),
                                      [&] { kept.journal = readJournal(file); });
        if (damage) {
            problems.push_back(*damage + u"; it was left alone.");
            continue;
        }
        if (kept.journal.base.path != journalPathFor(documentBase->path))
            continue; // another document's, its name alike
        if (kept.journal.base.stamp != documentBase->stamp) {
            problems.push_back(u"A recovery file of " + shownName(documentBase->path) +
                               u" was made on another version of it and cannot be used; it was "
                               u"left alone: " +
                               file.u16string());
            continue;
        }
        return kept;
    }
    return std::nullopt;
}

void DocumentSession::adoptKeptWork(const KeptWork& kept) {
    recoveryJournal.emplace(fs::path(recoveryFolder()), *documentBase);
    journalledReplaceAlls.clear();
    for (const JournalEdit& edit : kept.journal.edits) {
        recoveryJournal->record(edit);
        if (edit.bulk == JournalEdit::Bulk::ReplaceAll)
            journalledReplaceAlls.push_back(0);
    }
    recoveryJournal->write();
    std::error_code ignored;
    fs::remove(kept.file, ignored);
}
