#include "app/win32/pages/boot_entry_editor.h"

#include "app/main_messages.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"
#include "app/win32/pages/repair_worker.h"
#include "boot/carried_tool.h"
#include "disk/system_storage.h"
#include "editor/editor_store_line.h"
#include "editor/ui/boot_edit_page.h"
#include "editor/ui/boot_editor.h"
#include "platform/profile_file.h"
#include "platform/system_ports.h"
#include "repair/repair_engine.h"
#include "repair/repair_start.h"
#include "run/time_limited_processes.h"

namespace qn {
namespace {

BootEditPage PageOf(MainFrame& frame) {
    return BootEditPage::Find([&frame](const wchar_t* name) { return frame.Find(name); });
}

BootEditorState StateOf(MainFrame& frame) {
    // A save's undo record goes where a repair of the same partition puts its log.
    EditorSession& editor = frame.Editor();
    const BootFileSet& files = editor.bootFiles;
    const std::wstring& file = files.found ? files.bcdStorePath : files.bootIniPath;
    const char letter = file.size() >= 2 && file[1] == L':' ? static_cast<char>(file[0]) : 0;
    return BootEditorState{
        editor.listing,   editor.bcdeditPath,
        editor.bootFiles, editor.loads,
        editor.backup,    LogFolder(TheSystemPorts().files, frame.Wizard().isWinPE, letter)};
}

EditorPorts SystemEditorPorts() {
    SystemPorts& ports = TheSystemPorts();
    return EditorPorts{ports.files, ports.processes, SystemProfileFile(), ports.resources,
                       ports.clock, ports.random,    ports.codePage,      &SystemStorage()};
}

// The message box, and the same words on the page's status line, where they stay.
void Tell(MainFrame& frame, const BootEditPage& page, const std::wstring& title,
          const std::wstring& text) {
    SetStatus(page, text);
    ShowMessageBox(title, text, frame.GetHWND());
}

// Hands a listing to the window: WM_BOOTLIST_READY, posted; whoever cannot post it frees it.
void PostListing(UiChannel& channel, std::unique_ptr<LoadedListing> loaded) {
    if (channel.Post(WM_BOOTLIST_READY, 0, reinterpret_cast<std::intptr_t>(loaded.get()))) {
        loaded.release();  // the window owns it now
    }
}

// The same for a save's outcome: WM_BOOTSAVE_DONE.
void PostSave(UiChannel& channel, std::unique_ptr<FinishedSave> finished) {
    if (channel.Post(WM_BOOTSAVE_DONE, 0, reinterpret_cast<std::intptr_t>(finished.get()))) {
        finished.release();  // the window owns it now
    }
}

// What a save reported that never ended as it should: the page must come back all the same.
std::unique_ptr<FinishedSave> BrokenSave(const wchar_t* message) {
    auto finished = std::make_unique<FinishedSave>();
    finished->outcome.result = EditorSaveOutcome::Result::Failed;
    finished->outcome.title = L"错误信息";
    finished->outcome.message = message;
    return finished;
}

char LetterOf(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' ? static_cast<char>(path[0]) : 0;
}

// bcdedit.exe in the work directory, written on the first load; the system's copy when the
// program carries none. Empty when there is neither (the next load tries again).
void PrepareBcdedit(MainFrame& frame) {
    if (!frame.Editor().bcdeditPath.empty() || !frame.WorkDirectory()) {
        return;
    }
    SystemPorts& ports = TheSystemPorts();
    frame.Editor().bcdeditPath =
        PrepareTool(ports.files, ports.resources, *frame.WorkDirectory(), CarriedTool::Bcdedit)
            .path;
}

}  // namespace

void LoadBootEntries(MainFrame& frame) {
    EditorSession& editor = frame.Editor();
    if (editor.busy) {
        return;  // a save runs on the listing shown; its page is held
    }
    // The boot files are looked for again on the partition chosen in "SelBootList".
    BootPartition& boot = frame.Wizard().boot;
    if (const std::optional<BootPartition> picked = SelectedBootPartition(frame)) {
        boot = *picked;
        editor.bootFiles = FindBootFiles(boot, TheSystemPorts().files);
    }
    PrepareBcdedit(frame);
    BootEditorState state = StateOf(frame);
    const BootEditPage page = PageOf(frame);
    const auto start = BeginLoad(page, state);
    if (!start) {
        SetStoreLine(page, L"");
        return;
    }
    SetStoreLine(page, EditedStoreText(start->bcd, editor.bootFiles, boot));
    SystemPorts& ports = TheSystemPorts();
    if (!start->bcd) {
        // boot.ini is read at once, on this thread, and posted like a worker's listing.
        PostListing(*frame.Channel(),
                    std::make_unique<LoadedListing>(LoadBootIniListing(
                        SystemProfileFile(), ports.random, start->bootIniPath, start->load)));
        return;
    }
    if (start->bcdedit.empty()) {
        PostListing(*frame.Channel(), std::make_unique<LoadedListing>(LoadBcdListing(
                                          ports.processes, ports.codePage, {}, {}, start->load)));
        return;
    }
    // LoadBcdThread: bcdedit runs from the work directory and reads the boot partition.
    WorkerFootprint footprint;
    footprint.workDirectory = true;
    if (boot.HasLetter()) {
        footprint.letters.insert(boot.letter);
    }
    const bool started = frame.StartWorker(footprint, [channel = frame.Channel(), load = *start] {
        SystemPorts& system = TheSystemPorts();
        TimeLimitedProcesses limited(system.processes, kToolRunTimeoutMs);
        PostListing(*channel, std::make_unique<LoadedListing>(LoadBcdListing(
                                  limited, system.codePage, load.bcdedit, load.store, load.load)));
    });
    if (!started) {
        auto loaded = std::make_unique<LoadedListing>();
        loaded->load = start->load;
        loaded->listing.FromBcd = 1;
        loaded->problem = L"无法启动读取线程";
        PostListing(*frame.Channel(), std::move(loaded));
    }
}

void FillBootEditPage(MainFrame& frame, std::unique_ptr<LoadedListing> loaded) {
    const BootEditPage page = PageOf(frame);
    BootEditorState state = StateOf(frame);
    if (auto empty = FillPage(page, state, std::move(loaded))) {
        Tell(frame, page, L"错误信息", *empty);
    }
}

void MoveBootEntry(MainFrame& frame, int direction) {
    MoveSelectedRow(PageOf(frame).list, direction);
}

void RemoveBootEntry(MainFrame& frame) {
    RemoveSelectedRow(PageOf(frame).list);
}

void AddBootEntry(MainFrame& frame) {
    AddChosenEntry(PageOf(frame), frame.Editor().listing.get());
}

void SaveBootEntries(MainFrame& frame) {
    const BootEditPage page = PageOf(frame);
    if (page.saveButton == nullptr || frame.Editor().busy) {
        return;
    }
    const SaveStart save = BeginSave(page, StateOf(frame));
    HoldEditorPage(frame, kSavingText);
    // bcdedit runs from the work directory; the save writes on the boot partition, and its undo
    // record goes beside the logs.
    WorkerFootprint footprint;
    footprint.workDirectory = true;
    for (const char letter :
         {frame.Wizard().boot.letter, LetterOf(save.request.store),
          LetterOf(save.request.bootIniPath), LetterOf(save.request.undoParent)}) {
        if (letter != 0 && letter != kEspWithoutLetter) {
            footprint.letters.insert(letter);
        }
    }
    const bool started = frame.StartWorker(footprint, [channel = frame.Channel(), save] {
        std::unique_ptr<FinishedSave> finished;
        try {
            EditorPorts ports = SystemEditorPorts();
            finished = std::make_unique<FinishedSave>(RunSave(ports, save));
        } catch (...) {
            // Nothing may escape a worker, and the page waits for this report.
            finished = BrokenSave(L"保存意外中断，配置可能只改了一部分，请重新读取后检查。");
        }
        PostSave(*channel, std::move(finished));
    });
    if (!started) {
        FinishBootSave(frame, BrokenSave(L"无法启动保存线程，未写入任何内容。"));
    }
}

void FinishBootSave(MainFrame& frame, std::unique_ptr<FinishedSave> finished) {
    ReleaseEditorPage(frame);
    if (!finished) {
        return;
    }
    const BootEditPage page = PageOf(frame);
    BootEditorState state = StateOf(frame);
    FinishSave(page, state, *finished);
    Tell(frame, page, finished->outcome.title, finished->outcome.message);
}

void HoldEditorPage(MainFrame& frame, const wchar_t* status) {
    frame.Editor().busy = true;
    HoldBootEditPage([&frame](const wchar_t* name) { return frame.Find(name); }, true);
    SetStatus(PageOf(frame), status);
}

void ReleaseEditorPage(MainFrame& frame) {
    frame.Editor().busy = false;
    HoldBootEditPage([&frame](const wchar_t* name) { return frame.Find(name); }, false);
    SetStatus(PageOf(frame), L"");
}

}  // namespace qn
