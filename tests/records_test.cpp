#include "containers/OArray.h"
#include "containers/Ref.h"
#include "loadedbox.h"
#include "textbox/CLBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

struct Counted : RefCounted {
    explicit Counted(int& liveCount) : live(liveCount) { ++live; }
    ~Counted() { --live; }
    int& live;
};

// Random edits on a borrowed text, checked against a plain string; the borrowed
// buffer is overwritten at the end, so a text still pointing into it shows.
TEST(CellTextModel, EditsMatchAStringAndCopyOutOfTheBorrowedBuffer) {
    std::mt19937 engine(7);
    const auto pick = [&](size_t hi) {
        return std::uniform_int_distribution<size_t>(0, hi)(engine);
    };
    std::u16string buffer = u"borrowed text of a loaded cell";
    CellText text;
    text.borrow(buffer);
    std::u16string model = buffer;
    EXPECT_TRUE(text.isBorrowed());
    text.resize(8); // shortening keeps it borrowed
    model.resize(8);
    EXPECT_TRUE(text.isBorrowed());
    for (int step = 0; step < 2000; ++step) {
        const size_t at = pick(model.size());
        switch (pick(4)) {
        case 0:
            text.insert(at, u"xy");
            model.insert(at, u"xy");
            break;
        case 1: {
            const size_t n = pick(3);
            text.erase(at, n);
            model.erase(at, n);
            break;
        }
        case 2:
            text += u"z";
            model += u"z";
            break;
        case 3: {
            const CellText copy = text; // copies never share storage
            text = copy.substr(0, at);
            model.resize(at);
            break;
        }
        default:
            text.resize(at);
            model.resize(at);
            break;
        }
        ASSERT_EQ(text.view(), std::u16string_view(model)) << "step " << step;
    }
    std::fill(buffer.begin(), buffer.end(), u'#');
    EXPECT_EQ(text.view(), std::u16string_view(model));
    EXPECT_THROW(text.insert(text.size() + 1, u"a"), std::out_of_range);
}

// Random edits on long texts, borrowed and owned, crossing the length that makes a text
// long both ways, against a plain string. The pieces must keep the text's length, and an
// edit may leave unmeasured only one run of pieces, the one around the edit; most typing
// must find room in place.
TEST(CellTextModel, LongTextsEditInPlaceAndKeepTheirPiecesInStep) {
    std::mt19937 engine(19);
    const auto pick = [&](size_t lo, size_t hi) {
        return std::uniform_int_distribution<size_t>(lo, hi)(engine);
    };
    std::u16string buffer(3 * CellText::longUnits, u'b');
    for (size_t k = 0; k < buffer.size(); k += 7)
        buffer[k] = static_cast<char16_t>(u'a' + k % 26);
    CellText text;
    text.borrow(buffer);
    std::u16string model = buffer;
    ASSERT_NE(text.pieces(), nullptr);
    int typings = 0, moves = 0;
    for (int step = 0; step < 3000; ++step) {
        if (TextPieces* pieces = text.pieces())
            for (size_t k = 0; k < pieces->all().size(); ++k)
                pieces->at(k).measure = TextPieces::Measure::Advances;
        const size_t at = pick(0, model.size());
        const std::u16string added(pick(0, 9) == 0 ? pick(0, 3000) : pick(0, 2), u'x');
        const size_t removed = pick(0, 9) == 0 ? pick(0, 3000) : pick(0, 2);
        const char16_t* const before = text.data();
        const bool wasOwnedLong = text.pieces() != nullptr && !text.isBorrowed();
        if (pick(0, 19) == 0) {
            text.resize(at);
            model.resize(at);
        } else {
            text.replace(at, removed, added);
            model.replace(at, removed, added);
            const bool typed = wasOwnedLong && added.size() == 1 && removed == 0;
            typings += typed ? 1 : 0;
            moves += typed && text.data() != before ? 1 : 0;
        }
        ASSERT_EQ(text.view(), std::u16string_view(model)) << "step " << step;
        const TextPieces* pieces = text.pieces();
        if (model.size() >= CellText::longUnits || model.size() < CellText::longUnits / 2) {
            ASSERT_EQ(pieces != nullptr, model.size() >= CellText::longUnits) << "step " << step;
        }
        if (pieces == nullptr)
            continue;
        size_t units = 0, unmeasuredRuns = 0;
        for (size_t k = 0; k < pieces->all().size(); ++k) {
            const TextPieces::Piece& piece = pieces->all()[k];
            units += piece.units;
            const bool unmeasured = piece.measure == TextPieces::Measure::Unmeasured;
            const bool runStarts =
                k == 0 || pieces->all()[k - 1].measure != TextPieces::Measure::Unmeasured;
            unmeasuredRuns += unmeasured && runStarts ? 1 : 0;
            ASSERT_LE(piece.units, 2 * TextPieces::pieceUnits) << "step " << step;
        }
        ASSERT_EQ(units, model.size()) << "step " << step;
        ASSERT_LE(unmeasuredRuns, 1u) << "step " << step;
        if (model.size() < CellText::longUnits / 4) { // long again, from a short text
            model += buffer;
            text += buffer;
        }
    }
    EXPECT_GT(typings, 100);
    EXPECT_LT(moves, typings / 10);
    std::fill(buffer.begin(), buffer.end(), u'#');
    EXPECT_EQ(text.view(), std::u16string_view(model));
}

