#include "support/systemcalls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace systemcalls;

std::u16string decode(uint32_t codePage, const std::string& bytes) {
    const auto count = static_cast<int32_t>(bytes.size());
    std::u16string text(
        static_cast<size_t>(multiByteToWideChar(codePage, bytes.data(), count, nullptr, 0)), u'\0');
    multiByteToWideChar(codePage, bytes.data(), count, text.data(),
                        static_cast<int32_t>(text.size()));
    return text;
}

std::string encode(uint32_t codePage, const std::u16string& text) {
    const auto count = static_cast<int32_t>(text.size());
    std::string bytes(
        static_cast<size_t>(wideCharToMultiByte(codePage, text.data(), count, nullptr, 0)), '\0');
    wideCharToMultiByte(codePage, text.data(), count, bytes.data(),
                        static_cast<int32_t>(bytes.size()));
    return bytes;
}

TEST(WindowsCodePages, EveryByteOfTheAnsiPageRoundTrips) {
    const uint32_t ansi = ansiCodePage();
    EXPECT_NE(ansi, 65001u);
    std::string everyByte;
    for (int b = 1; b < 256; ++b) // 0 excluded: it is the terminator in some pages
        everyByte += static_cast<char>(b);
    const std::u16string text = decode(ansi, everyByte);
    EXPECT_EQ(encode(ansi, text), everyByte);
}

TEST(WindowsCodePages, Utf8ReplacesWhatItCannotDecode) {
    EXPECT_EQ(decode(65001, "\xC3\xA9"), u"\u00e9");
    EXPECT_EQ(decode(65001, "\xFF"), u"\uFFFD");
    EXPECT_EQ(encode(65001, u"\u00e9\xD83D\xDE00"), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(decode(65001, ""), u"");
    EXPECT_EQ(encode(65001, u""), "");
}

TEST(WindowsCounter, RunsForwardAtAPositiveRate) {
    EXPECT_GT(queryPerformanceFrequency(), 0);
    const int64_t before = queryPerformanceCounter();
    EXPECT_GE(queryPerformanceCounter(), before);
}

} // namespace
