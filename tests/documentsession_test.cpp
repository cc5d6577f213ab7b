#include "tests/support/HeadlessWindow.h"
#include "window/fileread.h"
#include "window/recovery.h"

#include "TempFolder.h"
#include "textmodel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Window = HeadlessWindow;

// Ticks enough for a pause in typing that writes the journal.
void pause(Window& window) {
    for (int tick = 0; tick < 150; ++tick)
        window.form.onTick();
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    if (fs::exists(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            files.push_back(entry.path());
    return files;
}

// The host of a window whose recovery files go to folder, answering the offer to restore.
std::function<void(HeadlessHost&)> recoveringIn(const fs::path& folder, bool restore = false) {
    return [folder, restore](HeadlessHost& host) {
        host.recoveryFolderPath = folder.u16string();
        host.okCancel = {restore};
    };
}

// A run on commandLine that types and pauses, then dies unsaved, leaving its journal.
void typeThenDie(const std::u16string& commandLine, const fs::path& recovery,
                 std::u16string_view typed) {
    Window window(commandLine, recoveringIn(recovery));
    window.type(typed);
    pause(window);
}

// Typing is journalled only at a pause; a run that dies unsaved leaves the journal, which
// the next start offers back. Declined, the file shows as it is and the journal stays;
// restored, the text is unsaved until Ctrl+S, which removes every journal of the file.
TEST(Recovery, TheTextOfARunThatDiedIsOfferedBackUntilSaved) {
    const TempFolder folder;
    const std::u16string file = folder.put("notes.txt", "line\n");
    const fs::path recovery = folder / "recovery";
    {
        Window window(file, recoveringIn(recovery));
        window.type(u"ab");
        window.form.onTick();
        EXPECT_TRUE(filesIn(recovery).empty()); // not while typing
        pause(window);
        EXPECT_EQ(filesIn(recovery).size(), 1u);
        window.form.onKeyDown(KeyCode::End, ShiftMask::None);
        window.form.onKeyPress(U'\U0001F600');
        window.form.onKeyDown(KeyCode::Tab, ShiftMask::None);
        window.form.onKeyDown(KeyCode::Enter, ShiftMask::None);
        window.form.onKeyDown(KeyCode::Backspace, ShiftMask::None);
        pause(window);
    } // dies unsaved
    EXPECT_EQ(folder.contents("notes.txt"), "line\n");

    Window declined(file, recoveringIn(recovery, false));
    EXPECT_EQ(declined.host.questions.size(), 1u);
    EXPECT_EQ(declined.text(), u"line\n");
    EXPECT_EQ(filesIn(recovery).size(), 1u);

    Window restored(file, recoveringIn(recovery, true));
    EXPECT_EQ(restored.text(), u"abline\U0001F600\t\r\n");
    EXPECT_EQ(restored.host.caption(), u"*Columnator");
    EXPECT_EQ(folder.contents("notes.txt"), "line\n"); // untouched until saved
    EXPECT_EQ(filesIn(recovery).size(), 1u); // this run's journal took the old one's place
    restored.save();
    EXPECT_EQ(folder.contents("notes.txt"), "abline\xF0\x9F\x98\x80\t\r\n");
    EXPECT_TRUE(filesIn(recovery).empty());
    EXPECT_TRUE(restored.host.errors.empty());
}

// Without a file the demo text is the base; a Don't save close gives the work up.
TEST(Recovery, DontSaveOnCloseRemovesTheJournal) {
    const TempFolder folder;
    const fs::path recovery = folder / "recovery";
    {
        Window window(u"", recoveringIn(recovery));
        window.type(u"x");
        pause(window);
        EXPECT_EQ(filesIn(recovery).size(), 1u);
        window.host.saveChoices = {SaveChoice::DontSave};
        EXPECT_TRUE(window.form.onClose());
        EXPECT_TRUE(filesIn(recovery).empty());
    }
    typeThenDie(u"", recovery, u"y");
    Window restored(u"", recoveringIn(recovery, true));
    EXPECT_EQ(restored.host.questions.size(), 1u);
    EXPECT_TRUE(restored.host.errors.empty());
    EXPECT_EQ(restored.text().substr(0, 5), u"ydrag");
}

// A journal that is damaged, or made on another version of the file, is told about and
// left alone; the text is the file's, never half rebuilt.
TEST(Recovery, ADamagedOrOutdatedJournalIsReportedAndIgnored) {
    const TempFolder folder;
    const std::u16string file = folder.put("notes.txt", "one\n");
    const fs::path recovery = folder / "recovery";
    typeThenDie(file, recovery, u"edited ");
    const fs::path journal = filesIn(recovery).at(0);
    const auto size = fs::file_size(journal);
    {
        std::fstream patch(journal, std::ios::in | std::ios::out | std::ios::binary);
        patch.seekp(static_cast<std::streamoff>(size) - 9);
        patch.put('\x5A'); // inside the last batch's records
    }
    fs::last_write_time(journal, fs::file_time_type::clock::now());
    Window damaged(file, recoveringIn(recovery, true));
    EXPECT_EQ(damaged.text(), u"one\n");
    ASSERT_EQ(damaged.host.errors.size(), 1u);
    EXPECT_TRUE(damaged.host.questions.empty());
    fs::remove(journal);

    typeThenDie(file, recovery, u"edited ");
    folder.put("notes.txt", "two\n"); // another program wrote the file since
    const fs::path kept = filesIn(recovery).at(0);
    fs::last_write_time(kept, fs::file_time_type::clock::now() + std::chrono::seconds(5));
    Window outdated(file, recoveringIn(recovery, true));
    EXPECT_EQ(outdated.text(), u"two\n");
    ASSERT_EQ(outdated.host.errors.size(), 1u);
    EXPECT_NE(outdated.host.errors[0].find(u"another version"), std::u16string::npos);
    EXPECT_EQ(filesIn(recovery).size(), 1u);
}

// Don't save at a session's end removes the recovery file; if the end is cancelled and
// the window stays, the next write keeps every edit since the file again, not just the
// later ones.
TEST(Recovery, AfterACancelledEndTheJournalStillHoldsEveryEdit) {
    const TempFolder folder;
    const std::u16string file = folder.put("notes.txt", "one");
    const fs::path recovery = folder / "recovery";
    {
        Window window(file, recoveringIn(recovery));
        window.type(u"a");
        pause(window);
        window.host.saveChoices = {SaveChoice::DontSave};
        EXPECT_TRUE(window.form.onClose());
        EXPECT_TRUE(filesIn(recovery).empty());
        pause(window); // nothing new: nothing written
        EXPECT_TRUE(filesIn(recovery).empty());
        window.type(u"b");
        pause(window);
    }
    Window restored(file, recoveringIn(recovery, true));
    EXPECT_EQ(restored.text(), u"abone");
}

// A journal whose edits do not fit the text (written by another version of the program,
// say) is never applied in part: the text stays the file's, and the user is told.
TEST(Recovery, EditsThatDoNotFitLeaveTheFileAsItIs) {
    const TempFolder folder;
    const std::u16string file = folder.put("notes.txt", "one\n");
    const fs::path recovery = folder / "recovery";
    RecoveryJournal journal(recovery, JournalBase{file, readTextFile(file).stamp});
    journal.record({u'a', 0, 0, 3});
    journal.record({u'b', 7, 0, 0}); // no line 7
    journal.write();
    Window restored(file, recoveringIn(recovery, true));
    EXPECT_EQ(restored.text(), u"one\n");
    EXPECT_EQ(restored.host.captions, std::vector<std::u16string>{});
    EXPECT_EQ(restored.host.errors.size(), 1u);
    EXPECT_EQ(filesIn(recovery).size(), 1u);
}

// A journal that cannot be written is told once, not at every pause, and the window
// goes on; the edits stay to be written.
TEST(Recovery, AJournalThatCannotBeWrittenIsToldOnce) {
    const TempFolder folder;
    const std::u16string notAFolder = folder.put("not a folder", "");
    Window window(u"", [&](HeadlessHost& host) { host.recoveryFolderPath = notAFolder; });
    for (const char16_t typed : std::u16string_view(u"abc")) {
        window.form.onKeyPress(typed);
        pause(window);
    }
    EXPECT_EQ(window.host.errors.size(), 1u);
    EXPECT_EQ(window.text().substr(0, 3), u"abc");
}

// A journal older than its file (saved since by another run) is not offered.
TEST(Recovery, AJournalOlderThanTheFileIsNotOffered) {
    const TempFolder folder;
    const std::u16string file = folder.put("notes.txt", "one\n");
    const fs::path recovery = folder / "recovery";
    typeThenDie(file, recovery, u"x");
    fs::last_write_time(fs::path(file), fs::file_time_type::clock::now() + std::chrono::hours(1));
    Window later(file, recoveringIn(recovery, true));
    EXPECT_TRUE(later.host.questions.empty());
    EXPECT_EQ(later.text(), u"one\n");
}

// A file another program wrote since it was loaded is not saved over without asking; No
// leaves the file and the text as they are.
TEST(ChangedOnDisk, SavingOverAnotherProgramsWriteAsksFirst) {
    const TempFolder folder;
    Window window(folder.put("f.txt", "mine"));
    window.type(u"x");
    folder.put("f.txt", "theirs, longer");
    window.save();
    EXPECT_EQ(window.host.questions.size(), 1u);
    EXPECT_EQ(folder.contents("f.txt"), "theirs, longer");
    EXPECT_EQ(window.text(), u"xmine");
    EXPECT_EQ(window.host.caption(), u"*Columnator");
    window.host.yesNo = {true};
    window.save();
    EXPECT_EQ(folder.contents("f.txt"), "xmine");
    window.type(u"y"); // saved since: no question
    window.save();
    EXPECT_EQ(window.host.questions.size(), 2u);
    EXPECT_EQ(folder.contents("f.txt"), "xymine");
}

// Coming back to the window after another program wrote the file asks once for each state
// of the file: an unmodified text offers to load it again (Enter: Yes), keeping the cursor's
// line; a modified one asks before losing the edits (Enter: No). A file removed is told once.
TEST(ChangedOnDisk, ActivationAsksOnceForEachStateOfTheFile) {
    const TempFolder folder;
    Window window(folder.put("f.txt", "one\ntwo\nthree"));
    window.form.onKeyDown(KeyCode::Down, ShiftMask::None);
    window.form.onActivate();
    EXPECT_TRUE(window.host.questions.empty());

    folder.put("f.txt", "ONE\nTWO\nTHREE\nFOUR");
    window.host.yesNo = {true};
    window.form.onActivate();
    window.form.onActivate();
    ASSERT_EQ(window.host.yesNoEnterAnswers, std::vector{EnterAnswers::Yes});
    EXPECT_EQ(window.text(), u"ONE\nTWO\nTHREE\nFOUR");
    EXPECT_EQ(window.box().cursor, (CLPos{1, 0, 0}));
    EXPECT_EQ(window.host.caption(), u"Columnator");

    window.type(u"x");
    folder.put("f.txt", "theirs");
    window.host.yesNo = {false};
    window.form.onActivate();
    window.form.onActivate();
    EXPECT_EQ(window.host.yesNoEnterAnswers.back(), EnterAnswers::No);
    EXPECT_EQ(window.host.questions.size(), 2u);
    EXPECT_EQ(window.text(), u"ONE\nxTWO\nTHREE\nFOUR");
    window.save(); // declined: saving asks as it always did
    EXPECT_EQ(window.host.questions.size(), 3u);
    EXPECT_EQ(folder.contents("f.txt"), "theirs");

    folder.put("f.txt", "theirs again");
    window.host.yesNo = {true};
    window.form.onActivate(); // a new change asks again, and Yes gives up the edits
    EXPECT_EQ(window.text(), u"theirs again");
    EXPECT_EQ(window.box().cursor, (CLPos{0, 0, 0})); // the last line of a shorter text
    EXPECT_EQ(window.host.caption(), u"Columnator");

    fs::remove(folder / "f.txt");
    window.form.onActivate();
    window.form.onActivate();
    EXPECT_EQ(window.host.told.size(), 1u);
    EXPECT_EQ(window.host.questions.size(), 4u);
}

// Saved, a cell opening a line with four spaces, a cell of the form Spaces that holds text
// and a lone "\r" before a "\n" load back otherwise (more indentation; the form Tab; a
// "\r\n" line end): edits journalled after the save are made on the text as it was saved,
// not as it loads.
TEST(Recovery, EditsAfterASaveApplyToTheTextAsSavedNotAsItLoads) {
    const TempFolder folder;
    const std::u16string file = folder.put("notes.txt", "\ntwo\n    a");
    const fs::path recovery = folder / "recovery";
    std::u16string edited;
    {
        Window window(file, recoveringIn(recovery));
        window.type(u"    "); // typed spaces are text
        window.host.clipboard = u"four\r";
        window.form.onKeyDown(letterKey('V'), ShiftMask::Ctrl);
        window.form.onKeyDown(KeyCode::End, ShiftMask::Ctrl);
        window.form.onKeyDown(KeyCode::Home, ShiftMask::None);
        window.form.onKeyDown(KeyCode::Left, ShiftMask::None);
        window.type(u"b"); // into the indentation cell
        window.save();
        window.form.onKeyDown(KeyCode::Backspace, ShiftMask::None); // spaces again
        window.form.onKeyDown(KeyCode::Up, ShiftMask::None);
        window.form.onKeyDown(KeyCode::Home, ShiftMask::None);
        window.type(u"!");
        edited = modelOf(window.box());
        pause(window);
    }
    EXPECT_EQ(folder.contents("notes.txt"), "    four\r\ntwo\nb\ta");
    EXPECT_EQ(edited, u"    four\r\n!two\n\u2029a");
    Window restored(file, recoveringIn(recovery, true));
    EXPECT_EQ(modelOf(restored.box()), edited);
}

} // namespace
