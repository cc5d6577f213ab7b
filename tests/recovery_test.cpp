#include "window/recovery.h"

#include "support/EngineError.h"

#include "HandMadeJournal.h"
#include "TempFolder.h"
#include "TestPlatform.h"
#include "loadedbox.h"
#include "randomtext.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr char32_t Backspace = 8, Tab = 9, Enter = 13;

const std::vector<char32_t> editCodes = {Backspace, Backspace, Tab,  Enter,  Enter,
                                         u'x',      u' ',      0xE9, 0xAC00, 0x1F600};

std::shared_ptr<const TextFragment> randomFragment(Picker& picker) {
    static const std::vector<std::u16string> pieces = {
        u"a", u"\t", u"\u2029", u"\n", u"\u2028", u"\r", u"    ", u"\U0001F600", u"\xDE00", u"}"};
    std::u16string model;
    for (int k = picker.pick(0, 6); k > 0; --k)
        model += picker.oneOf(pieces);
    return std::make_shared<const TextFragment>(fragmentOf(model));
}

// A Replace all of a few letters by text of tabs and line breaks, made and recorded, and now
// and then taken back and made again at once, as undo and redo do; none when nothing matches.
std::vector<JournalEdit> replaceAllAndRecord(RecoveryJournal& journal, CLBox& box, Picker& picker,
                                             uint32_t& replaceAlls) {
    static const std::vector<std::u16string> needles = {u"a", u"A", u"bc", u" ", u"\u00e9"};
    static const std::vector<std::u16string> replacements = {u"", u"x\ty", u"\r\n", u"    z\nw"};
    auto order = std::make_shared<const ReplaceAllOrder>(
        ReplaceAllOrder{picker.oneOf(needles),
                        {picker.pick(0, 1) == 0, picker.pick(0, 1) == 0},
                        picker.oneOf(replacements)});
    std::shared_ptr<BulkChange> made;
    replaceAll(box, *order, [&](const TextChange& change) { made = change.bulk; });
    if (!made)
        return {};
    std::vector<JournalEdit> edits = {JournalEdit::replacingAll(order, box.cursor)};
    for (int again = picker.pick(0, 2); again > 0; --again) {
        made->exchange(box, {});
        box.cursor = characterBoundary(box, randomPosition(picker, box));
        edits.push_back(JournalEdit::exchangingAgain(replaceAlls, box.cursor));
    }
    for (const JournalEdit& edit : edits)
        journal.record(edit);
    ++replaceAlls;
    return edits;
}

