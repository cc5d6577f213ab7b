#pragma once

#include <random>
#include <string>
#include <vector>

// Random bytes rich in UTF-8 lead and continuation bytes, line breaks and marks; no line
// starts with four spaces, which loading turns into an indentation cell.
inline std::string randomFileBytes(std::mt19937& draw) {
    static const std::vector<std::string> pieces = {"\n",
                                                    "\r\n",
                                                    "\r",
                                                    "\t",
                                                    " ",
                                                    "a",
                                                    "\xC3\xA9",
                                                    "\xE2\x82\xAC",
                                                    "\xF0\x9F\x98\x80",
                                                    "\xEF\xBB\xBF",
                                                    "\xFF\xFE",
                                                    "\xED\xA0\x80",
                                                    "\xC0\xAF",
                                                    "\xF4\x90\x80\x80",
                                                    "\xE2\x82",
                                                    "\x81\x8D\x8F\x90\x9D"};
    std::uniform_int_distribution<int> count(0, 30), which(0, static_cast<int>(pieces.size())),
        byte(0, 255);
    std::string bytes;
    for (int n = count(draw); n > 0; --n) {
        const auto k = static_cast<size_t>(which(draw));
        if (k == pieces.size())
            bytes.push_back(static_cast<char>(byte(draw)));
        else
            bytes += pieces[k];
    }
    for (size_t at = bytes.find("    "); at != std::string::npos; at = bytes.find("    ", at))
        bytes[at] = 'x';
    return bytes;
}
