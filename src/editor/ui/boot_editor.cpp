#include "editor/ui/boot_editor.h"

#include <utility>

#include "editor/ui/boot_entry_rows.h"
#include "run/time_limited_processes.h"

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

SaveStart BeginSave(const BootEditPage& page, const BootEditorState& state) {
    SaveStart save;
    EditorSaveRequest& request = save.request;
    request.fileSelected = page.files != nullptr && page.files->SelectedIndex() >= 0;
    request.fileItem = page.files != nullptr ? page.files->SelectedText() : std::wstring();
    request.timeout = page.timeout != nullptr ? page.timeout->Text() : std::wstring();
    if (page.list != nullptr) {
        request.rows = ReadBootEntryRows(*page.list);
    }
    if (state.currentListing) {
        save.loaded = std::make_shared<const BcdListing>(*state.currentListing);
    }
    request.loaded = save.loaded.get();
    request.loadPending = state.loads.Pending();
    request.bcdedit = state.bcdEditPath;
    request.store = state.bootFiles.found ? state.bootFiles.bcdStorePath : std::wstring();
    request.bootIniPath = state.bootFiles.bootIniPath;
    request.backup = state.backup;
    request.undoParent = state.undoParent;
    return save;
}

FinishedSave RunSave(EditorPorts& ports, const SaveStart& save) {
    TimeLimitedProcesses limited(ports.processes, ports.toolTimeoutMs);
    EditorPorts bounded{ports.files,     limited,       ports.profile,
                        ports.resources, ports.clock,   ports.random,
                        ports.codePage,  ports.storage, ports.toolTimeoutMs};
    // The save reads the start's own listing, wherever the request was pointed.
    EditorSaveRequest request = save.request;
    request.loaded = save.loaded.get();
    FinishedSave finished;
    finished.bcd = request.fileItem == kBcdFileItem;
    finished.outcome = SaveEditedEntries(bounded, request);
    return finished;
}

void FinishSave(const BootEditPage& page, BootEditorState& state, const FinishedSave& save) {
    if (save.bcd) {
        state.backup = save.outcome.backup;
    }
    if (save.outcome.stored) {
        // The next save of these rows compares with what the store holds now.
        state.currentListing = std::make_unique<BcdListing>(*save.outcome.stored);
    }
    if (save.outcome.chooseDefault && page.list != nullptr) {
        CheckFirstRow(*page.list);
    }
}

EditorSaveOutcome SavePage(const BootEditPage& page, BootEditorState& state, EditorPorts& ports) {
    FinishedSave finished = RunSave(ports, BeginSave(page, state));
    FinishSave(page, state, finished);
    return std::move(finished.outcome);
}

namespace {

// Every control of the page that acts or takes input.
constexpr const wchar_t* kPageControls[] = {L"CmbBootFile", L"BtnBeRestore", L"edBeTimeout",
                                            L"listBceEdit", L"CmbBootEntry", L"BtnBeAddEntry",
                                            L"BtnBeUp",     L"BtnBeDown",    L"BtnBeDel",
                                            L"BtnBeReturn", L"BtnBeSave"};

}  // namespace

void HoldBootEditPage(const std::function<Control*(const wchar_t*)>& find, bool held) {
    for (const wchar_t* name : kPageControls) {
        if (Control* control = find(name)) {
            control->SetEnabled(!held);
        }
    }
}

}  // namespace qn