// Records an edit and makes it, as the window does: now a text replaced through the range
// layer, which leaves the cursor anywhere, now insertChar at a position, as journals of
// earlier versions hold them, now a Replace all.
std::vector<JournalEdit> recordAndMake(RecoveryJournal& journal, CLBox& box, Picker& picker,
                                       uint32_t& replaceAlls) {
    if (picker.pick(0, 9) == 0)
        if (std::vector<JournalEdit> replaced =
                replaceAllAndRecord(journal, box, picker, replaceAlls);
            !replaced.empty())
            return replaced;
    CLPos from = randomPosition(picker, box);
    JournalEdit edit;
    if (picker.pick(0, 2) == 0) {
        CLPos to = randomPosition(picker, box);
        if (isBefore(to, from))
            std::swap(from, to);
        const auto text = randomFragment(picker);
        replaceRange(box, from, to, text, [](const TextChange&) {});
        box.cursor = characterBoundary(box, randomPosition(picker, box)); // as a cursor stands
        edit = JournalEdit::replacement(from, to, box.cursor, text);
    } else {
        edit = {picker.oneOf(editCodes), from.yLine, from.xTab, from.xChar};
        box.cursor.copyfrom(from);
        box.insertChar(edit.code, box.cursor);
    }
    journal.record(edit);
    return {edit};
}

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void putContents(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The document edited, its journal written in batches, and what each batch holds.
struct WrittenJournal {
    std::u16string baseText;
    std::u16string editedText;
    fs::path file;
    std::vector<uint64_t> sizeAfterWrite; // the header and first batch, then each batch more
    std::vector<std::vector<JournalEdit>> batches;
};

const std::u16string editedPath = u"/docs/edited.txt";

WrittenJournal writeJournal(const fs::path& folder, Picker& picker, int batchCount) {
    WrittenJournal written;
    written.baseText = randomText(picker, 20);
    LoadedBox loaded(written.baseText);
    RecoveryJournal journal(folder, {editedPath, {true, 12, 34, 56}});
    uint32_t replaceAlls = 0;
    for (int batch = 0; batch < batchCount; ++batch) {
        written.batches.emplace_back();
        for (int k = picker.pick(1, 6); k > 0; --k)
            for (JournalEdit& edit : recordAndMake(journal, loaded.box, picker, replaceAlls))
                written.batches.back().push_back(std::move(edit));
        journal.write();
        written.sizeAfterWrite.push_back(fs::file_size(journal.file()));
    }
    written.editedText = loaded.box.gettext();
    written.file = journal.file();
    return written;
}

std::vector<JournalEdit> firstBatches(const WrittenJournal& written, size_t count) {
    std::vector<JournalEdit> edits;
    for (size_t k = 0; k < count; ++k)
        edits.insert(edits.end(), written.batches[k].begin(), written.batches[k].end());
    return edits;
}

// Random texts edited at random, Replace alls and their undoing among the edits, the journal
// written in random batches, read back and replayed on the base text: the same text, and the
// cursor where the editing left it.
TEST(RecoveryModel, ReplayingAJournalRebuildsTheEditedText) {
    const TempFolder folder;
    Picker picker(20240616);
    for (int round = 0; round < 60; ++round) {
        const std::u16string baseText = randomText(picker, picker.pick(0, 40));
        LoadedBox edited(baseText, 140, 100);
        const bool onDisk = picker.pick(0, 3) != 0;
        const FileStamp stamp =
            onDisk ? FileStamp{true, static_cast<uint64_t>(picker.pick(0, 1 << 30)),
                               -picker.pick(0, 1 << 30), static_cast<uint64_t>(picker.pick(1, 99))}
                   : FileStamp{};
        const std::u16string path = round % 7 == 0 ? u"" : folder.path("doc.txt");
        RecoveryJournal journal(folder / "journals", {path, stamp});
        const int steps = picker.pick(1, 300);
        uint32_t replaceAlls = 0;
        for (int step = 0; step < steps; ++step) {
            recordAndMake(journal, edited.box, picker, replaceAlls);
            if (picker.pick(0, 20) == 0)
                journal.write();
        }
        journal.write();
        ASSERT_FALSE(journal.hasUnwritten());

        const RecoveredJournal recovered = readJournal(journal.file());
        ASSERT_EQ(recovered.base, journal.base()) << "round " << round;
        ASSERT_EQ(recovered.base, (JournalBase{journalPathFor(path), stamp}));
        ASSERT_GE(recovered.edits.size(), static_cast<size_t>(steps));
        LoadedBox replayed(baseText, 140, 100);
        replayEdits(replayed.box, recovered.edits);
        ASSERT_TRUE(modelOf(replayed.box) == modelOf(edited.box)) << "round " << round;
        ASSERT_EQ(replayed.box.cursor, edited.box.cursor) << "round " << round;
    }
}

// A process killed while writing leaves a prefix of the file: a batch cut anywhere is
// left out, and everything written before it still reads. Cut inside the header, nothing
// was ever committed.
TEST(RecoveryFile, AFileCutAtAnyByteKeepsTheWholeBatchesBeforeTheCut) {
    const TempFolder folder;
    Picker picker(7);
    const WrittenJournal written = writeJournal(folder.root, picker, 4);
    const std::string bytes = contentsOf(written.file);
    const uint64_t headerBytes = 8 + 4 + 4 + 2 * journalPathFor(editedPath).size() + 25 + 8;
    ASSERT_EQ(readJournal(written.file).edits, firstBatches(written, 4));
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        putContents(folder / "cut.journal", std::string_view(bytes).substr(0, cut));
        if (cut < headerBytes) {
            EXPECT_THROW(readJournal(folder / "cut.journal"), DamagedJournal) << "cut " << cut;
            continue;
        }
        const auto whole = static_cast<size_t>(
            std::upper_bound(written.sizeAfterWrite.begin(), written.sizeAfterWrite.end(), cut) -
            written.sizeAfterWrite.begin());
        ASSERT_EQ(readJournal(folder / "cut.journal").edits, firstBatches(written, whole))
            << "cut " << cut;
    }
}

