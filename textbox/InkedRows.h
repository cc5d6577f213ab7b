#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

// Where an image may differ from its background: per device row, one span of columns
// that covers everything drawn there since the last wipe. For surfaces over images of
// their own, which then clear only what they drew. A frame that covers a fifth of
// the window then costs a fifth of a whole clear. Spans only grow, so a mark that
// overstates is safe and one that understates leaves stale pixels behind.
class InkedRows {
public:
    // Rows and columns of the image; every row starts clean.
    void reset(int32_t rows, int32_t columns) {
        width = columns;
        spans.assign(static_cast<size_t>(std::max(rows, 0)), Span{});
    }
    void markAll() { mark(0, 0, width, static_cast<int32_t>(spans.size())); }
    // The pixels [left, right) x [top, bottom), cut to the image.
    void mark(int64_t left, int64_t top, int64_t right, int64_t bottom) {
        const auto rows = static_cast<int64_t>(spans.size());
        left = std::max<int64_t>(left, 0);
        right = std::min<int64_t>(right, width);
        top = std::max<int64_t>(top, 0);
        bottom = std::min<int64_t>(bottom, rows);
        if (left >= right)
            return;
        for (int64_t row = top; row < bottom; ++row) {
            Span& span = spans[static_cast<size_t>(row)];
            span.left = std::min(span.left, static_cast<int32_t>(left));
            span.right = std::max(span.right, static_cast<int32_t>(right));
        }
    }
    // Whether nothing was drawn in [left, right) of row since the last wipe.
    bool untouched(int64_t row, int64_t left, int64_t right) const {
        const Span& span = spans[static_cast<size_t>(row)];
        return span.left >= span.right || right <= span.left || left >= span.right;
    }
    // Calls wipe(row, left, right) for every row with a span, and leaves all rows clean.
    template <class Wipe> void wipe(Wipe&& wipeSpan) {
        for (size_t row = 0; row < spans.size(); ++row) {
            Span& span = spans[row];
            if (span.left < span.right)
                wipeSpan(static_cast<int32_t>(row), span.left, span.right);
            span = Span{};
        }
    }

private:
    struct Span {
        int32_t left = INT32_MAX, right = 0; // empty while left >= right
    };
    int32_t width = 0;
    std::vector<Span> spans;
};
