#pragma once

#include "support/EngineError.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

// A growable array of shared references in which every element carries a weight,
// with the running sums kept so that the start of element k (weiacc) and the element
// covering a position (atwei) need no summing. Lines weighted by height and cells
// weighted by width are its two uses.
//
// Every index is checked before anything changes; a bad one raises OutOfRange. A
// change that would carry a running sum outside 32 bits raises Overflow instead of
// wrapping: the array tracks the sum of absolute weights, which bounds every sum.
template <class T> class OArray {
public:
    using Ref = std::shared_ptr<T>;

    OArray() = default;
    OArray(const OArray&) = delete;
    OArray& operator=(const OArray&) = delete;
    OArray(OArray&&) noexcept = default;
    OArray& operator=(OArray&&) noexcept = default;
    ~OArray() = default; // the storages release their references

    int32_t size() const { return count; }
    int32_t capa() const { return capacity; }

    void resize(int32_t n);
    void ins(int32_t i, Ref o, int32_t w);
    void insArr(int32_t i, const OArray& a);
    void add(Ref o, int32_t w) { ins(count, std::move(o), w); }
    void addArr(const OArray& a) { insArr(count, a); }
    void del(int32_t i, int32_t n);

    const Ref& at(int32_t i) const {
        requireElement(i);
        return objects[static_cast<size_t>(i)];
    }
    // Replaces element i; its weight is kept.
    void setAt(int32_t i, Ref o) {
        requireElement(i);
        objects[static_cast<size_t>(i)] = std::move(o);
    }
    int32_t wei(int32_t i) const {
        requireElement(i);
        return weights[static_cast<size_t>(i)];
    }
    void setWei(int32_t i, int32_t w);

    // Sum of the weights of elements 0 .. i-1; i == size() gives the total.
    int32_t weiacc(int32_t i) const {
        if (i < 0 || i > count)
            raiseOutOfRange("weiacc(" + std::to_string(i) + ") of " + std::to_string(count));
        return i == 0 ? 0 : sums[static_cast<size_t>(i) - 1];
    }
    int32_t atwei(int32_t w) const;
    void weiset(int32_t i, int32_t n, std::span<const int32_t> ws);

private:
    void requireElement(int32_t i) const {
        if (i < 0 || i >= count)
            raiseOutOfRange("element " + std::to_string(i) + " of " + std::to_string(count));
    }
    static void requireRange(int32_t i, int32_t n, int32_t size, const char* op) {
        if (i < 0 || n < 0 || static_cast<int64_t>(i) + n > size)
            raiseOutOfRange(std::string(op) + "(" + std::to_string(i) + ", " + std::to_string(n) +
                            ") of " + std::to_string(size));
    }
    static void requireFits(int64_t absoluteTotal) {
        if (absoluteTotal > std::numeric_limits<int32_t>::max())
            throw EngineError(ErrorNumber::Overflow,
                              "overflow: the total weight would exceed 2147483647");
    }
    static int64_t magnitude(int32_t w) { return std::llabs(static_cast<int64_t>(w)); }
    size_t slot(int32_t i) const { return static_cast<size_t>(i); }

    std::unique_ptr<Ref[]> objects;
    std::unique_ptr<int32_t[]> weights;
    std::unique_ptr<int32_t[]> sums; // sums[k] is the total of elements 0..k
    int32_t count = 0;
    int32_t capacity = 0;
    int64_t absoluteTotal = 0;
};

template <class T> void OArray<T>::resize(int32_t n) {
    if (n < 0 || (n > 0 && n < count)) // only resize(0) may drop elements
        raiseOutOfRange("resize(" + std::to_string(n) + ") of " + std::to_string(count));
    if (n == capacity)
        return;
    if (n == 0) {
        objects.reset();
        weights.reset();
        sums.reset();
        capacity = 0;
        count = 0;
        absoluteTotal = 0;
        return;
    }
    auto newObjects = std::make_unique<Ref[]>(static_cast<size_t>(n));
    auto newWeights = std::make_unique<int32_t[]>(static_cast<size_t>(n));
    auto newSums = std::make_unique<int32_t[]>(static_cast<size_t>(n));
    const int32_t kept = std::min(n, capacity);
    for (int32_t k = 0; k < kept; ++k) {
        newObjects[slot(k)] = std::move(objects[slot(k)]);
        newWeights[slot(k)] = weights[slot(k)];
        newSums[slot(k)] = sums[slot(k)];
    }
    objects = std::move(newObjects);
    weights = std::move(newWeights);
    sums = std::move(newSums);
    capacity = n;
}

template <class T> void OArray<T>::ins(int32_t i, Ref o, int32_t w) {
    requireRange(i, 0, count, "ins");
    requireFits(absoluteTotal + magnitude(w));
    if (count == capacity) {
        if (capacity > std::numeric_limits<int32_t>::max() / 2)
            throw EngineError(ErrorNumber::Overflow, "overflow: too many elements");
        resize(capacity == 0 ? 8 : 2 * capacity);
    }
    for (int32_t j = count - 1; j >= i; --j) {
        objects[slot(j + 1)] = std::move(objects[slot(j)]);
        weights[slot(j + 1)] = weights[slot(j)];
        sums[slot(j + 1)] = sums[slot(j)] + w;
    }
    const int32_t before = i == 0 ? 0 : sums[slot(i - 1)];
    objects[slot(i)] = std::move(o);
    weights[slot(i)] = w;
    sums[slot(i)] = before + w;
    ++count;
    absoluteTotal += magnitude(w);
}

