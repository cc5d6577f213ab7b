#include "window/filestamp.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Odd constants with their bits spread evenly, so each multiplication carries every bit
// of a word into the higher ones.
constexpr uint64_t wordFactor = 0xF81EF86F5C8CC1AB;
constexpr uint64_t laneFactor = 0xC8F165D57B00C7F5;
constexpr uint64_t joinFactor = 0xBA0562D56ABD685B;
constexpr uint64_t lengthFactor = 0x817F9EE6725ED09D;
constexpr uint64_t spreadFactor1 = 0xDAA8B2A668D605D5;
constexpr uint64_t spreadFactor2 = 0xB6043106A85F68B7;

uint64_t wordAt(const char* bytes) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        uint64_t swapped = 0;
        for (int k = 0; k < 8; ++k, word >>= 8)
            swapped = swapped << 8 | (word & 0xFF);
        word = swapped;
    }
    return word;
}

// Each step is a bijection of the state for a given word and of the word for a given
// state, so a change to any one word always changes the result.
uint64_t mixWord(uint64_t state, uint64_t word) {
    return std::rotl(state ^ (word * wordFactor), 29) * laneFactor;
}

uint64_t joinWord(uint64_t state, uint64_t word) {
    return std::rotl(state ^ (word * laneFactor), 27) * joinFactor;
}

// Makes every input bit reach every output bit.
uint64_t spread(uint64_t h) {
    h ^= h >> 31;
    h *= spreadFactor1;
    h ^= h >> 29;
    h *= spreadFactor2;
    return h ^ (h >> 32);
}

} // namespace

// The lanes are independent chains, so the processor runs them side by side; they stay in
// registers for a whole run of stripes.
void ByteHash::addStripes(std::string_view bytes) {
    uint64_t lane0 = lanes[0], lane1 = lanes[1], lane2 = lanes[2], lane3 = lanes[3];
    for (const char* stripe = bytes.data(); stripe != bytes.data() + bytes.size();
         stripe += stripeBytes) {
        lane0 = mixWord(lane0, wordAt(stripe));
        lane1 = mixWord(lane1, wordAt(stripe + 8));
        lane2 = mixWord(lane2, wordAt(stripe + 16));
        lane3 = mixWord(lane3, wordAt(stripe + 24));
    }
    lanes = {lane0, lane1, lane2, lane3};
}

void ByteHash::add(std::string_view bytes) {
    totalBytes += bytes.size();
    if (pendingBytes != 0) {
        const size_t taken = std::min(stripeBytes - pendingBytes, bytes.size());
        std::memcpy(pending.data() + pendingBytes, bytes.data(), taken);
        pendingBytes += taken;
        bytes.remove_prefix(taken);
        if (pendingBytes < stripeBytes)
            return;
        addStripes({pending.data(), stripeBytes});
        pendingBytes = 0;
    }
    const size_t whole = bytes.size() - bytes.size() % stripeBytes;
    addStripes(bytes.substr(0, whole));
    bytes.remove_prefix(whole);
    std::memcpy(pending.data(), bytes.data(), bytes.size());
    pendingBytes = bytes.size();
}

// The length goes in first, so a tail padded with zeros cannot pass for a longer one.
uint64_t ByteHash::value() const {
    uint64_t h = totalBytes * lengthFactor;
    for (const uint64_t lane : lanes)
        h = joinWord(h, lane);
    size_t at = 0;
    for (; at + 8 <= pendingBytes; at += 8)
        h = joinWord(h, wordAt(pending.data() + at));
    std::array<char, 8> last{};
    std::memcpy(last.data(), pending.data() + at, pendingBytes - at);
    return spread(joinWord(h, wordAt(last.data())));
}

uint64_t hashOfBytes(std::string_view bytes) {
    ByteHash hash;
    hash.add(bytes);
    return hash.value();
}

FileStamp quickStampOf(const fs::path& file) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        return {};
    FileStamp stamp;
    stamp.exists = true;
    const uintmax_t size = fs::file_size(file, error);
    stamp.size = error ? 0 : size;
    const fs::file_time_type modified = fs::last_write_time(file, error);
    stamp.modified = error ? 0 : static_cast<int64_t>(modified.time_since_epoch().count());
    return stamp;
}
