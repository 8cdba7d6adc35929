#pragma once

#include <memory>

#include "boot/bcd_listing.h"

namespace qn {

class MainFrame;

// The boot entry editor's operations on page 5.
void LoadBootEntries(MainFrame& frame);
void SaveBootEntries(MainFrame& frame);
// direction -1: up, 1: down.
void MoveBootEntry(MainFrame& frame, int direction);
void RemoveBootEntry(MainFrame& frame);
void AddBootEntry(MainFrame& frame);
// A loaded listing arrives from its worker; the editor owns it from here.
void FillBootEditPage(MainFrame& frame, std::unique_ptr<BcdListing> listing);

}  // namespace qn
