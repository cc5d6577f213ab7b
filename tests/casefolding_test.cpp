#include "support/CaseFolding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

#ifdef UNICODE_CASE_FOLDING_FILE
// The simple foldings of the Unicode data file: statuses C and S.
std::map<char32_t, char32_t> foldingsIn(std::istream& data) {
    std::map<char32_t, char32_t> foldings;
    std::string line;
    while (std::getline(data, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        std::string code, status, mapping;
        if (std::getline(fields, code, ';') && std::getline(fields, status, ';') &&
            std::getline(fields, mapping, ';') &&
            (status.find('C') != std::string::npos || status.find('S') != std::string::npos))
            foldings[static_cast<char32_t>(std::stoul(code, nullptr, 16))] =
                static_cast<char32_t>(std::stoul(mapping, nullptr, 16));
    }
    return foldings;
}
#endif

// The committed table against the data file it was made from: a newer file, or a table
// edited by hand, fails here until scripts/casefolding.py has made the table again.
TEST(CaseFoldingTable, AgreesWithTheUnicodeDataFile) {
#ifndef UNICODE_CASE_FOLDING_FILE
    GTEST_SKIP() << "this build has no Unicode data file to compare with";
#else
    std::ifstream data(UNICODE_CASE_FOLDING_FILE);
    ASSERT_TRUE(data) << UNICODE_CASE_FOLDING_FILE
                      << " is missing: Debian's unicode-data package installs it";
    const std::map<char32_t, char32_t> foldings = foldingsIn(data);
    ASSERT_GT(foldings.size(), 1000u);
    int mismatches = 0;
    for (char32_t code = 0; code <= 0x10FFFF && mismatches < 10; ++code) {
        const auto listed = foldings.find(code);
        const char32_t expected = listed == foldings.end() ? code : listed->second;
        if (foldCase(code) != expected) {
            ++mismatches;
            ADD_FAILURE() << "U+" << std::hex << static_cast<uint32_t>(code) << " folds to U+"
                          << static_cast<uint32_t>(foldCase(code)) << ", not U+"
                          << static_cast<uint32_t>(expected);
        }
    }
#endif
}

TEST(CaseFolding, VariantsAreExactlyTheCodesThatFoldAlike) {
    struct Row {
        char32_t folded;
        std::u32string variants;
    };
    const Row rows[] = {
        {U'e', U"Ee"},
        {U'k', U"Kk\u212A"},                      // and the Kelvin sign
        {U'\u00E9', U"\u00C9\u00E9"},             // é
        {U'\u03C3', U"\u03A3\u03C2\u03C3"},       // sigma, final sigma too
        {U'\u00DF', U"\u00DF\u1E9E"},             // sharp s, capital sharp s
        {U'\U00010428', U"\U00010400\U00010428"}, // Deseret, past the BMP
        {U'1', U"1"},
        {U'E', U""}, // not a folded form
    };
    for (const Row& row : rows) {
        const std::vector<char32_t> variants = caseVariants(row.folded);
        EXPECT_EQ(std::u32string(variants.begin(), variants.end()), row.variants)
            << "U+" << std::hex << static_cast<uint32_t>(row.folded);
        for (const char32_t variant : variants)
            EXPECT_EQ(foldCase(variant), row.folded);
    }
}

TEST(CaseFolding, KeepsThePlaneAndLeavesSurrogatesAlone) {
    for (char32_t code = 0; code <= 0x10FFFF; ++code)
        ASSERT_EQ(foldCase(code) > 0xFFFF, code > 0xFFFF)
            << std::hex << static_cast<uint32_t>(code);
    for (char32_t code = 0xD800; code <= 0xDFFF; ++code)
        ASSERT_EQ(foldCase(code), code) << std::hex << static_cast<uint32_t>(code);
    EXPECT_EQ(foldCase(0x110000), char32_t{0x110000});
}

} // namespace