TEST(RecoveryFile, AnyChangedByteIsReportedAsDamage) {
    const TempFolder folder;
    Picker picker(8);
    const WrittenJournal written = writeJournal(folder.root, picker, 3);
    const std::string bytes = contentsOf(written.file);
    for (size_t at = 0; at < bytes.size(); ++at)
        for (const int flip : {0x01, 0x80, 0xFF}) {
            std::string changed = bytes;
            changed[at] = static_cast<char>(changed[at] ^ flip);
            putContents(folder / "changed.journal", changed);
            EXPECT_THROW(readJournal(folder / "changed.journal"), DamagedJournal)
                << "byte " << at << " flipped by " << flip;
        }
}

// A crash can leave the space of an unfinished write allocated but never filled.
TEST(RecoveryFile, ZerosAfterTheLastBatchAreAnUnfinishedWrite) {
    const TempFolder folder;
    Picker picker(9);
    const WrittenJournal written = writeJournal(folder.root, picker, 2);
    putContents(written.file, contentsOf(written.file) + std::string(300, '\0'));
    EXPECT_EQ(readJournal(written.file).edits, firstBatches(written, 2));
    putContents(written.file, contentsOf(written.file) + "\x01");
    EXPECT_THROW(readJournal(written.file), DamagedJournal);
}

TEST(RecoveryFile, ForeignFilesAreReportedAsDamage) {
    const TempFolder folder;
    Picker picker(10);
    const std::string journal = contentsOf(writeJournal(folder.root, picker, 1).file);
    std::vector<std::string> foreign = {"",
                                        "\x89",
                                        "plain text, not a journal\n",
                                        "\x89"
                                        "Cjrnl\r\n", // the magic alone
                                        "\x89"
                                        "Cjrnl\n\n" +
                                            journal.substr(8),
                                        journal.substr(0, 8) + "\x02" + journal.substr(9)};
    for (int sample = 0; sample < 40; ++sample) {
        std::string noise;
        for (int k = picker.pick(0, 200); k > 0; --k)
            noise.push_back(static_cast<char>(picker.pick(0, 255)));
        foreign.push_back(sample % 2 == 0 ? noise : journal.substr(0, 8) + noise);
    }
    for (const std::string& bytes : foreign) {
        putContents(folder / "foreign.journal", bytes);
        EXPECT_THROW(readJournal(folder / "foreign.journal"), DamagedJournal) << bytes.size();
    }
    EXPECT_THROW(readJournal(folder / "missing.journal"), std::runtime_error);
}

TEST(RecoveryFile, TheFormatIsStable) {
    const TempFolder folder;
    const FileStamp stamp{true, 1000, -5, 0x0123456789ABCDEF};
    RecoveryJournal journal(folder.root, {u"/a/b.txt", stamp});
    journal.record({u'x', 0, 1, 2});
    journal.record({Enter, 3, 0, 0});
    journal.write();
    journal.record({Backspace, 1, 0, 0});
    journal.record(JournalEdit::replacement(
        {1, 2, 3}, {4, 5, 6}, {7, 8, 9},
        std::make_shared<const TextFragment>(fragmentOf(u"a\u2028\t\nb"))));
    journal.record(JournalEdit::replacement(
        {0, 0, 0}, {0, 0, 0}, {0, 2, 0},
        std::make_shared<const TextFragment>(fragmentOf(u"\u2029\t\u2029"))));
    journal.record(JournalEdit::replacingAll(
        std::make_shared<const ReplaceAllOrder>(ReplaceAllOrder{u"int", {true, false}, u"a\tb"}),
        {1, 0, 4}));
    journal.record(JournalEdit::exchangingAgain(0, {2, 1, 0}));
    journal.write();
    const std::string expected =
        HandMadeJournal(journalPathFor(u"/a/b.txt"), stamp)
            .batch(HandMadeJournal::insertChar(u'x', 0, 1, 2) +
                       HandMadeJournal::insertChar(Enter, 3, 0, 0),
                   2)
            .batch(HandMadeJournal::insertChar(Backspace, 1, 0, 0) +
                       HandMadeJournal::replacement({1, 2, 3, 4, 5, 6, 7, 8, 9}, u"a\n\t\nb",
                                                    "\x02\x01") +
                       HandMadeJournal::replacement({0, 0, 0, 0, 0, 0, 0, 2, 0}, u"\t\t\t", "",
                                                    {0, 2}) +
                       HandMadeJournal::replaceAll({1, 0, 4}, 1, u"int", u"a\tb") +
                       HandMadeJournal::exchangeAgain({2, 1, 0}, 0),
                   5)
            .bytes;
    EXPECT_EQ(contentsOf(journal.file()), expected);
}

