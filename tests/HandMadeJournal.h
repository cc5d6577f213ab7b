#pragma once

#include "window/filestamp.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A journal's bytes as the header comment of window/recovery.cpp lays the format out,
// built by hand with every check right: what the writer makes, and what a later version
// may add (other kinds of edit) or damage may bring (impossible values under good checks).
class HandMadeJournal {
public:
    static void put(std::string& bytes, uint64_t value, int width) {
        for (int k = 0; k < width; ++k, value >>= 8)
            bytes.push_back(static_cast<char>(value & 0xFF));
    }
    static std::string insertChar(uint32_t code, int32_t y, int32_t x, int32_t c) {
        std::string record(1, '\x01');
        for (const uint32_t value :
             {code, static_cast<uint32_t>(y), static_cast<uint32_t>(x), static_cast<uint32_t>(c)})
            put(record, value, 4);
        return record;
    }

    // positions: from, to and the cursor, each line, cell, character; ends: one byte each;
    // with spaced tabs, a replacement with forms.
    static std::string replacement(const std::array<int32_t, 9>& positions,
                                   const std::u16string& units, const std::string& ends,
                                   const std::vector<uint32_t>& spacedTabs = {}) {
        std::string record(1, spacedTabs.empty() ? '\x02' : '\x03');
        for (const int32_t value : positions)
            put(record, static_cast<uint32_t>(value), 4);
        put(record, units.size(), 4);
        put(record, ends.size(), 4);
        for (const char16_t unit : units)
            put(record, unit, 2);
        record += ends;
        if (!spacedTabs.empty())
            put(record, spacedTabs.size(), 4);
        for (const uint32_t at : spacedTabs)
            put(record, at, 4);
        return record;
    }

    // cursor: line, cell, character; options: 1 match case, 2 whole word.
    static std::string replaceAll(const std::array<int32_t, 3>& cursor, uint8_t options,
                                  const std::u16string& needle, const std::u16string& replacement) {
        std::string record(1, '\x04');
        for (const int32_t value : cursor)
            put(record, static_cast<uint32_t>(value), 4);
        put(record, options, 1);
        put(record, needle.size(), 4);
        put(record, replacement.size(), 4);
        for (const std::u16string* units : {&needle, &replacement})
            for (const char16_t unit : *units)
                put(record, unit, 2);
        return record;
    }
    static std::string exchangeAgain(const std::array<int32_t, 3>& cursor, uint32_t number) {
        std::string record(1, '\x05');
        for (const int32_t value : cursor)
            put(record, static_cast<uint32_t>(value), 4);
        put(record, number, 4);
        return record;
    }

    HandMadeJournal(const std::u16string& path, const FileStamp& stamp) {
        bytes = "\x89"
                "Cjrnl\r\n";
        put(bytes, 1, 4);
        put(bytes, path.size(), 4);
        for (const char16_t unit : path)
            put(bytes, unit, 2);
        put(bytes, stamp.exists ? 1 : 0, 1);
        put(bytes, stamp.size, 8);
        put(bytes, static_cast<uint64_t>(stamp.modified), 8);
        put(bytes, stamp.hash, 8);
        check = hashOfBytes(bytes);
        put(bytes, check, 8);
    }
    HandMadeJournal& batch(const std::string& records, uint64_t count) {
        std::string frame;
        put(frame, count, 4);
        put(frame, records.size(), 4);
        put(frame, hashOfBytes(frame), 8);
        std::string covered;
        put(covered, check, 8);
        check = hashOfBytes(covered + frame + records);
        bytes += frame + records;
        put(bytes, check, 8);
        return *this;
    }

    std::string bytes;
    uint64_t check = 0;
};
