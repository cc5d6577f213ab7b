#include "support/CaseFolding.h"

#include <algorithm>

// Only the blocks that fold anything can hold another case of a character.
std::vector<char32_t> caseVariants(char32_t folded) {
    std::vector<char32_t> variants;
    if (foldCase(folded) == folded)
        variants.push_back(folded);
    for (char32_t high = 0; high <= (0x10FFFF >> 8); ++high) {
        if (caseFolding::blockOf[high] == 0)
            continue;
        for (char32_t code = high << 8; code < ((high + 1) << 8); ++code)
            if (code != folded && foldCase(code) == folded)
                variants.push_back(code);
    }
    std::sort(variants.begin(), variants.end());
    return variants;
}
