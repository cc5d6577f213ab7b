#include "window/fileformat.h"
#include "window/fileread.h"
#include "window/filesave.h"

#include "support/systemcalls.h"

#include "TempFolder.h"
#include "TestPlatform.h"
#include "tests/support/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#if __has_include(<sys/resource.h>)
#include <sys/resource.h>
#define HAVE_FILE_SIZE_LIMIT 1
#endif
#if __has_include(<sys/mount.h>)
#include <sys/mount.h>
#define HAVE_MOUNT 1
#endif
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#define HAVE_MODES 1
#endif

namespace fs = std::filesystem;

namespace {

constexpr int32_t utf8 = 65001;

// What a save could change at a name: its kind, a link's target, a file's permissions
// and bytes.
std::string stateOf(const fs::path& at) {
    const fs::file_status status = fs::symlink_status(at);
    if (fs::is_symlink(status))
        return "link to " + fs::read_symlink(at).string();
    if (fs::is_directory(status))
        return "folder";
    std::ifstream in(at, std::ios::binary);
    return "file " + std::to_string(static_cast<int>(status.permissions())) + " " +
           std::string(std::istreambuf_iterator<char>(in), {});
}

std::map<std::string, std::string> stateOf(const TempFolder& folder) {
    std::map<std::string, std::string> states;
    for (const std::string& name : folder.names())
        states[name] = stateOf(folder / name);
    return states;
}

// What another program may put at a name: each puts something at `at`, beside a file
// "victim.txt".
struct Intrusion {
    const char* what;
    std::function<void(const fs::path& at)> put;
    bool makesLink; // which needs a privilege on Windows
};

const std::vector<Intrusion>& intrusions() {
    static const std::vector<Intrusion> rows = {
        {"a file", [](const fs::path& at) { std::ofstream(at, std::ios::binary) << "theirs"; },
         false},
        {"a folder", [](const fs::path& at) { fs::create_directory(at); }, false},
        {"a link to another file",
         [](const fs::path& at) { fs::create_symlink(at.parent_path() / "victim.txt", at); }, true},
        {"a link to nothing",
         [](const fs::path& at) { fs::create_symlink(at.parent_path() / "planted.txt", at); },
         true},
    };
    return rows;
}

// Runs check for each intrusion this system can make, each in a fresh folder.
void forEachIntrusion(const std::function<void(const Intrusion&, const TempFolder&)>& check) {
    for (const Intrusion& intrusion : intrusions()) {
        if (intrusion.makesLink && runningOnWindows)
            continue;
        const TempFolder folder;
        folder.put("victim.txt", "the victim's own");
        check(intrusion, folder);
    }
}

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

// Another program may put something at the temporary's name once it is drawn: the save
// neither writes through it nor removes it, and goes on under another name.
TEST(AtomicSave, WhatIsPutAtTheTemporaryNameIsLeftAsItIs) {
    forEachIntrusion([](const Intrusion& intrusion, const TempFolder& folder) {
        folder.put("target.txt", "old");
        std::map<std::string, std::string> intruded;
        const SaveProbes intruding{.beforeCreate = [&](const fs::path& temporary) {
            if (!intruded.empty())
                return;
            intrusion.put(temporary);
            intruded = stateOf(folder);
        }};
        EXPECT_NO_THROW(saveBytesAtomically(folder / "target.txt", "new", intruding))
            << intrusion.what;
        EXPECT_EQ(folder.contents("target.txt"), "new") << intrusion.what;
        std::map<std::string, std::string> after = stateOf(folder);
        after.erase("target.txt");
        intruded.erase("target.txt");
        EXPECT_EQ(after, intruded) << intrusion.what;
    });
}

TEST(AtomicSave, NamesTakenTimeAfterTimeEndTheSaveLeavingEverything) {
    const TempFolder folder;
    folder.put("target.txt", "old");
    std::map<std::string, std::string> intruded;
    try {
        saveBytesAtomically(folder / "target.txt", "new",
                            {.beforeCreate = [&](const fs::path& temporary) {
                                std::ofstream(temporary, std::ios::binary) << "theirs";
                                intruded = stateOf(folder);
                            }});
        FAIL() << "saved under a taken name";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("free temporary file name"), std::string::npos)
            << e.what();
    }
    EXPECT_GT(intruded.size(), 10u);
    EXPECT_EQ(stateOf(folder), intruded);
}

TEST(AtomicSave, FailureInAMissingFolderCreatesNothing) {
    const TempFolder folder;
    EXPECT_THROW(writeTextFile(folder.path("no/such.txt"), u"x", {}), std::runtime_error);
    EXPECT_TRUE(folder.names().empty());
}