// Edits that wander along a long text, near the last one or far from it, read back in
// stretches and unit by unit between them, which leave its gap where it is or move it out
// of the way; the pieces' walks against a walk over every piece.
TEST(CellTextModel, ALongTextReadAroundItsGapMatchesAString) {
    std::mt19937 engine(23);
    const auto pick = [&](size_t lo, size_t hi) {
        return std::uniform_int_distribution<size_t>(lo, hi)(engine);
    };
    std::u16string model(5 * CellText::longUnits, u' ');
    for (char16_t& unit : model)
        unit = static_cast<char16_t>(u'a' + pick(0, 25));
    CellText text(model);
    size_t at = model.size() / 2;
    for (int step = 0; step < 4000; ++step) {
        at = pick(0, 3) == 0 ? pick(0, model.size()) : std::min(model.size(), at + pick(0, 40));
        const size_t addedUnits = pick(0, 19) == 0 ? pick(0, 3000) : pick(0, 2);
        const std::u16string added(addedUnits, static_cast<char16_t>(u'A' + step % 26));
        const size_t removed = pick(0, 19) == 0 ? pick(0, 3000) : pick(0, 1);
        text.replace(at, removed, added);
        model.replace(at, std::min(removed, model.size() - at), added);
        at += added.size();
        if (model.size() < CellText::longUnits) { // long enough to stay long
            text += std::u16string_view(model).substr(0, CellText::longUnits);
            model += model.substr(0, CellText::longUnits);
        }
        const size_t from = pick(0, model.size()), units = pick(0, 3000);
        ASSERT_EQ(text.slice(from, units), std::u16string_view(model).substr(from, units))
            << "step " << step;
        for (const size_t probe : {pick(0, model.size() - 1), at, at - 1}) { // the gap is at at
            if (probe < model.size()) {
                ASSERT_EQ(text[probe], model[probe]) << "step " << step;
            }
        }
        if (pick(0, 49) == 0) { // gathered into one run
            ASSERT_EQ(text.view(), std::u16string_view(model)) << "step " << step;
        }
        TextPieces* pieces = text.pieces();
        ASSERT_NE(pieces, nullptr) << "step " << step;
        if (step % 10 != 0)
            continue;
        for (size_t k = 0; k < pieces->all().size(); ++k)
            pieces->at(k) = {pieces->all()[k].units, TextPieces::Measure::Advances,
                             0.25 * static_cast<double>(pieces->all()[k].units % 7)};
        const size_t unit = pick(0, model.size());
        const double x = static_cast<double>(pick(0, model.size())) / 4;
        TextPieces::Start byUnit, byX, reaching, walked;
        bool unitFound = false, xFound = false, reachFound = false;
        for (size_t k = 0; k < pieces->all().size(); ++k) {
            const TextPieces::Piece& piece = pieces->all()[k];
            const bool last = k + 1 == pieces->all().size();
            if (!unitFound && (walked.unit + piece.units > unit || last))
                byUnit = walked, unitFound = true;
            if (!xFound && (walked.x + piece.width > x || last))
                byX = walked, xFound = true;
            if (!reachFound && (walked.x + piece.width >= x || last))
                reaching = walked, reachFound = true;
            walked = {k + 1, walked.unit + piece.units, walked.x + piece.width};
        }
        ASSERT_EQ(walked.unit, model.size());
        ASSERT_EQ(pieces->width(), walked.x) << "step " << step;
        ASSERT_TRUE(pieces->byAdvances());
        for (const auto& [found, expected] :
             {std::pair{pieces->pieceOfUnit(unit), byUnit}, std::pair{pieces->pieceOfX(x), byX},
              std::pair{pieces->pieceReachingX(x), reaching}}) {
            ASSERT_EQ(found.index, expected.index) << "step " << step;
            ASSERT_EQ(found.unit, expected.unit) << "step " << step;
            ASSERT_EQ(found.x, expected.x) << "step " << step;
        }
    }
    ASSERT_EQ(text.view(), std::u16string_view(model));
}

TEST(CellTextModel, MovingABorrowedTextCopiesIt) {
    std::u16string buffer = u"abc";
    CellText source;
    source.borrow(buffer);
    CellText moved = std::move(source);
    buffer = u"###";
    EXPECT_FALSE(moved.isBorrowed());
    EXPECT_EQ(moved, u"abc");
}

TEST(LineEndCode, ReadsBackAsTextAndRefusesOtherBreaks) {
    for (const std::u16string_view end : {u"", u"\n", u"\r\n"}) {
        LineEnd code = end;
        EXPECT_EQ(code.view(), end);
        EXPECT_EQ(code.size(), end.size());
    }
    LineEnd code;
    try {
        code = u"\r";
        ADD_FAILURE() << "a lone CR was taken as a line end";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.number, ErrorNumber::BadArgument);
    }
    EXPECT_TRUE(code.empty());
}

