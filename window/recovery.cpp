#include "window/recovery.h"

#include "support/EngineError.h"
#include "support/Utf16.h"
#include "support/systemcalls.h"
#include "window/fileerrors.h"
#include "window/freename.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <new>
#include <span>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

// The file: a header, then batches, all numbers little-endian.
//   header: magic (8), version (4), path length in units (4), the path's UTF-16 units (2
//           each), the base stamp: exists (1), size (8), modified (8), hash (8); then the
//           hash of all of that (8)
//   batch:  record count (4), records' bytes (4), hash of those two (8); the records; a
//           hash (8) of the previous check (the header's or the last batch's), this frame
//           and the records, so no batch passes in another place or another file
//   record: a kind (1), then what that kind holds:
//           insertChar (1): code, yLine, xTab, xChar (4 each)
//           replacement (2): from, to and the cursor after it, each yLine, xTab, xChar (4
//           each); the text's units and line ends counted (4 each), its units (2 each),
//           then each line end (1 each: 1 "\n", 2 "\r\n")
//           replacement with forms (3), for a text holding tabs of the form Spaces: as a
//           replacement, then those tabs counted (4) and each one's unit offset (4 each)
//           Replace all (4): the cursor after it (12); the options (1: 1 match case, 2 whole
//           word); the search's and the replacement's units counted (4 each), then their
//           units (2 each)
//           a Replace all exchanged again (5): the cursor after it (12); which of the
//           journal's Replace alls, counted from 0 (4)
// The frame's own hash tells a count damaged from a batch cut short.

