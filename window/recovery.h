#pragma once

#include "textbox/CLBox.h"
#include "textbox/replaceall.h"
#include "textbox/textrange.h"
#include "window/filestamp.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A journal rebuilds a modified text from its base (the file as loaded or last saved, the
// demo text, or an empty text for a file not yet on disk) by making its edits again through
// the same engine operations. Appending a few records at idle times costs the same for any
// size of document, where copying the text would not.

// One text change as the engine made it: a replacement, the text from the position to
// `to` giving way to `text` (through the text-range layer, which tells every change that
// way), after which the cursor stood at `cursor`; or, with a code, insertChar(code) at the
// position: the one kind journals held before replacements came, read and replayed still,
// though none is recorded now. A Replace all is kept as what it replaced by what, made again
// on the text as the edits before it left it; taking it back, or making it again, by which
// of the journal's Replace alls it was.
struct JournalEdit {
    enum class Bulk : uint8_t { None, ReplaceAll, ExchangeAgain };

    // insertChar(code) at (yLine, xTab, xChar).
    JournalEdit(char32_t editCode = 0, int32_t line = 0, int32_t cell = 0, int32_t character = 0)
        : code(editCode), yLine(line), xTab(cell), xChar(character) {}
    static JournalEdit replacement(const CLPos& from, const CLPos& to, const CLPos& cursor,
                                   std::shared_ptr<const TextFragment> text) {
        JournalEdit edit(0, from.yLine, from.xTab, from.xChar);
        edit.to = to;
        edit.cursor = cursor;
        edit.text = std::move(text);
        return edit;
    }
    static JournalEdit replacingAll(std::shared_ptr<const ReplaceAllOrder> order,
                                    const CLPos& cursor) {
        JournalEdit edit;
        edit.bulk = Bulk::ReplaceAll;
        edit.order = std::move(order);
        edit.cursor = cursor;
        return edit;
    }
    // number counts the journal's Replace alls from 0, in their order.
    static JournalEdit exchangingAgain(uint32_t number, const CLPos& cursor) {
        JournalEdit edit;
        edit.bulk = Bulk::ExchangeAgain;
        edit.replaceAllNumber = number;
        edit.cursor = cursor;
        return edit;
    }

    char32_t code; // 8 Backspace, 9 Tab, 13 Enter, or a typable character; 0 replaces
    int32_t yLine, xTab, xChar;
    CLPos to, cursor;
    std::shared_ptr<const TextFragment> text; // a replacement's alone
    Bulk bulk = Bulk::None;
    std::shared_ptr<const ReplaceAllOrder> order; // a Replace all's
    uint32_t replaceAllNumber = 0;                // an exchange's

    bool operator==(const JournalEdit& other) const;
};

// What the edits apply to. path "" is the demo text; stamp.exists false a file not yet on
// disk.
struct JournalBase {
    std::u16string path;
    FileStamp stamp;
    bool operator==(const JournalBase&) const = default;
};

// The form in which journals name a document, so that a file opened by a relative path
// finds its journals from any folder: absolute, without "." or ".." steps; "" stays "".
// A recovered base's path is in this form.
std::u16string journalPathFor(const std::u16string& documentPath);

// The journal of one window's document. Dropping it keeps its file, as a crash would;
// discard() is the way to give up the edits.
class RecoveryJournal {
public:
    // A journal of the document at base.path (put in journalPathFor's form) in folder, not
    // written yet. Its file gets a name of its own (the path's hash, then a random part
    // drawn again if taken), so two windows on one file, or a journal kept from an earlier
    // run, are never overwritten.
    RecoveryJournal(std::filesystem::path folder, JournalBase base);
    RecoveryJournal(RecoveryJournal&&) = default;
    RecoveryJournal& operator=(RecoveryJournal&&) = default;
    RecoveryJournal(const RecoveryJournal&) = delete;
    RecoveryJournal& operator=(const RecoveryJournal&) = delete;

    const JournalBase& base() const { return journalBase; }
    // Empty until the first write has created the file.
    const std::filesystem::path& file() const { return journalFile; }

    // Kept in memory, with every edit since the base (a replacement's text shared with
    // whoever holds it), so that a file another program removed can be written again whole.
    // An edit no journal can hold (a code insertChar ignores, a negative position, a range
    // that ends before it begins) raises EngineError BadArgument.
    void record(const JournalEdit& edit);
    bool hasUnwritten() const { return writtenEdits < edits.size(); }
    // Appends what was recorded since the last write as batches, then flushes them to the
    // disk. The first write, or the first after the file was removed, creates the folder if
    // need be and the file (exclusively, owner-only) with its header and every edit. Raises
    // std::exception with a message for the user; what was recorded stays, to be written
    // next time, and the file stays readable.
    void write();
    // Deletes this journal's file if any, and forgets what was recorded; the next write
    // starts a new file. Raises std::exception, after forgetting, when the file stays.
    void discard();
    // Deletes this journal's file if any but keeps what was recorded: the next edit's write
    // makes the file again with every edit. Raises std::exception when the file stays.
    void removeFile();

private:
    bool appendUnwritten(); // false when the file is gone
    void createFile();

    std::filesystem::path folder;
    JournalBase journalBase;
    std::filesystem::path journalFile;
    std::vector<JournalEdit> edits;
    size_t writtenEdits = 0;
    uint64_t writtenBytes = 0;
    uint64_t lastCheck = 0; // each batch's check covers the one before, back to the header
};

// The journal files in folder that may belong to documentPath (by name: readJournal's base
// tells for sure), newest first. A missing folder has none.
std::vector<std::filesystem::path> journalsFor(const std::filesystem::path& folder,
                                               const std::u16string& documentPath);
// Deletes every journal of documentPath in folder (after a save, none of them is needed
// any more). Raises std::exception naming the first that stays, after trying them all.
void discardJournals(const std::filesystem::path& folder, const std::u16string& documentPath);

struct RecoveredJournal {
    JournalBase base;
    std::vector<JournalEdit> edits;
};

class DamagedJournal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a journal whole. A last batch cut short (the program died while writing it) is left
// out; anything else that is not as write() made it (wrong magic or version, a bad check
// inside, impossible values) raises DamagedJournal with a message for the user. Never
// returns part of a damaged journal. A file that cannot be read raises std::runtime_error.
RecoveredJournal readJournal(const std::filesystem::path& file);

// Makes the edits again on box, which holds the base's text, through the operations that
// made them; the cursor ends where the last edit left it. Raises EngineError at the first
// edit that does not fit, saying which; the edits before it stay made, and the cursor
// where they left it.
void replayEdits(CLBox& box, const std::vector<JournalEdit>& edits);