TEST(RecoveryFile, ImpossibleContentUnderGoodChecksIsDamage) {
    struct Row {
        const char* what;
        std::string records;
        uint64_t count;
    };
    const std::string good = HandMadeJournal::insertChar(u'a', 0, 0, 0);
    const std::vector<Row> rows = {
        {"an unknown kind of edit", "\x06" + good.substr(1), 1},
        {"a Replace all of unknown options", HandMadeJournal::replaceAll({}, 4, u"a", u"b"), 1},
        {"a Replace all cut inside its batch",
         HandMadeJournal::replaceAll({}, 0, u"ab", u"c").substr(0, 25), 1},
        {"a Replace all's cursor at a negative place",
         HandMadeJournal::replaceAll({0, -1, 0}, 0, u"a", u""), 1},
        {"an exchange cut inside its batch", HandMadeJournal::exchangeAgain({}, 0).substr(0, 15),
         1},
        {"a spaced tab that is none", HandMadeJournal::replacement({}, u"a\t", "", {0}), 1},
        {"spaced tabs out of order", HandMadeJournal::replacement({}, u"\t\t", "", {1, 0}), 1},
        {"spaced tabs cut inside their batch",
         HandMadeJournal::replacement({}, u"\t\t", "", {0, 1}).substr(0, 55), 1},
        {"a replacement ending before it begins",
         HandMadeJournal::replacement({0, 0, 2, 0, 0, 1, 0, 0, 0}, u"", ""), 1},
        {"a replacement at a negative place",
         HandMadeJournal::replacement({0, 0, 0, 0, 0, 0, 0, -1, 0}, u"", ""), 1},
        {"a line end of no kind", HandMadeJournal::replacement({}, u"\n", "\x03"), 1},
        {"line ends not as many as lines", HandMadeJournal::replacement({}, u"a\nb", ""), 1},
        {"a replacement cut inside its batch",
         HandMadeJournal::replacement({}, u"abc", "").substr(0, 50), 1},
        {"code 0", HandMadeJournal::insertChar(0, 0, 0, 0), 1},
        {"Delete", HandMadeJournal::insertChar(127, 0, 0, 0), 1},
        {"a surrogate half", HandMadeJournal::insertChar(0xD800, 0, 0, 0), 1},
        {"past U+10FFFF", HandMadeJournal::insertChar(0x110000, 0, 0, 0), 1},
        {"a negative line", HandMadeJournal::insertChar(u'a', -1, 0, 0), 1},
        {"a negative cell", HandMadeJournal::insertChar(u'a', 0, -1, 0), 1},
        {"a negative character", HandMadeJournal::insertChar(u'a', 0, 0, -7), 1},
        {"more edits counted than held", good + good, 3},
        {"fewer edits counted than held", good + good, 1},
        {"an empty batch", "", 0},
        {"an edit cut inside its batch", good + good.substr(0, 9), 2},
    };
    const TempFolder folder;
    for (const Row& row : rows) {
        putContents(folder / "made.journal",
                    HandMadeJournal(u"", {}).batch(good, 1).batch(row.records, row.count).bytes);
        EXPECT_THROW(readJournal(folder / "made.journal"), DamagedJournal) << row.what;
    }
    putContents(folder / "made.journal",
                HandMadeJournal(u"", {true, 0, 0, 0}).batch(good, 1).bytes); // an empty file
    EXPECT_EQ(readJournal(folder / "made.journal").edits, (std::vector<JournalEdit>{{u'a'}}));
    putContents(folder / "made.journal", HandMadeJournal(u"", {false, 1, 0, 0}).bytes);
    EXPECT_THROW(readJournal(folder / "made.journal"), DamagedJournal) << "a missing file's size";
}

void writeOneEdit(RecoveryJournal& journal, char32_t code) {
    journal.record({code, 0, 0, 0});
    journal.write();
}

