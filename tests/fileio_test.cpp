#include "support/Utf8.h"
#include "support/modLocale.h"
#include "window/fileio.h"

#include "RandomFileBytes.h"
#include "TempFolder.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
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
using namespace std::string_literals;

namespace {

constexpr int32_t utf8 = 65001, ansi = 0;

struct EncodingRow {
    const char* what;
    std::string bytes;
    std::u16string text;
    TextFileFormat format;
};

const std::vector<EncodingRow>& encodingRows() {
    static const std::vector<EncodingRow> rows = {
        {"empty", "", u"", {utf8, false, {}}},
        {"mark alone", "\xEF\xBB\xBF", u"", {utf8, true, {}}},
        {"UTF-8 with mark",
         "\xEF\xBB\xBF"
         "a\xC3\xA9",
         u"a\u00E9",
         {utf8, true, {}}},
        {"UTF-8 without mark", "\xC3\xA9", u"\u00E9", {utf8, false, {}}},
        {"ASCII", "a\tb\r\nc\n", u"a\tb\r\nc\n", {utf8, false, {}}},
        {"lone E9", "\xE9", u"\u00E9", {ansi, false, {}}},
        {"truncated", "\xE2\x82", u"\u00E2\u201A", {ansi, false, {}}},
        {"overlong", "\xC0\xAF", u"\u00C0\u00AF", {ansi, false, {}}},
        {"surrogate", "\xED\xA0\x80", u"\u00ED\u00A0\u20AC", {ansi, false, {}}},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\u00F4\u0090\u20AC\u20AC", {ansi, false, {}}},
        {"five bytes",
         "\xF8\x88\x80\x80\x80",
         u"\u00F8\u02C6\u20AC\u20AC\u20AC",
         {ansi, false, {}}},
        {"mark, then ill-formed",
         "\xEF\xBB\xBF\xE9",
         u"\u00EF\u00BB\u00BF\u00E9",
         {ansi, false, {}}},
        {"unassigned ANSI bytes",
         "\x81\x8D\x8F\x90\x9D",
         u"\x81\x8D\x8F\x90\x9D",
         {ansi, false, {}}},
        {"UTF-16 mark alone", "\xFF\xFE", u"", {codePageUtf16, true, {}}},
        {"UTF-16",
         "\xFF\xFE"
         "a\0\xAC\x20\x00\xD8"s,
         u"a\u20AC\xD800",
         {codePageUtf16, true, {}}},
        {"UTF-16, odd length",
         "\xFF\xFE"
         "a\0\x7F"s,
         u"a",
         {codePageUtf16, true, "\x7F"}},
    };
    return rows;
}

TEST(TextFileEncodings, EachEncodingDecodesAndSavesBackUnchanged) {
    for (const EncodingRow& row : encodingRows()) {
        const TextFile file = decodeTextFile(row.bytes);
        EXPECT_EQ(file.text, row.text) << row.what;
        EXPECT_EQ(file.format, row.format) << row.what;
        EXPECT_EQ(encodeTextFile(file.text, file.format), row.bytes) << row.what;
    }
}

TEST(TextFileEncodings, EachEncodingSurvivesTheDisk) {
    const TempFolder folder;
    for (const EncodingRow& row : encodingRows()) {
        const std::u16string file = folder.put("text.txt", row.bytes);
        const TextFile read = readTextFile(file);
        EXPECT_EQ(read.text, row.text) << row.what;
        writeTextFile(file, read.text + u"z", read.format);
        EXPECT_EQ(readTextFile(file).text, row.text + u"z") << row.what;
    }
    EXPECT_EQ(folder.names(), std::vector<std::string>{"text.txt"});
}

TEST(TextFileEncodings, MarksAreWrittenOnlyWhenTheFileHadThem) {
    struct Row {
        TextFileFormat format;
        std::string bytes;
    };
    for (const Row& row :
         {Row{{utf8, true, {}}, "\xEF\xBB\xBF\xC3\xA9"}, Row{{utf8, false, {}}, "\xC3\xA9"},
          Row{{codePageUtf16, true, {}}, "\xFF\xFE\xE9\x00"s},
          Row{{codePageUtf16, false, {}}, "\xE9\x00"s}, Row{{ansi, true, {}}, "\xE9"}})
        EXPECT_EQ(encodeTextFile(u"\u00E9", row.format), row.bytes);
}

TEST(TextFileEncodings, AnyBytesSaveBackUnchanged) {
    std::mt19937 draw(5);
    int ansiFiles = 0;
    for (int sample = 0; sample < 20000; ++sample) {
        const std::string bytes = randomFileBytes(draw);
        const TextFile file = decodeTextFile(bytes);
        ansiFiles += file.format.codePage == ansi;
        ASSERT_EQ(encodeTextFile(file.text, file.format), bytes) << testing::PrintToString(bytes);
    }
    EXPECT_GT(ansiFiles, 1000); // both detections were exercised
    EXPECT_LT(ansiFiles, 19000);
}

// Files are read and decoded piece by piece; the whole bytes decoded at once are the model.
// The cases straddle the pieces' boundary with every kind of sequence, cut or whole.
TEST(TextFileReading, PiecewiseReadingDecodesLikeTheWholeBytes) {
    constexpr size_t piece = size_t{1} << 20;
    const TempFolder folder;
    std::mt19937 draw(21);
    for (int sample = 0; sample < 16; ++sample) {
        const std::string mark = sample % 3 == 0 ? "\xEF\xBB\xBF" : "";
        const size_t before = piece - mark.size() - static_cast<size_t>(sample % 8);
        std::string bytes = mark + std::string(before, 'x');
        if (sample % 4 == 1) // well-formed multi-byte text right up to the boundary
            bytes.replace(bytes.size() - 9, 9, "\xE2\x82\xAC\xC3\xA9\xF0\x9F\x98\x80");
        bytes += randomFileBytes(draw) + (sample % 2 == 0 ? std::string(piece, 'y') : "");
        const TextFile read = readTextFile(folder.put("piecewise.txt", bytes));
        const TextFile model = decodeTextFile(bytes);
        ASSERT_EQ(read.format, model.format) << "sample " << sample;
        ASSERT_TRUE(read.text == model.text) << "sample " << sample;
    }
}

// The strict decoder against the replacing one, which agrees on well-formed text.
TEST(TextFileEncodings, WellFormedTextDecodesAsTheCodePageDoes) {
    std::mt19937 draw(8);
    int wellFormed = 0;
    for (int sample = 0; sample < 20000; ++sample) {
        const std::string bytes = randomFileBytes(draw);
        if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xEF\xBB\xBF") ||
            !utf8::isWellFormed(bytes))
            continue;
        ++wellFormed;
        const TextFile file = decodeTextFile(bytes);
        ASSERT_EQ(file.format.codePage, utf8);
        ASSERT_TRUE(file.text == modLocale::bytesToText(bytes, utf8))
            << testing::PrintToString(bytes);
    }
    EXPECT_GT(wellFormed, 1000);
}