namespace {

constexpr std::string_view magic = "\x89"
                                   "Cjrnl\r\n"; // a high bit and both line ends
constexpr uint32_t formatVersion = 1;
constexpr uint8_t insertCharKind = 1;
constexpr uint8_t replacementKind = 2;
constexpr uint8_t formedReplacementKind = 3; // older versions read the other two
constexpr uint8_t replaceAllKind = 4, exchangeAgainKind = 5;
constexpr size_t replacementHeadBytes = 9 * 4 + 2 * 4; // after the kind
constexpr size_t replaceAllHeadBytes = 3 * 4 + 1 + 2 * 4;
constexpr uint8_t matchCaseBit = 1, wholeWordBit = 2;
constexpr uint8_t feedEnd = 1, returnFeedEnd = 2;
constexpr size_t frameBytes = 16;
constexpr size_t checkBytes = 8;
constexpr uint32_t largestPath = 32767; // units in the longest path Windows allows
constexpr uint64_t largestJournal = uint64_t{1} << 30;
constexpr size_t largestBatch = size_t{1} << 20; // records: a frame counts them in 32 bits
constexpr std::string_view nameEnding = ".journal";

void putLittle(std::string& bytes, uint64_t value, size_t width) {
    for (size_t k = 0; k < width; ++k, value >>= 8)
        bytes.push_back(static_cast<char>(value & 0xFF));
}

uint64_t littleAt(std::string_view bytes) {
    uint64_t value = 0;
    for (size_t k = bytes.size(); k-- > 0;)
        value = value << 8 | static_cast<uint8_t>(bytes[k]);
    return value;
}

bool isJournalPosition(const CLPos& pos) {
    return pos.yLine >= 0 && pos.xTab >= 0 && pos.xChar >= 0;
}

bool isJournalEdit(const JournalEdit& edit) {
    if (edit.bulk != JournalEdit::Bulk::None)
        return isJournalPosition(edit.cursor) &&
               (edit.bulk == JournalEdit::Bulk::ExchangeAgain || edit.order != nullptr);
    const CLPos from{edit.yLine, edit.xTab, edit.xChar};
    if (edit.text)
        return edit.code == 0 && isJournalPosition(from) && isJournalPosition(edit.to) &&
               isJournalPosition(edit.cursor) && !isBefore(edit.to, from) &&
               isWellFormed(*edit.text);
    const bool knownCode = edit.code == CLBox::backspaceCode || edit.code == CLBox::tabCode ||
                           edit.code == CLBox::enterCode || CLBox::isTypable(edit.code);
    return knownCode && isJournalPosition(from);
}

void putPosition(std::string& bytes, const CLPos& pos) {
    for (const int32_t value : {pos.yLine, pos.xTab, pos.xChar})
        putLittle(bytes, static_cast<uint32_t>(value), 4);
}

void putBulkRecord(std::string& records, const JournalEdit& edit) {
    const bool replaceAll = edit.bulk == JournalEdit::Bulk::ReplaceAll;
    putLittle(records, replaceAll ? replaceAllKind : exchangeAgainKind, 1);
    putPosition(records, edit.cursor);
    if (!replaceAll)
        return putLittle(records, edit.replaceAllNumber, 4);
    const ReplaceAllOrder& order = *edit.order;
    putLittle(records,
              (order.options.matchCase ? matchCaseBit : 0) |
                  (order.options.wholeWord ? wholeWordBit : 0),
              1);
    putLittle(records, order.needle.size(), 4);
    putLittle(records, order.replacement.size(), 4);
    appendLittleEndian(records, order.needle);
    appendLittleEndian(records, order.replacement);
}

void putRecord(std::string& records, const JournalEdit& edit) {
    if (edit.bulk != JournalEdit::Bulk::None)
        return putBulkRecord(records, edit);
    if (!edit.text) {
        putLittle(records, insertCharKind, 1);
        putLittle(records, edit.code, 4);
        putPosition(records, {edit.yLine, edit.xTab, edit.xChar});
        return;
    }
    const std::vector<size_t>& spacedTabs = edit.text->spacedTabs;
    putLittle(records, spacedTabs.empty() ? replacementKind : formedReplacementKind, 1);
    putPosition(records, {edit.yLine, edit.xTab, edit.xChar});
    putPosition(records, edit.to);
    putPosition(records, edit.cursor);
    putLittle(records, edit.text->text.size(), 4);
    putLittle(records, edit.text->lineEnds.size(), 4);
    appendLittleEndian(records, edit.text->text);
    for (const LineEnd& end : edit.text->lineEnds)
        putLittle(records, end == u"\n" ? feedEnd : returnFeedEnd, 1);
    if (spacedTabs.empty())
        return;
    putLittle(records, spacedTabs.size(), 4);
    for (const size_t at : spacedTabs)
        putLittle(records, at, 4);
}

std::string encodeHeader(const JournalBase& base) {
    std::string bytes(magic);
    putLittle(bytes, formatVersion, 4);
    putLittle(bytes, base.path.size(), 4);
    appendLittleEndian(bytes, base.path);
    putLittle(bytes, base.stamp.exists ? 1 : 0, 1);
    putLittle(bytes, base.stamp.size, 8);
    putLittle(bytes, static_cast<uint64_t>(base.stamp.modified), 8);
    putLittle(bytes, base.stamp.hash, 8);
    putLittle(bytes, hashOfBytes(bytes), checkBytes);
    return bytes;
}

std::string frameOf(size_t recordCount, size_t recordBytes) {
    std::string frame;
    putLittle(frame, recordCount, 4);
    putLittle(frame, recordBytes, 4);
    putLittle(frame, hashOfBytes(frame), checkBytes);
    return frame;
}

uint64_t batchCheck(uint64_t previousCheck, std::string_view frame, std::string_view records) {
    std::string previous;
    putLittle(previous, previousCheck, checkBytes);
    ByteHash hash;
    hash.add(previous);
    hash.add(frame);
    hash.add(records);
    return hash.value();
}

// Appends one batch to bytes and gives its check, which the next batch covers.
uint64_t appendBatch(std::string& bytes, std::span<const JournalEdit> edits,
                     uint64_t previousCheck) {
    std::string records;
    for (const JournalEdit& edit : edits)
        putRecord(records, edit);
    const std::string frame = frameOf(edits.size(), records.size());
    const uint64_t check = batchCheck(previousCheck, frame, records);
    bytes += frame;
    bytes += records;
    putLittle(bytes, check, checkBytes);
    return check;
}

// Appends the edits as batches of a size a frame can count; gives the last one's check.
uint64_t appendBatches(std::string& bytes, std::span<const JournalEdit> edits, uint64_t check) {
    for (size_t from = 0; from < edits.size(); from += largestBatch)
        check = appendBatch(bytes, edits.subspan(from, std::min(largestBatch, edits.size() - from)),
                            check);
    return check;
}

// Reads a journal's bytes front to back; every failure names what was wrong.
class JournalParser {
public:
    JournalParser(std::string_view journalBytes, const fs::path& journalFile)
        : rest(journalBytes), file(journalFile) {}

