#include "platform/win32/FileDialog.h"
#include "tests/win32/DialogScript.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A fresh folder of the test's own, with a name outside ASCII, removed afterwards.
class FileDialogs : public testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / u"columnator dialogs \u00e9";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::u16string in(const std::u16string& name) const { return (folder / name).u16string(); }
    void make(const std::u16string& name) const { std::ofstream(folder / name) << "kept"; }

    std::filesystem::path folder;
};

using Kind = fileDialog::Kind;

TEST_F(FileDialogs, SaveStartsAtTheSuggestedFileAndGivesTheNameTyped) {
    DialogScript script({DialogScript::name(u"typed \u00fc.tsv")});
    EXPECT_EQ(fileDialog::ask(nullptr, Kind::Save, in(u"suggested.txt")), in(u"typed \u00fc.tsv"));
    ASSERT_EQ(script.shown.size(), 1U);
    EXPECT_EQ(script.shown[0].folder, folder.u16string());
    EXPECT_EQ(script.shown[0].name, u"suggested.txt");
}

TEST_F(FileDialogs, OpenStartsInTheFolderOfTheNearFileWithNoName) {
    make(u"other.txt");
    DialogScript script({DialogScript::name(u"other.txt")});
    EXPECT_EQ(fileDialog::ask(nullptr, Kind::Open, in(u"near.txt")), in(u"other.txt"));
    ASSERT_EQ(script.shown.size(), 1U);
    EXPECT_EQ(script.shown[0].folder, folder.u16string());
    EXPECT_EQ(script.shown[0].name, u"");
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
