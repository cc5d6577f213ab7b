#include "support/EngineError.h"
#include "support/modLocale.h"

#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using modLocale::bytesToText;
using modLocale::textToBytes;
constexpr int32_t utf8 = modLocale::codePageUtf8;
constexpr int32_t western = 1252;

TEST(CodePageConversion, EmptyInOutAndKnownCharacters) {
    for (const int32_t codePage : {utf8, western, modLocale::codePageAnsi}) {
        EXPECT_EQ(bytesToText("", codePage), u"");
        EXPECT_EQ(textToBytes(u"", codePage), "");
    }
    EXPECT_EQ(textToBytes(u"\u00E9", utf8), "\xC3\xA9");
    EXPECT_EQ(bytesToText("\xC3\xA9", utf8), u"\u00E9");
    EXPECT_EQ(bytesToText("\xFF", utf8), u"\uFFFD");
    EXPECT_EQ(textToBytes(u"\U0001F600", utf8), "\xF0\x9F\x98\x80");
    EXPECT_EQ(bytesToText("\x80\x9F\xE9", western), u"\u20AC\u0178\u00E9");
}

// One U+FFFD for each maximal prefix of a well-formed sequence, as Unicode recommends.
TEST(CodePageConversion, IllFormedUtf8ReplacedPerMaximalSubpart) {
    if (runningOnWindows)
        GTEST_SKIP() << "Windows decides how many replacement characters it gives";
    struct Row {
        std::string bytes;
        std::u16string text;
    };
    const std::vector<Row> rows = {
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                               // overlong
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},                     // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                     // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},           // above U+10FFFF
        {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"}, // five-byte form
        {"\xE2\x82", u"\uFFFD"},                                     // truncated at the end
        {"\xF0\x9F\x98"
         "A",
         u"\uFFFDA"}, // truncated before ASCII
        {"\xE2\x82\xE2\x82\xAC", u"\uFFFD\u20AC"},
        {"a\x80\xBF"
         "b",
         u"a\uFFFD\uFFFDb"},                                   // stray continuations
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF"}, // largest values are fine
    };
    for (const Row& row : rows)
        EXPECT_EQ(bytesToText(row.bytes, utf8), row.text) << testing::PrintToString(row.bytes);
}

TEST(CodePageConversion, EveryWesternByteComesBack) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    for (const int32_t codePage : {western, modLocale::codePageAnsi}) {
        const std::u16string text = bytesToText(all, codePage);
        ASSERT_EQ(text.size(), 256u);
        for (const char16_t unassigned : {u'\x81', u'\x8D', u'\x8F', u'\x90', u'\x9D'})
            EXPECT_EQ(text[unassigned], unassigned);
        EXPECT_EQ(textToBytes(text, codePage), all);
        EXPECT_TRUE(modLocale::canEncode(text, codePage));
    }
}