#ifdef HAVE_FILE_SIZE_LIMIT
// While it lives, writing past a file's first bytes fails, as on a disk that filled up.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : previousHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    decltype(std::signal(SIGXFSZ, SIG_IGN)) previousHandler;
    rlimit previous{};
};

// A save cut short part-way (here by a file-size limit) keeps the original byte for byte.
TEST(AtomicSave, FailingPartWayLeavesTheOriginalAndNoTemporary) {
    const TempFolder folder;
    const std::string original = "precious\r\ncontents\n";
    const std::u16string file = folder.put("precious.txt", original);
    std::string message;
    try {
        const FileSizeLimit limit(4096);
        writeTextFile(file, std::u16string(100000, u'x'), {});
    } catch (const std::exception& e) {
        message = e.what();
    }
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

// A file of two names (hard links), "first.txt" and "second.txt", holding "old".
struct LinkedFile {
    LinkedFile() {
        folder.put("first.txt", "old");
        fs::create_hard_link(folder / "first.txt", folder / "second.txt");
    }
    const TempFolder folder;
};

// Saved under one name, both show the new text; where the write fails part-way, both show
// the old one. Either way the names stay one file, and nothing of the save's own is left.
TEST(SavingALinkedFile, EveryNameShowsTheNewTextOrEveryNameTheOld) {
    struct Row {
        const char* what;
        SaveProbes probes;
        long fileSizeLimit; // 0 for none
        std::string left;
    };
    const auto failPartWay = [](const fs::path& file, std::string_view bytes) {
        systemcalls::appendToFile(file, 0, bytes.substr(0, bytes.size() / 2));
        throw std::runtime_error("the disk failed");
    };
    const auto failAtOnce = [](const fs::path&, std::string_view) {
        throw std::runtime_error("the file is in use");
    };
    const std::string longText(100000, 'x');
    std::vector<Row> rows{
        {"a write that succeeds", {}, 0, longText},
        {"a write that fails part-way", {.writeInPlace = failPartWay}, 0, "old"},
        {"a write that fails before it changes anything", {.writeInPlace = failAtOnce}, 0, "old"},
    };
#ifdef HAVE_FILE_SIZE_LIMIT
    rows.push_back({"a write cut short by a file-size limit", {}, 4096, "old"});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const LinkedFile linked;
        bool failed = false;
        try {
#ifdef HAVE_FILE_SIZE_LIMIT
            std::optional<FileSizeLimit> limit;
            if (row.fileSizeLimit > 0)
                limit.emplace(static_cast<rlim_t>(row.fileSizeLimit));
#endif
            saveBytesAtomically(linked.folder / "first.txt", longText, row.probes);
        } catch (const std::exception&) {
            failed = true;
        }
        EXPECT_EQ(failed, row.left != longText);
        EXPECT_EQ(linked.folder.contents("first.txt"), row.left);
        EXPECT_EQ(linked.folder.contents("second.txt"), row.left);
        EXPECT_EQ(systemcalls::hardLinkCount(linked.folder / "second.txt"), 2u);
        EXPECT_EQ(linked.folder.names(), (std::vector<std::string>{"first.txt", "second.txt"}));
    }
}

// Where not even the old text can be written back, the copy that holds it stays, named.
TEST(SavingALinkedFile, AnOldTextThatCannotBeWrittenBackStaysInItsNamedCopy) {
    const LinkedFile linked;
    const SaveProbes probes{.writeInPlace = [](const fs::path& file, std::string_view bytes) {
        systemcalls::appendToFile(file, 0, bytes.substr(0, 2));
        fs::remove(file); // the other name goes on, holding the part
        throw std::runtime_error("the disk failed");
    }};
    std::string message;
    try {
        saveBytesAtomically(linked.folder / "first.txt", "new text", probes);
    } catch (const std::exception& e) {
        message = e.what();
    }
    const std::vector<std::string> names = linked.folder.names();
    ASSERT_EQ(names.size(), 2u);
    const std::string& copy = names[0];
    EXPECT_EQ(linked.folder.contents(copy), "old");
    EXPECT_NE(message.find("the disk failed"), std::string::npos) << message;
    EXPECT_NE(message.find(copy), std::string::npos) << message;
}

TEST(SavingALinkedFile, TheWindowSavesUnderEveryName) {
    const LinkedFile linked;
    HeadlessWindow window(linked.folder.path("first.txt"));
    window.type(u"x");
    window.save();
    EXPECT_EQ(window.host.errors, std::vector<std::u16string>{});
    EXPECT_EQ(linked.folder.contents("first.txt"), "xold");
    EXPECT_EQ(linked.folder.contents("second.txt"), "xold");
}

