#include "repair/win32/boot_entry_editor.h"

#include "app/main_messages.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"
#include "boot/carried_tool.h"
#include "disk/system_storage.h"
#include "platform/profile_file.h"
#include "platform/system_ports.h"
#include "repair/repair_engine.h"
#include "repair/repair_start.h"
#include "repair/ui/boot_edit_page.h"
#include "repair/ui/boot_editor.h"
#include "repair/win32/repair_worker.h"

namespace qn {
namespace {

BootEditPage PageOf(MainFrame& frame) {
    return BootEditPage::Find([&frame](const wchar_t* name) { return frame.Find(name); });
}

BootEditorState StateOf(MainFrame& frame) {
    // A save's undo record goes where a repair of the same partition puts its log.
    const std::wstring& file =
        frame.BootFiles.found ? frame.BootFiles.bcdStorePath : frame.BootFiles.bootIniPath;
    const char letter = file.size() >= 2 && file[1] == L':' ? static_cast<char>(file[0]) : 0;
    return BootEditorState{
        frame.CurrentListing, frame.BcdEditPath,
        frame.BootFiles,      frame.BootListLoads,
        frame.BootEditBackup, LogFolder(TheSystemPorts().files, frame.IsWinPE != 0, letter)};
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

// bcdedit.exe in the work directory, written on the first load; the system's copy when the
// program carries none. Empty when there is neither (the next load tries again).
void PrepareBcdedit(MainFrame& frame) {
    if (!frame.BcdEditPath.empty() || !frame.WorkDirectory()) {
        return;
    }
    SystemPorts& ports = TheSystemPorts();
    frame.BcdEditPath =
        PrepareTool(ports.files, ports.resources, *frame.WorkDirectory(), CarriedTool::Bcdedit)
            .path;
}

}  // namespace

void LoadBootEntries(MainFrame& frame) {
    // The boot files are looked for again on the partition chosen in "SelBootList".
    if (const char letter = SelectedBootLetter(frame); letter != 0) {
        frame.BootLetter = letter;
        frame.BootFiles = FindBootFiles(letter, BootStyleOf(letter), TheSystemPorts().files);
    }
    PrepareBcdedit(frame);
    BootEditorState state = StateOf(frame);
    const auto start = BeginLoad(PageOf(frame), state);
    if (!start) {
        return;
    }
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
    if (frame.BootLetter != 0 && frame.BootLetter != kEspWithoutLetter) {
        footprint.letters.insert(frame.BootLetter);
    }
    const bool started = frame.StartWorker(footprint, [channel = frame.Channel(), load = *start] {
        SystemPorts& system = TheSystemPorts();
        PostListing(*channel,
                    std::make_unique<LoadedListing>(LoadBcdListing(
                        system.processes, system.codePage, load.bcdedit, load.store, load.load)));
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
    AddChosenEntry(PageOf(frame), frame.CurrentListing.get());
}

void SaveBootEntries(MainFrame& frame) {
    const BootEditPage page = PageOf(frame);
    if (page.saveButton == nullptr) {
        return;
    }
    page.saveButton->SetEnabled(false);
    BootEditorState state = StateOf(frame);
    EditorPorts ports = SystemEditorPorts();
    const EditorSaveOutcome outcome = SavePage(page, state, ports);
    Tell(frame, page, outcome.title, outcome.message);
    page.saveButton->SetEnabled(true);
}

}  // namespace qn
