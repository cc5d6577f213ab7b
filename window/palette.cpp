#include "window/frmEditor.h"

#include "window/CommandPalette.h"

#include <optional>
#include <string>
#include <vector>

// The command taken runs as its key would; none taken, nothing happens.
void frmEditor::showPalette() {
    const std::vector<PaletteEntry> entries = paletteEntries(commandTable());
    std::vector<ListItem> items;
    items.reserve(entries.size());
    for (const PaletteEntry& entry : entries)
        items.push_back({entry.name, entry.keys});
    std::optional<size_t> taken;
    guarded(u"showing the commands", [&] {
        taken = host.chooseFromList(
            std::u16string(windowDesign::paletteTitle), items,
            [&](std::u16string_view typed) { return paletteMatches(entries, typed); });
    });
    if (taken && *taken < entries.size())
        run(entries[*taken].action);
}