template <class T> void OArray<T>::insArr(int32_t i, const OArray& a) {
    requireRange(i, 0, count, "insArr");
    const int32_t m = a.count;
    if (m == 0)
        return;
    if (&a == this) { // inserting an array into itself: work from a snapshot
        OArray copy;
        copy.resize(m);
        for (int32_t k = 0; k < m; ++k)
            copy.add(a.objects[slot(k)], a.weights[slot(k)]);
        insArr(i, copy);
        return;
    }
    requireFits(absoluteTotal + a.absoluteTotal);
    const int64_t needed = static_cast<int64_t>(count) + m;
    if (needed > std::numeric_limits<int32_t>::max() / 2)
        throw EngineError(ErrorNumber::Overflow, "overflow: too many elements");
    const auto d = static_cast<int32_t>(needed);
    if (capacity < d)
        resize(d <= 7 ? 8 : (2 * capacity < d ? d : 2 * capacity));
    const int32_t added = a.weiacc(m);
    for (int32_t j = count - 1; j >= i; --j) {
        objects[slot(j + m)] = std::move(objects[slot(j)]);
        weights[slot(j + m)] = weights[slot(j)];
        sums[slot(j + m)] = sums[slot(j)] + added;
    }
    count = d;
    const int32_t before = i == 0 ? 0 : sums[slot(i - 1)];
    for (int32_t j = 0; j < m; ++j) {
        objects[slot(i + j)] = a.objects[slot(j)];
        weights[slot(i + j)] = a.weights[slot(j)];
        sums[slot(i + j)] = before + a.sums[slot(j)];
    }
    absoluteTotal += a.absoluteTotal;
}

template <class T> void OArray<T>::del(int32_t i, int32_t n) {
    requireRange(i, n, count, "del");
    if (n == 0)
        return;
    const int32_t s = count - n;
    const int32_t removed = weiacc(i + n) - weiacc(i);
    for (int32_t k = i; k < i + n; ++k) {
        absoluteTotal -= magnitude(weights[slot(k)]);
        objects[slot(k)].reset();
    }
    for (int32_t k = i; k < s; ++k) {
        objects[slot(k)] = std::move(objects[slot(k + n)]);
        weights[slot(k)] = weights[slot(k + n)];
        sums[slot(k)] = sums[slot(k + n)] - removed;
    }
    for (int32_t k = s; k < count; ++k)
        objects[slot(k)].reset();
    count = s;
    if (s <= capacity / 2) {
        if (s == 0) {
            resize(0);
        } else {
            int32_t b = capacity;
            while (b >= 8 && b >= s)
                b /= 2;
            // An odd capacity (left by a bulk insert) would halve to 2b = s - 1 and
            // drop the last element; never shrink below what is held.
            resize(std::max(2 * b, s));
        }
    }
}

template <class T> void OArray<T>::setWei(int32_t i, int32_t w) {
    requireElement(i);
    const int32_t old = weights[slot(i)];
    if (old == w)
        return;
    requireFits(absoluteTotal - magnitude(old) + magnitude(w));
    const int32_t delta = w - old; // both fit, and so does every sum afterwards
    for (int32_t k = i; k < count; ++k)
        sums[slot(k)] += delta;
    weights[slot(i)] = w;
    absoluteTotal += magnitude(w) - magnitude(old);
}

// The element whose span [weiacc(k), weiacc(k + 1)) contains w. A boundary belongs
// to the element that starts there, so zero-weight elements are never returned;
// w at or past the total gives size(), and a negative w gives -1.
template <class T> int32_t OArray<T>::atwei(int32_t w) const {
    if (w < 0)
        return -1;
    int32_t lo = 0, hi = count;
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (w < sums[slot(mid)])
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// Sets the weights of elements i .. i+n-1 from ws, then carries the running sums on
// only until one matches what is stored: re-measuring a few elements whose total is
// unchanged costs only those elements.
template <class T> void OArray<T>::weiset(int32_t i, int32_t n, std::span<const int32_t> ws) {
    requireRange(i, n, count, "weiset");
    if (static_cast<size_t>(n) > ws.size())
        raiseOutOfRange("weiset needs " + std::to_string(n) + " weights, got " +
                        std::to_string(ws.size()));
    if (n == 0)
        return;
    int64_t newAbsolute = absoluteTotal;
    for (int32_t k = 0; k < n; ++k)
        newAbsolute += magnitude(ws[slot(k)]) - magnitude(weights[slot(i + k)]);
    requireFits(newAbsolute);
    int32_t a = weiacc(i);
    for (int32_t k = 0; k < n; ++k) {
        weights[slot(i + k)] = ws[slot(k)];
        a += ws[slot(k)];
        sums[slot(i + k)] = a;
    }
    for (int32_t j = i + n; j < count; ++j) {
        a += weights[slot(j)];
        if (a == sums[slot(j)])
            break;
        sums[slot(j)] = a;
    }
    absoluteTotal = newAbsolute;
}
