#pragma once

#include "support/Utf8.h"

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

// Text files only: well-formed UTF-8 without NUL bytes.
inline bool isText(std::string_view bytes) {
    return bytes.find('\0') == std::string_view::npos && utf8::isWellFormed(bytes);
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
            if (bytes.empty() || !isText(bytes))
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

// Rows of eight tab-separated columns of words and numbers, short cells as in a data
// export, to targetBytes.
inline std::string tableText(size_t targetBytes) {
    static const char* const words[] = {"alpha", "beta",  "gamma", "delta", "epsilon", "zeta",
                                        "eta",   "theta", "iota",  "kappa", "lambda",  "mu"};
    std::string text;
    uint32_t state = 10;
    const auto next = [&](uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    for (uint32_t row = 1; text.size() < targetBytes; ++row) {
        text += std::to_string(row) + '\t' + words[next(12)] + '\t' + words[next(12)] + ' ' +
                words[next(12)] + '\t' + std::to_string(next(10000)) + '.' +
                std::to_string(10 + next(90)) + '\t' + std::to_string(next(1000000)) + '\t' +
                words[next(12)] + '\t' + std::to_string(1990 + next(40)) + "-0" +
                std::to_string(1 + next(9)) + "-1" + std::to_string(next(10)) + '\t' +
                words[next(12)] + words[next(12)] + '\n';
    }
    return text;
}

// One line of minified JSON of made-up records, no tab, no line break, to targetBytes.
inline std::string longLineText(size_t targetBytes) {
    std::string text = "[";
    for (uint32_t id = 0; text.size() < targetBytes; ++id)
        text += "{\"id\":" + std::to_string(id) +
                ",\"name\":\"alpha beta\",\"score\":" + std::to_string(id * 7 % 1000) +
                ".5,\"tags\":[\"mu\",\"eta\"]},";
    text.back() = ']';
    return text;
}

// Decodes text that isText accepted.
inline std::u16string toUtf16(std::string_view bytes) {
    std::u16string out;
    utf8::appendWellFormed(out, bytes, true);
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
