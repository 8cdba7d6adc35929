#pragma once

#include <string>
#include <vector>

#include "boot/bcd_listing.h"

namespace qn {

// One bcdedit run of the editor's BCD save: its parameter string and what it changes, for the
// message when it fails ("{...} description").
struct SaveCommand {
    std::wstring parameters;
    std::wstring identifier;  // whose element: "{bootmgr}" or the entry's
    std::wstring element;     // "timeout", "default", "graphicsresolution", "displayorder",
                              // "description", "locale"
    std::wstring Target() const { return identifier + L" " + element; }
};

// The save's commands, in the editor's order, for the store (empty: the system store):
// timeout; default (only when a row is checked: without one the store's default is left as it
// is, instead of sending an empty identifier bcdedit refuses); the boot manager's graphics
// resolution; the display order (every identifier of the rows, each followed by one blank);
// then per row a description (unless emptied) and a locale (unless it has none).
std::vector<SaveCommand> BcdSaveCommands(const std::wstring& store, const BcdListing& working);

}  // namespace qn