    RecoveredJournal parse() {
        RecoveredJournal journal;
        uint64_t check = readHeader(journal.base);
        while (!rest.empty() && readBatch(journal.edits, check)) {
        }
        return journal;
    }

private:
    [[noreturn]] void damaged(const std::string& why) const {
        throw DamagedJournal("the recovery file " + shownPath(file.u16string()) +
                             " is damaged: " + why);
    }

    std::string_view take(size_t count) {
        const std::string_view taken = rest.substr(0, count);
        rest.remove_prefix(taken.size());
        return taken;
    }
    uint64_t number(size_t width) { return littleAt(take(width)); }
    int32_t position() { return static_cast<int32_t>(static_cast<uint32_t>(number(4))); }

    uint64_t readHeader(JournalBase& base) {
        const std::string_view start = rest;
        if (rest.empty())
            damaged("it is empty");
        if (!rest.starts_with(magic))
            damaged("it is not a recovery file");
        take(magic.size());
        if (rest.size() < 8)
            damaged("its header is cut short");
        if (number(4) != formatVersion)
            damaged("it was written by another version of the program");
        const uint64_t pathUnits = number(4);
        if (pathUnits > largestPath)
            damaged("its file name is impossibly long");
        if (rest.size() < 2 * pathUnits + 25 + checkBytes)
            damaged("its header is cut short");
        base.path = unitsFromLittleEndian(take(static_cast<size_t>(2 * pathUnits)));
        const uint64_t exists = number(1);
        base.stamp = {exists == 1, number(8), static_cast<int64_t>(number(8)), number(8)};
        const uint64_t check =
            hashOfBytes(start.substr(0, static_cast<size_t>(rest.data() - start.data())));
        if (number(checkBytes) != check)
            damaged("its header does not match its check");
        if (exists > 1 || (!base.stamp.exists && base.stamp != FileStamp{}))
            damaged("its header describes an impossible file");
        return check;
    }

    // False for a last batch cut short, which is left out.
    bool readBatch(std::vector<JournalEdit>& edits, uint64_t& check) {
        if (std::all_of(rest.begin(), rest.end(), [](char c) { return c == 0; }))
            return false; // space a crash left allocated but never filled
        if (rest.size() < frameBytes)
            return false;
        const std::string_view frame = take(frameBytes);
        if (littleAt(frame.substr(8)) != hashOfBytes(frame.substr(0, 8)))
            damaged("a batch's frame does not match its check");
        const uint64_t count = littleAt(frame.substr(0, 4));
        const uint64_t recordBytes = littleAt(frame.substr(4, 4));
        if (rest.size() < recordBytes + checkBytes)
            return false;
        const std::string_view records = take(static_cast<size_t>(recordBytes));
        const uint64_t expected = batchCheck(check, frame, records);
        if (number(checkBytes) != expected)
            damaged("a batch does not match its check");
        check = expected;
        readRecords(edits, records, count);
        return true;
    }

    void readRecords(std::vector<JournalEdit>& edits, std::string_view records, uint64_t count) {
        const std::string_view batchRest = rest;
        rest = records;
        uint64_t read = 0;
        for (; !rest.empty(); ++read) {
            const uint64_t kind = number(1);
            if (kind < insertCharKind || kind > exchangeAgainKind)
                damaged("it holds an edit of an unknown kind");
            JournalEdit edit = kind == insertCharKind      ? readInsertChar()
                               : kind == replaceAllKind    ? readReplaceAll()
                               : kind == exchangeAgainKind ? readExchangeAgain()
                                                           : readReplacement(kind);
            if (!isJournalEdit(edit))
                damaged("it holds an impossible edit");
            edits.push_back(std::move(edit));
        }
        if (read != count || count == 0)
            damaged("a batch holds another number of edits than it says");
        rest = batchRest;
    }

