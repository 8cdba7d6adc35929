#include "repair/ui/boot_editor.h"

#include "repair/ui/boot_entry_rows.h"

namespace qn {

std::optional<LoadStart> BeginLoad(const BootEditPage& page, BootEditorState& state) {
    ClearBootEditPage(page);
    const std::wstring item = page.files != nullptr ? page.files->SelectedText() : std::wstring();
    if (item != kBcdFileItem && item != kBootIniFileItem) {
        return std::nullopt;
    }
    LoadStart start;
    start.load = state.loads.Begin();
    start.bcd = item == kBcdFileItem;
    start.bcdedit = state.bcdEditPath;
    // Without a lettered boot partition the running system's store is edited.
    start.store = state.bootFiles.found ? state.bootFiles.bcdStorePath : std::wstring();
    start.bootIniPath = state.bootFiles.bootIniPath;
    SetRemoveCaption(page, start.bcd);
    return start;
}

std::optional<std::wstring> FillPage(const BootEditPage& page, BootEditorState& state,
                                     std::unique_ptr<LoadedListing> loaded) {
    if (!loaded || !state.loads.Deliver(loaded->load)) {
        return std::nullopt;  // nothing, or the listing of a load a newer one replaced
    }
    state.currentListing = std::make_unique<BcdListing>(std::move(loaded->listing));
    state.backup.clear();
    if (ShowListing(page, *state.currentListing)) {
        return std::nullopt;
    }
    ClearBootEditPage(page);
    return EmptyListingMessage(*loaded);
}

EditorSaveOutcome SavePage(const BootEditPage& page, BootEditorState& state, EditorPorts& ports) {
    EditorSaveRequest request;
    request.fileSelected = page.files != nullptr && page.files->SelectedIndex() >= 0;
    request.fileItem = page.files != nullptr ? page.files->SelectedText() : std::wstring();
    request.timeout = page.timeout != nullptr ? page.timeout->Text() : std::wstring();
    if (page.list != nullptr) {
        request.rows = ReadBootEntryRows(*page.list);
    }
    request.loaded = state.currentListing.get();
    request.loadPending = state.loads.Pending();
    request.bcdedit = state.bcdEditPath;
    request.store = state.bootFiles.found ? state.bootFiles.bcdStorePath : std::wstring();
    request.bootIniPath = state.bootFiles.bootIniPath;
    request.backup = state.backup;
    request.undoParent = state.undoParent;
    EditorSaveOutcome outcome = SaveEditedEntries(ports, request);
    if (request.fileItem == kBcdFileItem) {
        state.backup = outcome.backup;
    }
    return outcome;
}

}  // namespace qn