// Loaded records live in arena chunks that keep the loaded text; a cell and a line
// held past a reload, and past the box itself, must still read their text.
TEST(LoadedRecords, OutliveTheDocumentWithTheirText) {
    Ref<CLTab> cell;
    Ref<CLLine> line;
    {
        LoadedBox loaded(u"first\tcell\nsecond line\n");
        cell = loaded.box.lines.at(0)->tabs.at(1);
        line = loaded.box.lines.at(1);
        loaded.box.loadtext(u"other text");
        EXPECT_EQ(loaded.box.gettext(), u"other text");
    }
    EXPECT_EQ(cell->text, u"cell");
    EXPECT_EQ(line->tabs.at(0)->text, u"second line");
    const Ref<CLTab> copy = cell;
    cell.reset();
    EXPECT_EQ(copy->text, u"cell");
}

TEST(LoadedRecords, MovedTextIsTheTextLoaded) {
    std::u16string text(100000, u'a');
    for (size_t k = 50; k < text.size(); k += 97)
        text[k] = k % 3 == 0 ? u'\t' : u'\n';
    const std::u16string expected = text;
    LoadedBox loaded(u"");
    loaded.box.loadtext(std::move(text));
    EXPECT_EQ(loaded.box.gettext(), expected);
}

// Every chunk holds the arena's keep-alive, so its use count tells the chunks alive. A
// chunk must go with the last of its records, in any order, whatever slab it was carved
// from; sanitizer builds catch a slab freed early or never.
TEST(RecordArenaChunks, AChunkGoesWithItsLastRecord) {
    struct Big : RefCounted {
        explicit Big(int k) : id(k) {}
        int id;
        char fill[4000] = {};
    };
    std::mt19937 engine(11);
    const auto keep = std::make_shared<int>(0);
    std::vector<Ref<Big>> records;
    {
        RecordArena arena(keep);
        for (int k = 0; k < 4000; ++k) // about sixteen chunks over five slabs
            records.push_back(arena.make<Big>(k));
        // Whole chunks go in the middle, about half the records elsewhere.
        std::erase_if(records, [&](const Ref<Big>& record) {
            return (record->id >= 1000 && record->id < 2500) || engine() % 2 == 0;
        });
        std::shuffle(records.begin(), records.end(), engine);
    }
    std::map<const ArenaChunk*, int> liveIn; // the model: records alive per chunk
    for (const Ref<Big>& record : records)
        ++liveIn[ArenaChunk::of(record.get())];
    ASSERT_EQ(keep.use_count(), static_cast<long>(1 + liveIn.size()));
    while (!records.empty()) {
        const ArenaChunk* chunk = ArenaChunk::of(records.back().get());
        EXPECT_LT(records.back()->id, 4000); // still readable
        records.pop_back();
        if (--liveIn[chunk] == 0)
            liveIn.erase(chunk);
        ASSERT_EQ(keep.use_count(), static_cast<long>(1 + liveIn.size()));
    }
}

// The intrusive references count like shared ones: the weighted array keeps the
// same capacities, and reserving room does not change what capa reports.
TEST(IntrusiveReferences, ArrayReleasesEveryRecordAndKeepsItsCapacities) {
    int live = 0;
    {
        OArray<Counted> arr, reserved;
        reserved.reserve(100);
        std::vector<Ref<Counted>> kept;
        for (int k = 0; k < 40; ++k) {
            arr.add(makeRef<Counted>(live), k);
            reserved.add(arr.at(k), k);
        }
        EXPECT_EQ(arr.capa(), 64);
        EXPECT_EQ(reserved.capa(), 64);
        kept.push_back(arr.at(3));
        arr.insArr(5, arr);
        EXPECT_EQ(arr.capa(), 128);
        arr.del(0, 70);
        reserved.del(0, 40);
        EXPECT_EQ(arr.capa(), 16);
        EXPECT_EQ(reserved.capa(), 0);
        EXPECT_EQ(live, 11); // ten in arr, one kept
        EXPECT_EQ(arr.weiacc(arr.size()), 30 + 31 + 32 + 33 + 34 + 35 + 36 + 37 + 38 + 39);
    }
    EXPECT_EQ(live, 0);
}

// A cell's form lives in its count's word: counting never touches it, nor it the count, in
// the arena or out of it, and a copy of the cell takes it along.
TEST(IntrusiveReferences, ACellsFormAndItsCountKeepApart) {
    RecordArena arena(nullptr);
    for (Ref<CLTab> cell : {makeRef<CLTab>(), arena.make<CLTab>()}) {
        cell->setForm(IndentForm::Spaces);
        std::vector<Ref<CLTab>> references(1000, cell);
        EXPECT_EQ(cell->form(), IndentForm::Spaces);
        cell->setForm(IndentForm::Tab);
        references.clear();
        EXPECT_EQ(cell->form(), IndentForm::Tab);
        cell->setForm(IndentForm::Spaces);
        EXPECT_EQ(makeRef<CLTab>(*cell)->form(), IndentForm::Spaces);
    } // both freed as their last references go, or the sanitizer tells
}

} // namespace
