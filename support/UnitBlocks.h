#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Eight UTF-16 units at a time: GCC and Clang lower these lanes to the machine's vector
// unit, and a comparison gives 0xFFFF in each lane that holds, 0 in the others.
using UnitBlock = uint16_t __attribute__((vector_size(16)));
using ByteBlock = uint8_t __attribute__((vector_size(8)));
constexpr size_t blockUnits = 8;

constexpr UnitBlock unitInEveryLane(char16_t unit) {
    const uint16_t lane = unit;
    return UnitBlock{lane, lane, lane, lane, lane, lane, lane, lane};
}

// The eight units from units on, wherever they are aligned.
inline UnitBlock blockAt(const char16_t* units) {
    UnitBlock block;
    std::memcpy(&block, units, sizeof block);
    return block;
}

// The bytes of a block's lanes as one word, lane 0 in its lowest byte, on any machine.
inline uint64_t laneBytes(ByteBlock bytes) {
    uint64_t word = 0;
    std::memcpy(&word, &bytes, sizeof word);
    return std::endian::native == std::endian::little ? word : __builtin_bswap64(word);
}
