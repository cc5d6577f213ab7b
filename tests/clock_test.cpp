#include "support/EngineError.h"
#include "support/modClock.h"

#include <gtest/gtest.h>

namespace {

ErrorNumber stopFailure(std::string_view label) {
    try {
        modClock::clockStop(label, false);
    } catch (const EngineError& e) {
        return e.number;
    }
    return ErrorNumber{};
}

TEST(Stopwatches, NestedSectionsCloseInnermostFirst) {
    ASSERT_EQ(modClock::openStopwatches(), 0);
    modClock::clockStart("a");
    modClock::clockStart("b");
    const double inner = modClock::clockStop("b", false);
    const double outer = modClock::clockStop("a", true);
    EXPECT_GE(inner, 0.0);
    EXPECT_GE(outer, inner);
    EXPECT_EQ(modClock::openStopwatches(), 0);
}

TEST(Stopwatches, StoppingWrongly) {
    EXPECT_EQ(stopFailure("x"), ErrorNumber::OutOfRange); // nothing open
    modClock::clockStart("y");
    EXPECT_EQ(stopFailure("x"), ErrorNumber::BadArgument);
    EXPECT_EQ(modClock::openStopwatches(), 0); // popped before the label was checked
    modClock::clockStart("Y");
    EXPECT_EQ(stopFailure("y"), ErrorNumber::BadArgument); // labels are case-sensitive
}

TEST(Stopwatches, MoreThanTheStackHoldsIsRefused) {
    for (int k = 0; k < 101; ++k)
        modClock::clockStart("deep");
    EXPECT_THROW(modClock::clockStart("one too many"), EngineError);
    for (int k = 0; k < 101; ++k)
        modClock::clockStop("deep", false);
    EXPECT_EQ(modClock::openStopwatches(), 0);
}

} // namespace
