#pragma once

#include <memory>
#include <optional>
#include <string>

#include "boot/bcd_listing.h"
#include "repair/editor_load.h"
#include "repair/editor_ports.h"
#include "repair/editor_save.h"
#include "repair/repair_start.h"
#include "repair/ui/boot_edit_page.h"

namespace qn {

// The boot entry editor's handlers over its page and the main window's shared state,
// without the window: the window adds its worker, its message box and the tools it prepares.

// The main window's state the editor reads and changes.
struct BootEditorState {
    std::unique_ptr<BcdListing>& currentListing;  // CurrentListing
    std::wstring& bcdEditPath;                    // BcdEditPath
    BootFileSet& bootFiles;                       // BootFileSet (refreshed by each load)
    LoadSequence& loads;                          // only the latest load fills the page
    std::wstring& backup;  // the backup made before the first save of the current listing
    // Where a save's undo record goes (beside the logs); empty: saves leave none.
    std::wstring undoParent = {};
};

// The load LoadBootEntries starts: which configuration, and what reading it takes.
struct LoadStart {
    unsigned load = 0;
    bool bcd = false;      // BCD through bcdedit (on a worker); boot.ini otherwise
    std::wstring bcdedit;  // BcdEditPath
    std::wstring store;    // empty: the system store
    std::wstring bootIniPath;
};

// LoadBootEntries after the boot files were looked for again: clears the page, sets the remove
// button's caption and begins a load of the configuration chosen in "CmbBootFile"; nullopt when
// that is neither "BCD" nor "boot.ini" (nothing is loaded then).
std::optional<LoadStart> BeginLoad(const BootEditPage& page, BootEditorState& state);

// FillBootEditPage: a load's listing arrives. The latest load's becomes CurrentListing (its store
// is then backed up again before its first save) and fills the page; an older load's is dropped.
// The message to show when the listing has no entry (the page stays empty); nullopt otherwise.
std::optional<std::wstring> FillPage(const BootEditPage& page, BootEditorState& state,
                                     std::unique_ptr<LoadedListing> loaded);

// SaveBootEntries without its button and message box: the rows read back and saved.
EditorSaveOutcome SavePage(const BootEditPage& page, BootEditorState& state, EditorPorts& ports);

}  // namespace qn
