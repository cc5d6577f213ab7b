// Prints the command table's keys as the user reads them, a tab, and the command's name,
// one key a line, for the check that the manual page names every key
// (scripts/test-packages.sh). Names and keys are ASCII.
#include "window/KeyTable.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

std::string ascii(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text)
        bytes += unit < 0x80 ? static_cast<char>(unit) : '?';
    return bytes;
}

} // namespace

int main() {
    for (const CommandRow& row : commandTable())
        if (row.key != KeyCode::None)
            std::printf("%s\t%s\n", ascii(keyName(row.key, row.held)).c_str(),
                        ascii(row.name).c_str());
    return 0;
}
