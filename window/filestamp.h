#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

// What tells one state of a file from another.
struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    int64_t modified = 0; // last write time, in std::filesystem::file_time_type ticks
    uint64_t hash = 0;    // of the file's bytes (ByteHash)
    bool operator==(const FileStamp&) const = default;
};

// A 64-bit hash of bytes fed in pieces: the same value for any split of the same bytes.
// Not for security: it tells a file from an edited or damaged copy of itself. Words are
// read as little-endian, so the value is the same on every machine.
class ByteHash {
public:
    void add(std::string_view bytes);
    uint64_t value() const;

private:
    static constexpr size_t stripeBytes = 32; // one 8-byte word for each lane

    void addStripes(std::string_view bytes); // a whole number of stripes

    std::array<uint64_t, 4> lanes = {0x7A8B3C1D5E6F9012, 0x1F2E3D4C5B6A7988, 0x93A4B5C6D7E8F901,
                                     0x0123456789ABCDEF};
    std::array<char, stripeBytes> pending{}; // a stripe begun by one piece, ended by the next
    size_t pendingBytes = 0;
    uint64_t totalBytes = 0;
};

uint64_t hashOfBytes(std::string_view bytes);

// Size and time only (hash 0), without reading the file: for "did another program write
// it?". Nothing there, or a file that cannot be examined, gives a stamp that does not exist.
FileStamp quickStampOf(const std::filesystem::path& file);