    CLPos readPosition() {
        CLPos pos;
        pos.yLine = position();
        pos.xTab = position();
        pos.xChar = position();
        return pos;
    }

    JournalEdit readInsertChar() {
        if (rest.size() < 16)
            damaged("an edit is cut short inside a batch");
        const auto code = static_cast<char32_t>(number(4));
        const CLPos at = readPosition();
        return JournalEdit(code, at.yLine, at.xTab, at.xChar);
    }

    JournalEdit readReplacement(uint64_t kind) {
        if (rest.size() < replacementHeadBytes)
            damaged("an edit is cut short inside a batch");
        const CLPos from = readPosition(), to = readPosition(), cursor = readPosition();
        const uint64_t units = number(4), ends = number(4);
        if (rest.size() < 2 * units + ends)
            damaged("an edit is cut short inside a batch");
        auto text = std::make_shared<TextFragment>();
        text->text = unitsFromLittleEndian(take(static_cast<size_t>(2 * units)));
        for (uint64_t k = 0; k < ends; ++k) {
            const uint64_t end = number(1);
            if (end != feedEnd && end != returnFeedEnd)
                damaged("it holds an impossible edit");
            text->lineEnds.emplace_back(end == feedEnd ? u"\n" : u"\r\n");
        }
        if (kind == formedReplacementKind) {
            if (rest.size() < 4)
                damaged("an edit is cut short inside a batch");
            const uint64_t spacedTabs = number(4);
            if (rest.size() / 4 < spacedTabs)
                damaged("an edit is cut short inside a batch");
            for (uint64_t k = 0; k < spacedTabs; ++k)
                text->spacedTabs.push_back(static_cast<size_t>(number(4)));
        }
        return JournalEdit::replacement(from, to, cursor, std::move(text));
    }

    JournalEdit readReplaceAll() {
        if (rest.size() < replaceAllHeadBytes)
            damaged("an edit is cut short inside a batch");
        const CLPos cursor = readPosition();
        const uint64_t options = number(1), needleUnits = number(4), replacementUnits = number(4);
        if (options > (matchCaseBit | wholeWordBit))
            damaged("it holds an impossible edit");
        if (rest.size() / 2 < needleUnits + replacementUnits)
            damaged("an edit is cut short inside a batch");
        auto order = std::make_shared<ReplaceAllOrder>();
        order->needle = unitsFromLittleEndian(take(static_cast<size_t>(2 * needleUnits)));
        order->options = {(options & matchCaseBit) != 0, (options & wholeWordBit) != 0};
        order->replacement = unitsFromLittleEndian(take(static_cast<size_t>(2 * replacementUnits)));
        return JournalEdit::replacingAll(std::move(order), cursor);
    }

    JournalEdit readExchangeAgain() {
        if (rest.size() < 16)
            damaged("an edit is cut short inside a batch");
        const CLPos cursor = readPosition();
        return JournalEdit::exchangingAgain(static_cast<uint32_t>(number(4)), cursor);
    }

    std::string_view rest;
    const fs::path& file;
};

std::string journalNamePrefix(const std::u16string& documentPath) {
    std::string units;
    appendLittleEndian(units, journalPathFor(documentPath));
    static constexpr char digits[] = "0123456789abcdef";
    std::string prefix;
    for (uint64_t hash = hashOfBytes(units), k = 0; k < 16; ++k, hash <<= 4)
        prefix.push_back(digits[hash >> 60]);
    return prefix + "-";
}

std::string fileContents(const fs::path& file) {
    errno = 0;
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0)
        throw std::runtime_error("cannot read the recovery file " + shownPath(file.u16string()) +
                                 ": " + lastSystemReason());
    if (static_cast<uint64_t>(size) > largestJournal)
        throw DamagedJournal("the recovery file " + shownPath(file.u16string()) +
                             " is impossibly large");
    std::string bytes(static_cast<size_t>(size), '\0');
    in.seekg(0);
    in.read(bytes.data(), size);
    if (in.gcount() != size)
        throw std::runtime_error("cannot read the recovery file " + shownPath(file.u16string()));
    return bytes;
}

} // namespace

