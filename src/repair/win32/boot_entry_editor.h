#pragma once

#include <memory>

#include "repair/editor_load.h"

namespace qn {

class MainFrame;

// The boot entry editor's operations on page 5. The rules live in portable code
// (repair/editor_*.h, repair/ui/*.h); these bind them to the main window: its controls, its
// shared state, its worker and its message box.

// "itemselect" on "CmbBootFile": clears the page and starts a load of the chosen configuration.
void LoadBootEntries(MainFrame& frame);
// "click" on "BtnBeSave".
void SaveBootEntries(MainFrame& frame);
// "click" on "BtnBeUp" (direction -1) and "BtnBeDown" (1).
void MoveBootEntry(MainFrame& frame, int direction);
// "click" on "BtnBeDel".
void RemoveBootEntry(MainFrame& frame);
// "click" on "BtnBeAddEntry".
void AddBootEntry(MainFrame& frame);
// WM_BOOTLIST_READY: a load's listing arrives; the editor owns it from here. Only the latest
// load's listing fills the page.
void FillBootEditPage(MainFrame& frame, std::unique_ptr<LoadedListing> loaded);

}  // namespace qn