TEST(NewFiles, ATakenNameIsRefusedAndLeftAsItIs) {
    forEachIntrusion([](const Intrusion& intrusion, const TempFolder& folder) {
        intrusion.put(folder / "taken");
        const std::map<std::string, std::string> before = stateOf(folder);
        try {
            systemcalls::writeNewFile(folder / "taken", "ours", folder / "victim.txt");
            ADD_FAILURE() << intrusion.what << " was written over";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), std::errc::file_exists) << intrusion.what << ": " << e.what();
        }
        EXPECT_EQ(stateOf(folder), before) << intrusion.what;
    });
}

#ifdef HAVE_MODES
// The mask applies to every file the process creates, so it is put back at once.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    const mode_t previous;
};

struct stat statusOf(const fs::path& file) {
    struct stat status {};
    EXPECT_EQ(::lstat(file.c_str(), &status), 0) << file;
    return status;
}

// Set-user-ID bits among them, which a change of owner after the mode would clear.
TEST(NewFiles, TakeThePermissionsOfTheFileTheyAreLike) {
    const TempFolder folder;
    const ScopedUmask unmasked(0);
    for (const mode_t mode : {0640u, 0600u, 0604u, 0755u, 04750u, 02750u}) {
        folder.put("like.txt", "");
        ASSERT_EQ(::chmod((folder / "like.txt").c_str(), mode), 0);
        systemcalls::writeNewFile(folder / "made.txt", "x", folder / "like.txt");
        EXPECT_EQ(statusOf(folder / "made.txt").st_mode & 07777, mode) << std::oct << mode;
        fs::remove(folder / "made.txt");
    }
}

TEST(NewFiles, TakeTheOwnerAndGroupOfTheFileTheyAreLike) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file away needs root";
    const TempFolder folder;
    folder.put("like.txt", "");
    ASSERT_EQ(::chown((folder / "like.txt").c_str(), 12345, 23456), 0);
    ASSERT_EQ(::chmod((folder / "like.txt").c_str(), 04710), 0);
    systemcalls::writeNewFile(folder / "made.txt", "x", folder / "like.txt");
    const struct stat made = statusOf(folder / "made.txt");
    EXPECT_EQ(made.st_uid, 12345u);
    EXPECT_EQ(made.st_gid, 23456u);
    EXPECT_EQ(made.st_mode & 07777, 04710u);
}

// Acts as another user while it lives, which only root may.
class ScopedEffectiveUser {
public:
    explicit ScopedEffectiveUser(uid_t user) { EXPECT_EQ(::seteuid(user), 0); }
    ~ScopedEffectiveUser() { EXPECT_EQ(::seteuid(0), 0); }
    ScopedEffectiveUser(const ScopedEffectiveUser&) = delete;
    ScopedEffectiveUser& operator=(const ScopedEffectiveUser&) = delete;
};

// Another user's file that the saving user may write: a new file could not be given its
// owner, so the text goes into the file itself.
TEST(SavingAnotherUsersFile, KeepsItsOwnerAndGroup) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    const TempFolder folder;
    fs::permissions(folder.root, fs::perms::all);
    const std::u16string file = folder.put("theirs.txt", "old");
    ASSERT_EQ(::chown((folder / "theirs.txt").c_str(), 12345, 23456), 0);
    ASSERT_EQ(::chmod((folder / "theirs.txt").c_str(), 0666), 0);
    {
        const ScopedEffectiveUser other(34567);
        EXPECT_NO_THROW(writeTextFile(file, u"new", {}));
    }
    const struct stat saved = statusOf(folder / "theirs.txt");
    EXPECT_EQ(saved.st_uid, 12345u);
    EXPECT_EQ(saved.st_gid, 23456u);
    EXPECT_EQ(folder.contents("theirs.txt"), "new");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"theirs.txt"});
}

TEST(NewFiles, WithNothingToBeLikeTakeTheDefaultPermissions) {
    const TempFolder folder;
    for (const mode_t mask : {0u, 022u, 027u, 077u}) {
        for (const fs::path& like : {fs::path(), folder / "missing.txt"}) {
            const ScopedUmask masked(mask);
            systemcalls::writeNewFile(folder / "made.txt", "x", like);
            EXPECT_EQ(statusOf(folder / "made.txt").st_mode & 07777, 0666 & ~mask)
                << std::oct << mask << " " << like;
            fs::remove(folder / "made.txt");
        }
    }
}
#endif

} // namespace
