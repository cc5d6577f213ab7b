#include "platform/win32/AppDataFolder.h"
#include "platform/win32/GdiSurface.h"
#include "platform/win32/Win32Host.h"
#include "tests/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class OwnFolder : public testing::Test {
protected:
    OwnFolder() { fs::create_directory(base); }

    const TempFolder scratch;
    const fs::path base = scratch.root / u"app data \u00e9";
};

// Made on the first call, kept with what it holds on the next ones, with or without a
// separator at the end of the base.
TEST_F(OwnFolder, IsMadeOnceAndKeptWithItsFiles) {
    const fs::path expected = base / u"Columnator";
    EXPECT_EQ(appDataFolder::ownFolderIn(base.u16string()), expected.u16string());
    ASSERT_TRUE(fs::is_directory(expected));
    std::ofstream(expected / "recovery") << "kept";
    EXPECT_EQ(appDataFolder::ownFolderIn(base.u16string()), expected.u16string());
    EXPECT_EQ(appDataFolder::ownFolderIn(base.u16string() + u"\\"), expected.u16string());
    EXPECT_TRUE(fs::exists(expected / "recovery"));
}

TEST_F(OwnFolder, IsNoneWhereItCannotBeMade) {
    EXPECT_EQ(appDataFolder::ownFolderIn(u""), u"");
    EXPECT_EQ(appDataFolder::ownFolderIn((base / u"missing").u16string()), u"");
    std::ofstream(base / u"Columnator") << "a file in the way";
    EXPECT_EQ(appDataFolder::ownFolderIn(base.u16string()), u"");
}

TEST(RecoveryFolder, IsTheProgramsFolderUnderLocalAppData) {
    const wchar_t* localAppData = _wgetenv(L"LOCALAPPDATA");
    ASSERT_NE(localAppData, nullptr);
    EXPECT_EQ(appDataFolder::localAppData(), reinterpret_cast<const char16_t*>(localAppData));
    GdiSurface surface;
    Win32Host host(nullptr, surface);
    const std::u16string folder = host.recoveryFolder();
    EXPECT_EQ(fs::path(folder), fs::path(localAppData) / u"Columnator");
    EXPECT_TRUE(fs::is_directory(folder));
}

} // namespace
