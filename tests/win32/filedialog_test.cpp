#include "platform/win32/FileDialog.h"
#include "tests/TempFolder.h"
#include "tests/win32/DialogScript.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The test's own folder, with a name outside ASCII.
class FileDialogs : public testing::Test {
protected:
    FileDialogs() { std::filesystem::create_directory(folder); }

    std::u16string in(const std::u16string& name) const { return (folder / name).u16string(); }
    void make(const std::u16string& name) const { std::ofstream(folder / name) << "kept"; }

    const TempFolder scratch;
    const std::filesystem::path folder = scratch.root / u"dialogs \u00e9";
};

using Kind = fileDialog::Kind;

// Save opens at the suggested file, Open in its folder with no name; each gives the path
// of the name typed in the folder shown.
TEST_F(FileDialogs, StartAtTheGivenFileAndGiveTheNameTyped) {
    make(u"other.txt");
    struct Row {
        Kind kind;
        std::u16string nameShown, typed;
    };
    for (const Row& row : {Row{Kind::Save, u"suggested.txt", u"typed \u00fc.tsv"},
                           Row{Kind::Open, u"", u"other.txt"}}) {
        DialogScript script({DialogScript::name(row.typed)});
        EXPECT_EQ(fileDialog::ask(nullptr, row.kind, in(u"suggested.txt")), in(row.typed));
        ASSERT_EQ(script.shown.size(), 1U);
        EXPECT_EQ(script.shown[0].folder, folder.u16string());
        EXPECT_EQ(script.shown[0].name, row.nameShown);
    }
}

TEST_F(FileDialogs, CancelGivesNothing) {
    for (const Kind kind : {Kind::Save, Kind::Open}) {
        DialogScript script({DialogScript::press(IDCANCEL)});
        EXPECT_EQ(fileDialog::ask(nullptr, kind, in(u"suggested.txt")), u"");
        EXPECT_EQ(script.shown.size(), 1U);
    }
}

// Only a yes to the question names a file that exists; a no leaves the dialog open.
TEST_F(FileDialogs, SaveAsksBeforeNamingAFileThatExists) {
    make(u"taken.txt");
    DialogScript script({DialogScript::name(u"taken.txt"), DialogScript::press(IDNO),
                         DialogScript::name(u"taken.txt"), DialogScript::press(IDYES)});
    EXPECT_EQ(fileDialog::ask(nullptr, Kind::Save, in(u"new.txt")), in(u"taken.txt"));
    ASSERT_EQ(script.shown.size(), 4U);
    EXPECT_FALSE(script.shown[1].fileDialog); // the question
    EXPECT_TRUE(script.shown[2].fileDialog);
}

TEST_F(FileDialogs, OpenRefusesAFileThatDoesNotExist) {
    DialogScript script({DialogScript::name(u"missing.txt"), DialogScript::press(IDOK),
                         DialogScript::press(IDCANCEL)});
    EXPECT_EQ(fileDialog::ask(nullptr, Kind::Open, in(u"near.txt")), u"");
    ASSERT_EQ(script.shown.size(), 3U);
    EXPECT_FALSE(script.shown[1].fileDialog); // the warning
}

// The name is asked for again with a buffer that holds it, rather than cut or lost.
TEST_F(FileDialogs, ANameLongerThanTheBufferIsAskedForAgain) {
    const std::u16string name = u"a name longer than the buffer it starts with.txt";
    DialogScript script({DialogScript::name(name), DialogScript::name(name)});
    EXPECT_EQ(fileDialog::ask(nullptr, Kind::Save, in(u"x.txt"), 8), in(name));
    EXPECT_EQ(script.shown.size(), 2U);
}

} // namespace
