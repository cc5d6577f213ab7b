#include "window/fileformat.h"
#include "window/fileread.h"
#include "window/filesave.h"

#include "TempFolder.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if __has_include(<sys/resource.h>)
#include <sys/resource.h>
#define HAVE_FILE_SIZE_LIMIT 1
#endif
#if __has_include(<sys/mount.h>)
#include <sys/mount.h>
#define HAVE_MOUNT 1
#endif

namespace fs = std::filesystem;

namespace {

constexpr int32_t utf8 = 65001;

TEST(AtomicSave, ReplacesTheFileKeepingItsPermissions) {
    const TempFolder folder;
    const std::u16string file = folder.put("kept.txt", "old");
    const auto permissions = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(file, permissions);
    writeTextFile(file, u"new", {});
    EXPECT_EQ(folder.contents("kept.txt"), "new");
    if (!runningOnWindows) { // Windows keeps no permission bits beyond read-only
        EXPECT_EQ(fs::status(file).permissions(), permissions);
    }
    EXPECT_EQ(folder.names(), std::vector<std::string>{"kept.txt"});
}

TEST(AtomicSave, SavesThroughASymbolicLinkToItsTarget) {
    if (runningOnWindows)
        GTEST_SKIP() << "making a symbolic link needs a privilege on Windows";
    const TempFolder folder;
    fs::create_directory(folder / "real");
    folder.put("real/target.txt", "old");
    fs::create_symlink(fs::path("real") / "target.txt", folder / "link.txt");
    writeTextFile(folder.path("link.txt"), u"new", {});
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "link.txt")));
    EXPECT_EQ(folder.contents("real/target.txt"), "new");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"link.txt", "real"}));
}

TEST(AtomicSave, NamesOutsideAsciiAreReadAndSaved) {
    const TempFolder folder;
    const fs::path subfolder = folder.root / fs::path(u"Ordner \u00FC\u03A9");
    fs::create_directory(subfolder);
    const fs::path name(u"na\u00EFve \u6587 \U0001F600.txt");
    const std::u16string file = (subfolder / name).u16string();
    writeTextFile(file, u"first", {utf8, true, {}});
    writeTextFile(file, u"caf\u00E9", {codePageUtf16, true, {}});
    const TextFile read = readTextFile(file);
    EXPECT_EQ(read.text, u"caf\u00E9");
    EXPECT_EQ(read.format, (TextFileFormat{codePageUtf16, true, {}}));
    std::vector<fs::path> listed;
    for (const auto& entry : fs::directory_iterator(subfolder))
        listed.push_back(entry.path().filename());
    EXPECT_EQ(listed, std::vector<fs::path>{name}); // the temporary was renamed, not left
}

TEST(AtomicSave, FailureInAMissingFolderCreatesNothing) {
    const TempFolder folder;
    EXPECT_THROW(writeTextFile(folder.path("no/such.txt"), u"x", {}), std::runtime_error);
    EXPECT_TRUE(folder.names().empty());
}

#ifdef HAVE_FILE_SIZE_LIMIT
// A save cut short part-way (here by a file-size limit) keeps the original byte for byte.
TEST(AtomicSave, FailingPartWayLeavesTheOriginalAndNoTemporary) {
    const TempFolder folder;
    const std::string original = "precious\r\ncontents\n";
    const std::u16string file = folder.put("precious.txt", original);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string message;
    try {
        writeTextFile(file, std::u16string(100000, u'x'), {});
    } catch (const std::exception& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_NE(message.find("precious.txt"), std::string::npos) << message;
    EXPECT_EQ(folder.contents("precious.txt"), original);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"precious.txt"});
}
#endif

#ifdef HAVE_MOUNT
// A file system of 64 KiB of its own, where the process may mount one (as root).
class SmallFileSystem {
public:
    explicit SmallFileSystem(const fs::path& at) : root(at) {
        fs::create_directory(root);
        mounted = ::mount("tmpfs", root.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem() {
        if (mounted)
            ::umount(root.c_str());
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    const fs::path root;
    bool mounted = false;
};

TEST(AtomicSave, AFullDiskLeavesTheOriginalAndNoTemporary) {
    const TempFolder folder;
    const SmallFileSystem disk(folder / "disk");
    if (!disk.mounted)
        GTEST_SKIP() << "cannot mount a small file system here";
    const std::string original = "kept\r\nwhole\n";
    std::ofstream(disk.root / "full.txt", std::ios::binary) << original;
    const std::u16string file = (disk.root / "full.txt").u16string();
    EXPECT_THROW(writeTextFile(file, std::u16string(200000, u'x'), {}), std::runtime_error);
    std::ifstream in(disk.root / "full.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(disk.root), fs::directory_iterator()), 1);
    writeTextFile(file, u"small", {}); // the space is free again
    EXPECT_EQ(readTextFile(file).text, u"small");
}
#endif

} // namespace
