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

// The save's commands, in the editor's order, for the store (empty: the system store), each
// only for what the user changed against the loaded listing, so nothing the editor read but
// did not understand is ever written back: the timeout (when its number changed); the default
// (when a row is checked and it is another entry: without one the store's default is left as it
// is); the boot manager's graphics resolution (every save sets it); the display order (when the
// rows' identifiers differ from it, each followed by one blank, less those the store has no
// section for); then per row a description
// (when it is not empty and differs from the one read) and a locale (likewise).
std::vector<SaveCommand> BcdSaveCommands(const std::wstring& store, const BcdListing& working,
                                         const BcdListing& loaded);

}  // namespace qn