std::u16string journalPathFor(const std::u16string& documentPath) {
    if (documentPath.empty())
        return documentPath;
    std::error_code noWorkingFolder;
    const fs::path absolute = fs::absolute(fs::path(documentPath), noWorkingFolder);
    return (noWorkingFolder ? fs::path(documentPath) : absolute).lexically_normal().u16string();
}

RecoveryJournal::RecoveryJournal(fs::path journalFolder, JournalBase base)
    : folder(std::move(journalFolder)), journalBase(std::move(base)) {
    journalBase.path = journalPathFor(journalBase.path);
}

void RecoveryJournal::record(const JournalEdit& edit) {
    if (!isJournalEdit(edit))
        throw EngineError(ErrorNumber::BadArgument,
                          "bad argument: a journal holds no edit of code " +
                              std::to_string(static_cast<uint32_t>(edit.code)) +
                              " or at a negative position");
    edits.push_back(edit);
}

void RecoveryJournal::write() {
    if (!hasUnwritten())
        return;
    try {
        if (!journalFile.empty() && !appendUnwritten())
            journalFile.clear(); // removed by another program: written again whole
        if (journalFile.empty())
            createFile();
        writtenEdits = edits.size();
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("could not write the recovery file: out of memory");
    } catch (const std::exception& failure) {
        throw std::runtime_error("could not write the recovery file: " +
                                 std::string(failure.what()));
    }
}

bool RecoveryJournal::appendUnwritten() {
    std::string bytes;
    const uint64_t check = appendBatches(bytes, std::span(edits).subspan(writtenEdits), lastCheck);
    try {
        systemcalls::appendToFile(journalFile, writtenBytes, bytes);
    } catch (const std::system_error& failure) {
        if (failure.code() == std::errc::no_such_file_or_directory)
            return false;
        throw;
    }
    writtenBytes += bytes.size();
    lastCheck = check;
    return true;
}

void RecoveryJournal::createFile() {
    std::string bytes = encodeHeader(journalBase);
    const uint64_t headerCheck =
        littleAt(std::string_view(bytes).substr(bytes.size() - checkBytes));
    const uint64_t check = appendBatches(bytes, edits, headerCheck);
    fs::create_directories(folder);
    const std::string prefix = journalNamePrefix(journalBase.path);
    journalFile = createUnderFreeName(
        "file",
        [&](uint64_t draw) {
            return folder / (prefix + std::to_string(draw) + std::string(nameEnding));
        },
        [&](const fs::path& candidate) { systemcalls::writeNewPrivateFile(candidate, bytes); });
    writtenBytes = bytes.size();
    lastCheck = check;
}

void RecoveryJournal::discard() {
    edits.clear();
    writtenEdits = 0;
    removeFile();
}

void RecoveryJournal::removeFile() {
    const fs::path file = std::exchange(journalFile, {});
    std::error_code error;
    if (!file.empty() && !fs::remove(file, error) && error)
        throw std::runtime_error("could not delete the recovery file " +
                                 shownPath(file.u16string()) + ": " + error.message());
}

