#pragma once

#include <string>

// The Find and Replace dialog as the window logic sees it: its fields, and the button the
// user pressed (Enter means Find next; Escape, Close). The platform builds it of its own
// controls and keeps their state between showings.
struct ReplaceFields {
    std::u16string findWhat;
    std::u16string replaceWith;
    bool matchCase = false;
    bool wholeWord = false;
};

enum class ReplaceButton { FindNext, Replace, ReplaceAll, Close };

struct ReplaceRequest {
    ReplaceFields fields;
    ReplaceButton button = ReplaceButton::FindNext;
};
