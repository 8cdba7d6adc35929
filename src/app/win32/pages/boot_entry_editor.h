#pragma once

#include <memory>

#include "editor/editor_load.h"

namespace qn {

class MainFrame;
struct FinishedSave;  // editor/ui/boot_editor.h

// The boot entry editor's operations on page 5. The rules live in portable code
// (editor/*.h, editor/ui/*.h); these bind them to the main window: its controls, its
// shared state, its worker and its message box.

// "itemselect" on "CmbBootFile": clears the page and starts a load of the chosen configuration.
void LoadBootEntries(MainFrame& frame);
// "click" on "BtnBeSave": the page is read and held, and the save runs on a worker.
void SaveBootEntries(MainFrame& frame);
// WM_BOOTSAVE_DONE: the save's outcome arrives, whichever page is shown; the page comes back and
// the outcome is told.
void FinishBootSave(MainFrame& frame, std::unique_ptr<FinishedSave> finished);
// "click" on "BtnBeUp" (direction -1) and "BtnBeDown" (1).
void MoveBootEntry(MainFrame& frame, int direction);
// "click" on "BtnBeDel".
void RemoveBootEntry(MainFrame& frame);
// "click" on "BtnBeAddEntry".
void AddBootEntry(MainFrame& frame);
// WM_BOOTLIST_READY: a load's listing arrives; the editor owns it from here. Only the latest
// load's listing fills the page.
void FillBootEditPage(MainFrame& frame, std::unique_ptr<LoadedListing> loaded);

// While a save or the search for undo records runs: the page held (see HoldBootEditPage), the
// window marked busy, status on the status line. Released, the status line is empty.
void HoldEditorPage(MainFrame& frame, const wchar_t* status);
void ReleaseEditorPage(MainFrame& frame);

}  // namespace qn