TEST(TextFileReading, FailuresSayWhatWentWrong) {
    const TempFolder folder;
    EXPECT_THROW(readTextFile(folder.path("missing.txt")), FileNotFound);
    try {
        readTextFile(folder.root.u16string());
        FAIL() << "a folder was read";
    } catch (const FileNotFound&) {
        FAIL() << "a folder reported as missing";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("folder"), std::string::npos) << e.what();
    }
    EXPECT_THROW(readTextFile(u""), std::runtime_error);
}

// Another program may change the file between its measuring and its reading: the read
// gives what the file holds by then, or an error that names it, and never crashes.
TEST(TextFileReading, AFileChangedAfterItWasMeasuredIsReadAsItStandsOrReported) {
    const std::string original = "line one\r\nline two\n";
    struct Row {
        const char* what;
        std::function<void(const fs::path&)> change;
        std::optional<std::string> holds; // none: the read must fail
    };
    const std::vector<Row> rows = {
        {"removed", [](const fs::path& f) { fs::remove(f); }, std::nullopt},
        {"emptied", [](const fs::path& f) { fs::resize_file(f, 0); }, ""},
        {"truncated", [](const fs::path& f) { fs::resize_file(f, 4); }, "line"},
        {"grown", [](const fs::path& f) { std::ofstream(f, std::ios::app) << "three"; },
         original + "three"},
        {"replaced by a folder",
         [](const fs::path& f) {
             fs::remove(f);
             fs::create_directory(f);
         },
         std::nullopt},
    };
    for (const Row& row : rows) {
        const TempFolder folder;
        const std::u16string file = folder.put("changing.txt", original);
        try {
            const TextFile read = readTextFile(file, [&] { row.change(fs::path(file)); });
            ASSERT_TRUE(row.holds) << row.what << " was read";
            EXPECT_EQ(encodeTextFile(read.text, read.format), *row.holds) << row.what;
        } catch (const std::exception& e) {
            EXPECT_FALSE(row.holds) << row.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("changing.txt"), std::string::npos) << e.what();
        }
    }
}

// Permissions bind only an unprivileged reader, so either outcome is sound here.
TEST(TextFileReading, AFileMadeUnreadableIsReportedOrReadWhole) {
    const TempFolder folder;
    const std::u16string file = folder.put("locked.txt", "secret");
    try {
        const TextFile read =
            readTextFile(file, [&] { fs::permissions(fs::path(file), fs::perms::none); });
        EXPECT_EQ(read.text, u"secret");
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("locked.txt"), std::string::npos) << e.what();
    }
    fs::permissions(fs::path(file), fs::perms::owner_all);
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
