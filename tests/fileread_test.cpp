#include "window/fileformat.h"
#include "window/fileread.h"

#include "RandomFileBytes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

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

} // namespace
