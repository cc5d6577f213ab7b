#pragma once

#include "window/Host.h"

#include <string>
#include <string_view>
#include <vector>

// A list for the tests of the front ends' list dialogs: three items, and a filter that keeps
// those whose text holds what was typed, in order, as the window logic's filter gives them.
namespace listChoices {

inline const std::vector<ListItem> items = {
    {u"Copy", u"Ctrl+C"}, {u"Cut", u"Ctrl+X"}, {u"Change font", u""}};

inline std::vector<size_t> holding(std::u16string_view typed) {
    std::vector<size_t> kept;
    for (size_t k = 0; k < items.size(); ++k)
        if (items[k].text.find(typed) != std::u16string::npos)
            kept.push_back(k);
    return kept;
}

} // namespace listChoices