std::vector<fs::path> namesIn(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Two windows on one file, or a journal kept from an earlier run, each keep their own
// file; the newest is offered first; a save removes them all and nothing else.
TEST(RecoveryFiles, JournalsOfOnePathCoexistUntilDiscarded) {
    const TempFolder folder;
    const fs::path journals = folder / "journals";
    const std::u16string document = folder.path("shared.txt");
    RecoveryJournal first(journals, {document, {}});
    RecoveryJournal second(journals, {document, {}});
    RecoveryJournal other(journals, {folder.path("other.txt"), {}});
    writeOneEdit(first, u'1');
    writeOneEdit(second, u'2');
    writeOneEdit(other, u'3');
    fs::create_directories(journals / "nested");
    putContents(journals / "unrelated.txt", "keep me");
    ASSERT_NE(first.file(), second.file());
    fs::last_write_time(first.file(), fs::last_write_time(second.file()) + std::chrono::hours(1));

    EXPECT_EQ(journalsFor(journals, document),
              (std::vector<fs::path>{first.file(), second.file()}));
    EXPECT_EQ(readJournal(first.file()).edits, (std::vector<JournalEdit>{{u'1'}}));
    EXPECT_EQ(readJournal(second.file()).edits, (std::vector<JournalEdit>{{u'2'}}));
    const std::vector<fs::path> others = journalsFor(journals, folder.path("other.txt"));
    ASSERT_EQ(others, std::vector<fs::path>{other.file()});
    EXPECT_EQ(readJournal(others[0]).base.path, journalPathFor(folder.path("other.txt")));

    discardJournals(journals, document);
    std::vector<fs::path> kept = {"nested", other.file().filename(), "unrelated.txt"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(namesIn(journals), kept);
    EXPECT_TRUE(journalsFor(folder / "no such folder", document).empty());
    EXPECT_NO_THROW(discardJournals(folder / "no such folder", document));
}

// A document opened by a relative path from one folder finds its journals when opened by
// another path to it from elsewhere.
TEST(RecoveryFiles, OnePathSpelledTwoWaysFindsTheSameJournals) {
    const TempFolder folder;
    const fs::path journals = folder / "journals";
    const fs::path kept = fs::current_path();
    fs::create_directories(folder / "sub");
    fs::current_path(folder / "sub");
    RecoveryJournal journal(journals, {u"../doc.txt", {}});
    writeOneEdit(journal, u'x');
    fs::current_path(kept);
    EXPECT_EQ(journal.base().path, journalPathFor(folder.path("doc.txt")));
    EXPECT_EQ(journalsFor(journals, folder.path("sub/./../doc.txt")),
              std::vector<fs::path>{journal.file()});
    EXPECT_EQ(journalPathFor(u""), u"");
}

TEST(RecoveryFiles, AJournalIsItsOwnersAlone) {
    if (runningOnWindows)
        GTEST_SKIP() << "Windows keeps access lists, not permission bits";
    const TempFolder folder;
    RecoveryJournal journal(folder.root, {u"private.txt", {}});
    writeOneEdit(journal, u'x');
    EXPECT_EQ(fs::status(journal.file()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

// A failed write keeps what was recorded, and what a failed append left on the disk is
// cut off by the next one.
TEST(RecoveryFiles, AFailedWriteLosesNothing) {
    const TempFolder folder;
    putContents(folder / "journals", "a file where the folder should be");
    RecoveryJournal journal(folder / "journals", {u"doc.txt", {}});
    journal.record({u'a'});
    EXPECT_THROW(journal.write(), std::runtime_error);
    EXPECT_TRUE(journal.hasUnwritten());
    fs::remove(folder / "journals");
    journal.write();
    EXPECT_FALSE(journal.hasUnwritten());

    const std::string written = contentsOf(journal.file());
    putContents(journal.file(), written + "half a batch");
    writeOneEdit(journal, u'b');
    EXPECT_EQ(readJournal(journal.file()).edits, (std::vector<JournalEdit>{{u'a'}, {u'b'}}));

    putContents(journal.file(), written.substr(0, written.size() - 1)); // cut by another
    journal.record({u'c'});
    EXPECT_THROW(journal.write(), std::runtime_error);
    EXPECT_TRUE(journal.hasUnwritten());
}

// Another window's save, or a user tidying up, may remove the file: the next write puts
// every edit since the base in a new one.
TEST(RecoveryFiles, AJournalRemovedByAnotherIsWrittenAgainWhole) {
    const TempFolder folder;
    RecoveryJournal journal(folder / "journals", {u"doc.txt", {}});
    writeOneEdit(journal, u'a');
    writeOneEdit(journal, u'b');
    discardJournals(folder / "journals", u"doc.txt");
    writeOneEdit(journal, u'c');
    EXPECT_EQ(readJournal(journal.file()).edits,
              (std::vector<JournalEdit>{{u'a'}, {u'b'}, {u'c'}}));
    fs::remove_all(folder / "journals");
    writeOneEdit(journal, u'd');
    EXPECT_EQ(readJournal(journal.file()).edits.size(), 4u);
}

TEST(RecoveryFiles, DiscardingStartsAfresh) {
    const TempFolder folder;
    RecoveryJournal journal(folder.root, {u"doc.txt", {}});
    writeOneEdit(journal, u'a');
    const fs::path firstFile = journal.file();
    journal.record({u'b'});
    journal.discard();
    EXPECT_FALSE(fs::exists(firstFile));
    EXPECT_FALSE(journal.hasUnwritten());
    EXPECT_TRUE(journal.file().empty());
    journal.discard(); // nothing left to delete
    writeOneEdit(journal, u'c');
    EXPECT_EQ(readJournal(journal.file()).edits, (std::vector<JournalEdit>{{u'c'}}));
}

TEST(RecoveryEdits, WhatNoJournalCanHoldIsRefused) {
    RecoveryJournal journal(".", {u"", {}});
    for (const JournalEdit& edit : std::vector<JournalEdit>{
             {0}, {127}, {0xDC00}, {0x110000}, {u'a', -1}, {u'a', 0, -1}, {u'a', 0, 0, -1}}) {
        try {
            journal.record(edit);
            ADD_FAILURE() << "recorded code " << static_cast<uint32_t>(edit.code);
        } catch (const EngineError& error) {
            EXPECT_EQ(error.number, ErrorNumber::BadArgument);
        }
    }
    EXPECT_FALSE(journal.hasUnwritten());
}

TEST(RecoveryEdits, AReplayStopsAtTheFirstEditThatDoesNotFit) {
    LoadedBox loaded(u"ab\ncd");
    const std::vector<JournalEdit> edits = {{u'x', 1, 0, 2}, {Enter, 0, 0, 9}, {u'y', 0, 0, 0}};
    try {
        replayEdits(loaded.box, edits);
        FAIL() << "an edit outside the text was made";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.number, ErrorNumber::OutOfRange);
        EXPECT_NE(std::string(error.what()).find("edit 2 of 3"), std::string::npos) << error.what();
    }
    EXPECT_EQ(loaded.box.gettext(), u"ab\ncdx");
    EXPECT_EQ(loaded.box.cursor, (CLPos{1, 0, 3})); // where the last edit made left it
}

// A replacement or a Replace all whose text fits but whose cursor then does not is not made
// at all, and the cursor stays where the edit before left it.
TEST(RecoveryEdits, AReplacementWhoseCursorDoesNotFitIsNotMade) {
    LoadedBox loaded(u"ab\ncd");
    const auto nothing = std::make_shared<const TextFragment>();
    const std::vector<JournalEdit> edits = {
        JournalEdit::replacement({0, 0, 1}, {0, 0, 2}, {0, 0, 1}, nothing),
        JournalEdit::replacement({0, 0, 1}, {1, 0, 1}, {1, 0, 0}, nothing)};
    EXPECT_THROW(replayEdits(loaded.box, edits), EngineError);
    EXPECT_EQ(loaded.box.gettext(), u"a\ncd");
    EXPECT_EQ(loaded.box.cursor, (CLPos{0, 0, 1}));
    const auto longer = std::make_shared<const ReplaceAllOrder>(ReplaceAllOrder{u"d", {}, u"ddd"});
    EXPECT_THROW(replayEdits(loaded.box, {JournalEdit::replacingAll(longer, {1, 0, 9})}),
                 EngineError);
    EXPECT_EQ(loaded.box.gettext(), u"a\ncd");
    EXPECT_EQ(loaded.box.cursor, (CLPos{0, 0, 1}));
}

// A cursor recorded between the halves of a pair stands before the pair.
TEST(RecoveryEdits, AReplayedCursorNeverSplitsAPair) {
    LoadedBox loaded(u"a\U0001F600");
    replayEdits(loaded.box, {JournalEdit::replacement({0, 0, 0}, {0, 0, 0}, {0, 0, 2},
                                                      std::make_shared<const TextFragment>())});
    EXPECT_EQ(loaded.box.cursor, (CLPos{0, 0, 1}));
}

} // namespace
