#include "window/fileformat.h"
#include "window/fileread.h"
#include "window/filesave.h"
#include "window/filestamp.h"

#include "RandomFileBytes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string randomBytes(std::mt19937& draw, size_t size) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(draw));
    return bytes;
}

TEST(ByteHashing, AnySplitGivesTheValueOfTheWhole) {
    std::mt19937 draw(16);
    for (int sample = 0; sample < 300; ++sample) {
        const size_t size = sample < 200 ? static_cast<size_t>(sample) : draw() % 5000;
        const std::string bytes = randomBytes(draw, size);
        ByteHash pieces;
        for (size_t at = 0; at < size;) {
            const size_t piece = std::min<size_t>(draw() % 70, size - at); // empty pieces too
            pieces.add(std::string_view(bytes).substr(at, piece));
            at += piece;
        }
        ASSERT_EQ(pieces.value(), hashOfBytes(bytes)) << "size " << size;
    }
}

TEST(ByteHashing, EveryFlippedBitAndSwappedWordChangesTheValue) {
    std::mt19937 draw(17);
    for (const size_t size : {size_t{1}, size_t{31}, size_t{32}, size_t{97}, size_t{300}}) {
        const std::string bytes = randomBytes(draw, size);
        const uint64_t original = hashOfBytes(bytes);
        for (size_t bit = 0; bit < 8 * size; ++bit) {
            std::string flipped = bytes;
            flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
            ASSERT_NE(hashOfBytes(flipped), original) << "size " << size << " bit " << bit;
        }
        for (size_t a = 0; a + 8 <= size; a += 8)
            for (size_t b = a + 8; b + 8 <= size; b += 8) {
                std::string swapped = bytes;
                std::swap_ranges(swapped.begin() + static_cast<std::ptrdiff_t>(a),
                                 swapped.begin() + static_cast<std::ptrdiff_t>(a + 8),
                                 swapped.begin() + static_cast<std::ptrdiff_t>(b));
                ASSERT_NE(hashOfBytes(swapped), original) << "words at " << a << " and " << b;
            }
    }
}

// Runs of zeros differ only in length, which the value must still tell apart.
TEST(ByteHashing, RunsOfZerosOfEachLengthDiffer) {
    std::set<uint64_t> values;
    for (size_t size = 0; size <= 1000; ++size)
        values.insert(hashOfBytes(std::string(size, '\0')));
    EXPECT_EQ(values.size(), 1001u);
}

// What reading, saving and the quick look each say of one file agree, on every path a
// file is decoded by: UTF-8 (also failing only after the first piece), UTF-16 and the
// code-page fallback.
TEST(FileStamps, ReadingSavingAndLookingAgreeOnTheFile) {
    const TempFolder folder;
    std::mt19937 draw(18);
    const std::vector<std::string> samples = {"",
                                              "plain\r\nlines\n",
                                              "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9",
                                              "\xFF\xFEh\0i\0\n",
                                              "not \xC0 UTF-8",
                                              std::string(size_t{1} << 20, 'x') +
                                                  "\xE2\x82\xAC then \xFF",
                                              std::string(3u << 20, 'y'),
                                              randomFileBytes(draw),
                                              randomFileBytes(draw)};
    for (const std::string& bytes : samples) {
        const std::u16string file = folder.put("stamped.txt", bytes);
        const TextFile read = readTextFile(file);
        const FileStamp looked = quickStampOf(fs::path(file));
        EXPECT_EQ(read.stamp, (FileStamp{true, bytes.size(), looked.modified, hashOfBytes(bytes)}))
            << bytes.size() << " bytes";
        EXPECT_EQ(looked, (FileStamp{true, bytes.size(), read.stamp.modified, 0}));

        const FileStamp saved = writeTextFile(file, read.text, read.format);
        EXPECT_EQ(saved, readTextFile(file).stamp) << bytes.size() << " bytes";
    }
}

TEST(FileStamps, AnotherStateOfTheFileGetsAnotherStamp) {
    const TempFolder folder;
    const fs::path file = folder / "changing.txt";
    folder.put("changing.txt", "first text");
    const FileStamp first = readTextFile(file.u16string()).stamp;
    const fs::file_time_type firstTime{fs::file_time_type::duration(first.modified)};

    folder.put("changing.txt", "other text"); // the same size, and the time put back
    fs::last_write_time(file, firstTime);
    EXPECT_EQ(quickStampOf(file), (FileStamp{true, first.size, first.modified, 0}));
    EXPECT_NE(readTextFile(file.u16string()).stamp, first); // the hash alone tells

    fs::last_write_time(file, firstTime + std::chrono::seconds(1));
    EXPECT_NE(quickStampOf(file).modified, first.modified);

    fs::remove(file);
    EXPECT_EQ(quickStampOf(file), FileStamp{});
}

} // namespace
