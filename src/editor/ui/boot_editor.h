#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "boot/bcd_listing.h"
#include "editor/editor_load.h"
#include "editor/editor_ports.h"
#include "editor/editor_save.h"
#include "editor/ui/boot_edit_page.h"
#include "repair/repair_start.h"

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

// SaveBootEntries in three steps, as the window runs them: the page read into a request on the
// UI thread, the save on a worker, its outcome shown on the UI thread again.

// What a save takes to its worker: the request, and the worker's own copy of the listing the
// rows came from (request.loaded points at it), which no later load can take away.
struct SaveStart {
    EditorSaveRequest request;
    std::shared_ptr<const BcdListing> loaded;
};

// What a save hands back to the page (WM_BOOTSAVE_DONE's lParam, owned by the receiver).
struct FinishedSave {
    bool bcd = false;  // a BCD store's save, whose backup the next save names when refused
    EditorSaveOutcome outcome;
};

// The page and the window's state, read on the UI thread.
SaveStart BeginSave(const BootEditPage& page, const BootEditorState& state);

// The save itself, on any thread; every tool run it makes ends within ports.toolTimeoutMs.
FinishedSave RunSave(EditorPorts& ports, const SaveStart& save);

// Back on the UI thread: the backup kept for the next save, and the first row that can be the
// default checked when the save was refused for want of one.
void FinishSave(const BootEditPage& page, BootEditorState& state, const FinishedSave& save);

// SaveBootEntries without its worker, its button and its message box: the three steps at once.
EditorSaveOutcome SavePage(const BootEditPage& page, BootEditorState& state, EditorPorts& ports);

// What the status line says while a save or the search for undo records runs.
inline constexpr wchar_t kSavingText[] = L"正在保存...";
inline constexpr wchar_t kFindingUndoText[] = L"正在查找撤销记录...";

// While a save or the search for undo records runs, every control of the page is disabled (its
// buttons, the file and entry combo boxes, the list and the timeout box): nothing can start a
// second save or a load, or leave the page, until its outcome is shown. find: the window's
// lookup by skin name.
void HoldBootEditPage(const std::function<Control*(const wchar_t*)>& find, bool held);

}  // namespace qn
