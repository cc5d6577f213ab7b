#include "window/CommandPalette.h"

#include "support/CaseFolding.h"
#include "support/Utf16.h"

#include <algorithm>

namespace {

std::u16string folded(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t code) { appendUtf16(out, foldCase(code)); });
    return out;
}

bool isBlank(char16_t unit) {
    return unit == u' ' || unit == u'\t';
}

std::vector<std::u16string_view> wordsOf(std::u16string_view text) {
    std::vector<std::u16string_view> words;
    for (size_t at = 0; at < text.size();) {
        const auto start =
            std::find_if_not(text.begin() + static_cast<ptrdiff_t>(at), text.end(), isBlank);
        const auto end = std::find_if(start, text.end(), isBlank);
        if (start != end)
            words.emplace_back(start, end);
        at = static_cast<size_t>(end - text.begin());
    }
    return words;
}

} // namespace

std::vector<PaletteEntry> paletteEntries(std::span<const CommandRow> table) {
    std::vector<PaletteEntry> entries;
    for (const CommandRow& row : table) {
        if (row.name.empty())
            continue;
        auto entry = std::find_if(entries.begin(), entries.end(),
                                  [&](const PaletteEntry& e) { return e.name == row.name; });
        if (entry == entries.end()) {
            entries.push_back({std::u16string(row.name), u"", row.action});
            entry = entries.end() - 1;
        }
        const std::u16string key = keyName(row.key, row.held);
        if (!key.empty())
            entry->keys += (entry->keys.empty() ? u"" : u", ") + key;
    }
    return entries;
}

std::vector<size_t> paletteMatches(const std::vector<PaletteEntry>& entries,
                                   std::u16string_view typed) {
    const std::u16string wanted = folded(typed);
    const std::vector<std::u16string_view> words = wordsOf(wanted);
    const std::u16string_view whole =
        words.empty()
            ? std::u16string_view()
            : std::u16string_view(words.front().data(),
                                  static_cast<size_t>(words.back().data() + words.back().size() -
                                                      words.front().data()));
    std::vector<size_t> inOnePiece, others;
    for (size_t k = 0; k < entries.size(); ++k) {
        const std::u16string name = folded(entries[k].name);
        const bool holdsEveryWord = std::all_of(words.begin(), words.end(), [&](auto word) {
            return name.find(word) != std::u16string::npos;
        });
        if (holdsEveryWord)
            (name.find(whole) != std::u16string::npos ? inOnePiece : others).push_back(k);
    }
    inOnePiece.insert(inOnePiece.end(), others.begin(), others.end());
    return inOnePiece;
}
