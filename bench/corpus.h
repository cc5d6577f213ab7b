#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>

// Corpora made at run time from the headers installed on the machine, so that the
// benchmarks load real source code without any of it being kept in the repository.
namespace corpus {

inline bool isValidUtf8(std::string_view bytes) {
    size_t k = 0;
    while (k < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[k]);
        if (lead == 0)
            return false;
        const size_t length = lead < 0x80       ? 1
                              : lead >> 5 == 6  ? 2
                              : lead >> 4 == 14 ? 3
                              : lead >> 3 == 30 ? 4
                                                : 0;
        if (length == 0 || k + length > bytes.size())
            return false;
        for (size_t j = 1; j < length; ++j)
            if ((static_cast<unsigned char>(bytes[k + j]) & 0xC0) != 0x80)
                return false;
        k += length;
    }
    return true;
}

// Whole text files under root, in a fixed order, concatenated (again from the start
// when they run out) until targetBytes; the result ends at a line break.
inline std::string sourceText(size_t targetBytes, const char* root = "/usr/include") {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             root, std::filesystem::directory_options::skip_permission_denied))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string text;
    text.reserve(targetBytes + (1 << 20));
    while (text.size() < targetBytes) {
        const size_t before = text.size();
        for (const auto& path : files) {
            std::ifstream in(path, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
            if (bytes.empty() || !isValidUtf8(bytes))
                continue;
            if (bytes.back() != '\n')
                bytes += '\n';
            text += bytes;
            if (text.size() >= targetBytes)
                break;
        }
        if (text.size() == before)
            break; // nothing readable under root
    }
    text.resize(std::min(text.size(), targetBytes));
    const size_t lastBreak = text.rfind('\n');
    text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    return text;
}

// Decodes text that isValidUtf8 accepted.
inline std::u16string toUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    size_t k = 0;
    while (k < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[k]);
        char32_t code = lead;
        size_t length = 1;
        if (lead >= 0xF0) {
            code = lead & 0x07u;
            length = 4;
        } else if (lead >= 0xE0) {
            code = lead & 0x0Fu;
            length = 3;
        } else if (lead >= 0xC0) {
            code = lead & 0x1Fu;
            length = 2;
        }
        for (size_t j = 1; j < length; ++j)
            code = (code << 6) | (static_cast<unsigned char>(bytes[k + j]) & 0x3Fu);
        k += length;
        if (code < 0x10000) {
            out += static_cast<char16_t>(code);
        } else {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    out.shrink_to_fit();
    return out;
}

// Peak resident memory since the last resetPeak, and resident memory now, in bytes.
// Linux only: clear_refs resets the high-water mark that getrusage reports.
inline void resetPeak() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}
inline int64_t peakBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<int64_t>(usage.ru_maxrss) * 1024;
}
inline int64_t residentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<int64_t>(resident) * 4096;
}

} // namespace corpus