std::vector<fs::path> journalsFor(const fs::path& folder, const std::u16string& documentPath) {
    const std::string prefixBytes = journalNamePrefix(documentPath);
    const std::u16string prefix(prefixBytes.begin(), prefixBytes.end());
    const std::u16string ending(nameEnding.begin(), nameEnding.end());
    std::vector<std::pair<fs::file_time_type, fs::path>> found;
    std::error_code listing;
    for (fs::directory_iterator entry(folder, listing), end; !listing && entry != end;
         entry.increment(listing)) {
        const std::u16string name = entry->path().filename().u16string();
        std::error_code unreadable;
        if (name.starts_with(prefix) && name.ends_with(ending) &&
            entry->is_regular_file(unreadable))
            found.emplace_back(entry->last_write_time(unreadable), entry->path());
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<fs::path> files;
    for (auto& [time, file] : found)
        files.push_back(std::move(file));
    return files;
}

void discardJournals(const fs::path& folder, const std::u16string& documentPath) {
    std::string firstFailure;
    for (const fs::path& file : journalsFor(folder, documentPath)) {
        std::error_code error;
        if (!fs::remove(file, error) && error && firstFailure.empty())
            firstFailure = "could not delete the recovery file " + shownPath(file.u16string()) +
                           ": " + error.message();
    }
    if (!firstFailure.empty())
        throw std::runtime_error(firstFailure);
}

RecoveredJournal readJournal(const fs::path& file) {
    try {
        const std::string bytes = fileContents(file);
        return JournalParser(bytes, file).parse();
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("the recovery file " + shownPath(file.u16string()) +
                                 " is too large to hold in memory");
    }
}

bool JournalEdit::operator==(const JournalEdit& other) const {
    const bool sameText = text == other.text || (text && other.text && *text == *other.text);
    const bool sameOrder = order == other.order || (order && other.order && *order == *other.order);
    return code == other.code && yLine == other.yLine && xTab == other.xTab &&
           xChar == other.xChar && to == other.to && cursor == other.cursor && sameText &&
           bulk == other.bulk && sameOrder && replaceAllNumber == other.replaceAllNumber;
}

namespace {

// The Replace alls made so far, for the records that take them back or make them again.
using MadeReplaceAlls = std::vector<std::shared_ptr<BulkChange>>;

// A cursor that does not fit has the change taken back, by its lines' exchange.
void replayBulk(CLBox& box, const JournalEdit& edit, MadeReplaceAlls& replaceAlls) {
    const CLPos cursorBefore = box.cursor; // a Replace all moves it
    std::shared_ptr<BulkChange> change;
    const TextChangeSink kept = [&](const TextChange& told) { change = told.bulk; };
    if (edit.bulk == JournalEdit::Bulk::ReplaceAll) {
        replaceAll(box, *edit.order, kept);
        if (!change)
            throw EngineError(ErrorNumber::BadArgument, "a Replace all that replaces nothing");
        replaceAlls.push_back(change);
    } else {
        if (edit.replaceAllNumber >= replaceAlls.size())
            throw EngineError(ErrorNumber::BadArgument, "no such Replace all");
        replaceAlls[edit.replaceAllNumber]->exchange(box, kept);
    }
    try {
        requirePosition(box, edit.cursor);
    } catch (const EngineError&) {
        change->exchange(box, {});
        box.cursor = cursorBefore;
        throw;
    }
    box.cursor = characterBoundary(box, edit.cursor);
}

void replayEdit(CLBox& box, const JournalEdit& edit, MadeReplaceAlls& replaceAlls) {
    if (edit.bulk != JournalEdit::Bulk::None)
        return replayBulk(box, edit, replaceAlls);
    CLPos pos{edit.yLine, edit.xTab, edit.xChar};
    if (!edit.text) {
        box.insertChar(edit.code, pos);
        box.cursor = pos; // not before: an edit that does not fit leaves it outside
        return;
    }
    TextChange made;
    replaceRange(box, pos, edit.to, edit.text, [&](const TextChange& change) { made = change; });
    try {
        requirePosition(box, edit.cursor);
    } catch (const EngineError&) { // the edit does not fit after all: taken back whole
        if (made.inserted)
            replaceRange(box, made.at, endOf(made.at, *made.inserted), made.removed,
                         [](const TextChange&) {});
        throw;
    }
    box.cursor = characterBoundary(box, edit.cursor); // never between a pair's halves
}

} // namespace

void replayEdits(CLBox& box, const std::vector<JournalEdit>& edits) {
    MadeReplaceAlls replaceAlls;
    for (size_t k = 0; k < edits.size(); ++k) {
        try {
            replayEdit(box, edits[k], replaceAlls);
        } catch (const EngineError& failure) {
            throw EngineError(failure.number, "edit " + std::to_string(k + 1) + " of " +
                                                  std::to_string(edits.size()) +
                                                  " does not fit the text: " + failure.what());
        }
    }
}
