#pragma once

#include "textbox/CLBox.h"
#include "textbox/textrange.h"

#include <vector>

// Saving writes a few things that loading reads back otherwise: the first cell after those
// written as spaces that begins with tabMin spaces or more comes back as more indentation
// cells, any other tab of the form Spaces comes back of the form Tab, and a cell ending in a
// lone "\r" before a "\n" line end comes back without it, its line ending in "\r\n". These
// are the changes that make the text loaded from the saved file the document again, in
// order, each at positions of the text as the changes before it left it.
std::vector<TextChange> changesFromReloaded(const CLBox& box);
