#include "support/Utf8.h"
#include "support/modLocale.h"
#include "window/fileformat.h"
#include "window/fileread.h"
#include "window/filesave.h"

#include "RandomFileBytes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

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

} // namespace
