#pragma once

#include "textbox/CLBox.h"
#include "textbox/textrange.h"
#include "window/HandlerGate.h"
#include "window/Host.h"
#include "window/filestamp.h"
#include "window/recovery.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// How messages name the document: its file's name in double quotes, or "the text".
std::u16string shownName(const std::u16string& path);

// The document against its file: what the text was loaded or last saved as (its base),
// whether it changed since, what the file on disk looked like then, and the journal that
// keeps the changes for after a crash, with the timers of its writes and the offer of a
// journal an earlier run kept. Failures are raised for the window to tell.
class DocumentSession {
public:
    // The host is asked for the recovery folder once, when a journal first needs it.
    explicit DocumentSession(Host& windowHost) : host(windowHost) {}

    bool isModified(uint64_t revision) const { return revision != savedRevision; }
    // The text at revision is saved (or loaded, or given up for its base).
    void markSaved(uint64_t revision) { savedRevision = revision; }
    // The text at revision equals what base names. Without a base (a file that could not
    // be read) there is nothing to rebuild the text from. The journal goes separately, by
    // forgetJournal, whose failure is the window's to tell.
    void setBase(uint64_t revision, std::optional<JournalBase> newBase);
    const std::optional<JournalBase>& base() const { return documentBase; }
    // What turns the base, loaded from the file it was saved as, back into the text saved:
    // the first edits of every journal on it.
    void setBaseDifferences(std::vector<TextChange> differences);

    // A file written (or made, or removed) by another program since it was loaded or
    // saved; a file that is gone loses nothing by being saved again.
    bool changedOnDisk(const std::u16string& filePath) const;
    enum class DiskChange { None, Changed, Deleted };
    // What another program did to the file since the base, once for each state of the
    // file: asked about, the same change gives None until the file changes again.
    DiskChange newDiskChange(const std::u16string& filePath);

    // Journals the changes one action told, on box as the action left it; the cursor stood at
    // cursorAfter after it.
    void journal(const CLBox& box, const std::vector<TextChange>& changes,
                 const CLPos& cursorAfter);
    // Called at every tick: writes the journal once typing has paused, or at the latest a
    // while after its oldest unwritten edit. True when it wrote; a failed write raises
    // std::exception, and the edits stay to be written next time.
    bool writeJournalIfDue();
    // Gives up the journal's edits and deletes its file; raises, after forgetting, when the
    // file stays.
    void forgetJournal();
    // The window closes: the file goes, the journal's edits stay, so that a close another
    // program cancels still journals every edit since the base.
    void removeJournalFile();
    // After a save, the journals kept from earlier runs of path are of no use.
    void discardKeptJournals(const std::u16string& path);

    // A journal an earlier run kept for the text just opened, made on exactly this text.
    struct KeptWork {
        RecoveredJournal journal;
        std::filesystem::path file;
    };
    // The newest one, if any; problems gets a message for each journal of the base's file
    // found damaged or made on another version of it, which stays where it is.
    std::optional<KeptWork> keptWork(std::vector<std::u16string>& problems);
    // Whether to restore kept work, for the user.
    std::u16string keptWorkQuestion() const;
    // The text now holds the kept work's changes as unsaved ones: a journal of this run
    // keeps them, written at once, and then the old file goes. Raises when the write fails,
    // leaving the old file.
    void adoptKeptWork(const KeptWork& kept);

private:
    const std::u16string& recoveryFolder();
    void startJournal();
    void recordBulk(const CLBox& box, const TextChange& change, const CLPos& cursor);

    Host& host;
    uint64_t savedRevision = 0; // the text's revision when it was loaded or last saved
    // None after a file that could not be read.
    std::optional<JournalBase> documentBase;
    std::optional<RecoveryJournal> recoveryJournal; // the edits since the base, once any
    std::vector<TextChange> baseDifferences;
    // The journal's Replace alls in order, each by the revision it first gave the text (0 for
    // one kept from an earlier run), so that undo and redo name the one they exchange again.
    std::vector<uint64_t> journalledReplaceAlls;
    std::optional<std::u16string> recoveryFolderPath;
    int32_t idleTicks = 0;      // since the last edit
    int32_t ticksUnwritten = 0; // since the journal last had nothing to write
    // The file as last asked or told about, so that one change is raised once.
    std::optional<FileStamp> diskStateSeen;
};