TEST(CodePageConversion, UnencodableCharactersAreReportedAndBecomeQuestionMarks) {
    if (!runningOnWindows) { // Windows substitutes best-fit look-alikes, one per code unit
        EXPECT_EQ(textToBytes(u"a\u0100b\U0001F600c", western), "a?b?c");
    }
    EXPECT_EQ(textToBytes(u"\xD800x\xDC00", utf8), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_FALSE(modLocale::canEncode(u"caf\u00E9 \u0100", western));
    EXPECT_TRUE(modLocale::canEncode(u"caf\u00E9 \u20AC", western));
    EXPECT_TRUE(modLocale::canEncode(u"\u0100\U0001F600", utf8));
}

TEST(CodePageConversion, UnknownCodePageIsRefused) {
    try {
        bytesToText("abc", 4711);
        FAIL() << "code page 4711 converted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.number, ErrorNumber::BadArgument);
    }
    EXPECT_THROW(textToBytes(u"abc", 4711), EngineError); // no such code page anywhere
}

std::u16string randomText(std::mt19937& draw, size_t length) {
    std::u16string text;
    std::uniform_int_distribution<uint32_t> kind(0, 3), ascii(0, 0x7F), bmp(0x80, 0xFFFF),
        astral(0x10000, 0x10FFFF);
    while (text.size() < length) {
        const uint32_t k = kind(draw);
        char32_t c = k == 0 ? ascii(draw) : k == 3 ? astral(draw) : bmp(draw);
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 'x';
        if (c < 0x10000) {
            text.push_back(static_cast<char16_t>(c));
        } else {
            text.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return text;
}

TEST(CodePageConversion, WellFormedTextRoundTripsThroughUtf8) {
    std::mt19937 draw(7);
    for (int sample = 0; sample < 500; ++sample) {
        const std::u16string text = randomText(draw, sample % 40 + 1);
        ASSERT_EQ(bytesToText(textToBytes(text, utf8), utf8), text) << "sample " << sample;
    }
}

// Python's own codecs as the peer: hex lines in, UTF-16LE hex lines out.
std::string hexOf(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex.push_back(digits[static_cast<unsigned char>(c) >> 4]);
        hex.push_back(digits[static_cast<unsigned char>(c) & 15]);
    }
    return hex;
}

std::string bytesOfUnits(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

bool havePython() {
    return std::system("python3 -c pass >/dev/null 2>&1") == 0;
}

// Runs program over the lines of input; gives its output lines.
std::vector<std::string> runPython(const std::string& program,
                                   const std::vector<std::string>& input) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("locale_peer_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directory(folder);
    std::ofstream(folder / "peer.py") << program;
    {
        std::ofstream in(folder / "in.txt");
        for (const std::string& line : input)
            in << line << '\n';
    }
    const std::string command = "python3 " + (folder / "peer.py").string() + " < " +
                                (folder / "in.txt").string() + " > " +
                                (folder / "out.txt").string();
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::string> output;
    std::ifstream out(folder / "out.txt");
    for (std::string line; std::getline(out, line);)
        output.push_back(line);
    std::filesystem::remove_all(folder);
    return output;
}

std::string randomBytes(std::mt19937& draw, const std::string& avoid) {
    std::uniform_int_distribution<int> length(0, 24), byte(0, 255), kind(0, 3);
    std::string bytes;
    for (int n = length(draw); n > 0; --n) {
        int b = byte(draw);
        if (kind(draw) == 0) // lead and continuation bytes often, to reach the edge cases
            b = 0x80 | (b & 0x7F);
        if (avoid.find(static_cast<char>(b)) == std::string::npos)
            bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

TEST(CodePageConversion, DecodingAgreesWithPythonCodecs) {
    if (!havePython())
        GTEST_SKIP() << "python3 is not available";
    const std::string unassigned = "\x81\x8D\x8F\x90\x9D"; // Python's cp1252 leaves them out
    struct Codec {
        const char* name;
        int32_t codePage;
        std::string avoid;
    };
    for (const Codec& codec : {Codec{"utf-8", utf8, ""}, Codec{"cp1252", western, unassigned}}) {
        std::mt19937 draw(11);
        std::vector<std::string> samples, input;
        for (int k = 0; k < 3000; ++k) {
            samples.push_back(randomBytes(draw, codec.avoid));
            input.push_back(hexOf(samples.back()));
        }
        const std::string program = std::string("import sys\nfor line in sys.stdin:\n"
                                                "    b = bytes.fromhex(line.strip())\n"
                                                "    t = b.decode('") +
                                    codec.name +
                                    "', errors='replace')\n"
                                    "    print(t.encode('utf-16-le').hex())\n";
        const std::vector<std::string> expected = runPython(program, input);
        ASSERT_EQ(expected.size(), samples.size()) << codec.name;
        for (size_t k = 0; k < samples.size(); ++k)
            ASSERT_EQ(hexOf(bytesOfUnits(bytesToText(samples[k], codec.codePage))), expected[k])
                << codec.name << " bytes " << input[k];
    }
}

TEST(CodePageConversion, WesternEncodingAgreesWithPython) {
    if (!havePython())
        GTEST_SKIP() << "python3 is not available";
    std::mt19937 draw(13);
    std::vector<std::u16string> samples;
    std::vector<std::string> input;
    for (int k = 0; k < 2000; ++k) {
        samples.push_back(randomText(draw, k % 12 + 1));
        input.push_back(hexOf(bytesOfUnits(samples.back())));
    }
    const std::vector<std::string> expected =
        runPython("import sys\nfor line in sys.stdin:\n"
                  "    t = bytes.fromhex(line.strip()).decode('utf-16-le')\n"
                  "    print(t.encode('cp1252', errors='replace').hex())\n",
                  input);
    ASSERT_EQ(expected.size(), samples.size());
    for (size_t k = 0; k < samples.size(); ++k)
        ASSERT_EQ(hexOf(textToBytes(samples[k], western)), expected[k]) << "text " << input[k];
}

} // namespace
