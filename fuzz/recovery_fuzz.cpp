// Any bytes as a recovery journal: reading raises DamagedJournal or gives a journal, and
// what it gives (insertChar edits, replacements of text, Replace alls and their undoing),
// replayed on a box of a fixed
// text, applies or raises EngineError, leaving a sound document either way. An even first byte
// takes the rest as the file's bytes; an odd one builds a journal from the rest with every check
// right, so that the fuzzer reaches the records and the replay behind the checks.
#include "fuzz/BoxInvariants.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/ScratchFolder.h"
#include "tests/HandMadeJournal.h"
#include "tests/support/HeadlessSurface.h"
#include "window/recovery.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int largestBatches = 16;
constexpr int largestRecords = 32;

int32_t positionFrom(Reader& in) {
    return in.byte() < 240 ? in.upTo(6) : static_cast<int32_t>(in.word());
}

// A replacement of a few units, its line ends of any kind and count now and then, its tabs
// of either form, and now and then a tab of the form Spaces that is none.
std::string replacementFrom(Reader& in) {
    std::array<int32_t, 9> positions{};
    for (int32_t& position : positions)
        position = positionFrom(in);
    static constexpr char16_t units[] = {u'a', u'\t', u'\n', u'\r', 0xD83D, 0xDE00, u' '};
    std::u16string text;
    std::string ends;
    for (int32_t k = in.upTo(6); k > 0; --k) {
        text.push_back(units[static_cast<size_t>(in.byte()) % std::size(units)]);
        if (text.back() == u'\n')
            ends.push_back(static_cast<char>(in.byte() < 240 ? 1 + in.byte() % 2 : in.byte()));
    }
    if (in.byte() >= 248)
        ends.push_back('\x01');
    std::vector<uint32_t> spacedTabs;
    for (size_t at = 0; at < text.size(); ++at)
        if (text[at] == u'\t' && in.byte() < 128)
            spacedTabs.push_back(static_cast<uint32_t>(at));
    if (in.byte() >= 248)
        spacedTabs.push_back(static_cast<uint32_t>(in.upTo(8)));
    return HandMadeJournal::replacement(positions, text, ends, spacedTabs);
}

// A Replace all of a short text by another, options of any value now and then; or one of
// them, by its number, exchanged again.
std::string replaceAllFrom(Reader& in) {
    const std::array<int32_t, 3> cursor{positionFrom(in), positionFrom(in), positionFrom(in)};
    if (in.byte() % 3 == 0)
        return HandMadeJournal::exchangeAgain(cursor, static_cast<uint32_t>(in.upTo(3)));
    const auto options = static_cast<uint8_t>(in.byte() < 248 ? in.byte() % 4 : in.byte());
    const std::u16string needle = in.text(static_cast<size_t>(in.upTo(3)));
    return HandMadeJournal::replaceAll(cursor, options, needle,
                                       in.text(static_cast<size_t>(in.upTo(6))));
}

std::string recordFrom(Reader& in) {
    const int32_t kind = in.byte();
    if (kind >= 250) // another kind, or a record cut short
        return std::string(1, static_cast<char>(kind)) +
               std::string(static_cast<size_t>(in.upTo(20)), 'k');
    if (kind >= 225)
        return replaceAllFrom(in);
    if (kind >= 160)
        return replacementFrom(in);
    static constexpr char32_t codes[] = {8, 9, 13, u'a', u' ', 0xE9, 0x1F600, 0xD800, 0, 127};
    const int32_t pick = in.byte();
    const uint32_t code =
        pick < 240 ? codes[static_cast<size_t>(pick) % std::size(codes)] : in.word();
    const int32_t yLine = positionFrom(in), xTab = positionFrom(in), xChar = positionFrom(in);
    return HandMadeJournal::insertChar(code, yLine, xTab, xChar);
}

std::string journalFrom(Reader& in) {
    const uint32_t flags = static_cast<uint32_t>(in.byte());
    FileStamp stamp;
    if ((flags & 1) != 0)
        stamp = {true, in.word(), static_cast<int32_t>(in.word()), in.word()};
    HandMadeJournal journal(in.text(static_cast<size_t>(in.upTo(4))), stamp);
    for (int batch = 0; batch < largestBatches && !in.empty(); ++batch) {
        std::string records;
        const int32_t count = in.upTo(largestRecords);
        for (int32_t k = 0; k < count; ++k)
            records += recordFrom(in);
        const int32_t miscount = in.byte() >= 248 ? in.upTo(3) - 1 : 0;
        journal.batch(records, static_cast<uint64_t>(count + miscount));
    }
    const size_t cut = (flags & 2) != 0 ? static_cast<size_t>(flags >> 2) : 0;
    return journal.bytes.substr(0, journal.bytes.size() - std::min(cut, journal.bytes.size()));
}

void replayOnFixedText(const std::vector<JournalEdit>& edits) {
    static HeadlessSurface surface;
    CLBox box;
    box.bind(surface);
    box.loadtext(u"int main() {\n\treturn 0;\t// done\r\n}\n\n\U0001F600 x\t\ty");
    try {
        replayEdits(box, edits);
    } catch (const EngineError&) {
    }
    fuzzcheck::checkDocument(box, surface);
    fuzzcheck::checkPosition(box, box.cursor);
}

// What reads can be written again, and reads back the same.
void writeAgain(const std::filesystem::path& folder, const RecoveredJournal& journal) {
    RecoveryJournal again(folder, {u"/rewritten.txt", journal.base.stamp});
    for (const JournalEdit& edit : journal.edits)
        again.record(edit);
    again.write();
    if (!journal.edits.empty()) {
        const RecoveredJournal reread = readJournal(again.file());
        FUZZ_CHECK(reread.base.stamp == journal.base.stamp);
        FUZZ_CHECK(reread.edits == journal.edits);
    }
    again.discard();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFolder scratch("recovery");
    Reader in(data, size);
    const bool built = (in.byte() & 1) != 0;
    const size_t skipped = std::min<size_t>(size, 1);
    const std::string bytes =
        built ? journalFrom(in)
              : std::string(reinterpret_cast<const char*>(data) + skipped, size - skipped);
    const std::filesystem::path file = scratch.root / "fuzzed.journal";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    RecoveredJournal journal;
    try {
        journal = readJournal(file);
    } catch (const DamagedJournal&) {
        return 0;
    }
    writeAgain(scratch.root / "again", journal);
    replayOnFixedText(journal.edits);
    return 0;
}
