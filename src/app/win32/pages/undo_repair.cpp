#include "app/win32/pages/undo_repair.h"

#include "app/main_messages.h"
#include "app/program_version.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"
#include "app/win32/pages/boot_entry_editor.h"
#include "app/win32/pages/repair_worker.h"
#include "disk/drive_roots.h"
#include "disk/system_storage.h"
#include "editor/ui/boot_editor.h"
#include "platform/system_ports.h"
#include "record/undo_places.h"
#include "run/repair_guards.h"
#include "undo/undo_run.h"

namespace qn {

namespace {

void StartUndo(MainFrame& frame, const std::wstring& record) {
    ShowResultPageBusy(frame, true);
    frame.MarkUndoing();
    if (Control* tip = frame.Find(L"lbResultTip")) {
        tip->SetText(L"正在撤销修复，请稍候......");
    }
    const bool isWinPE = frame.Wizard().isWinPE;
    std::set<char> letters;
    if (record.size() >= 2 && record[1] == L':') {
        letters.insert(static_cast<char>(record[0]));
    }
    if (const BootPartition& boot = frame.Wizard().boot; boot.HasLetter()) {
        letters.insert(boot.letter);
    }
    StartRepairWorker(frame, letters,
                      [record, isWinPE](RepairPorts& ports, RepairSink& sink, GuardAsker& asker) {
                          const LoadedUndoRecord loaded = LoadUndoRecord(ports.files, record);
                          if (!loaded.record) {
                              sink.Append(loaded.error);
                              RepairOutcome outcome;
                              outcome.failedSteps = 1;
                              return outcome;
                          }
                          return RunUndo(*loaded.record, ports, sink,
                                         RunLabel{L"撤销修复", kProgramVersion}, isWinPE, asker);
                      });
}

}  // namespace

void UndoLastRepair(MainFrame& frame) {
    const std::wstring record = frame.UndoRecordPath();
    if (record.empty()) {
        return;
    }
    const std::wstring question =
        L"撤销本次修复：还原修复之前的引导文件、BCD 存储和引导代码，删除本次修复新建的引导文件。"
        L"修复时做的备份会保留。\n\n撤销记录: " +
        record + L"\n\n确定(Y)：撤销本次修复\n取消(C)：不撤销";
    if (ShowQuestionBox(kGuardCaption, question, frame.GetHWND()) != kConfirmYes) {
        return;
    }
    StartUndo(frame, record);
}

void UndoEarlierRun(MainFrame& frame) {
    if (frame.Editor().busy) {
        return;
    }
    const bool isWinPE = frame.Wizard().isWinPE;
    // A drive that answers slowly (a network share, a failing disk) must not freeze the window:
    // even asking which drives are where is the worker's.
    HoldEditorPage(frame, kFindingUndoText);
    WorkerFootprint footprint;
    footprint.allLetters = true;
    const bool started = frame.StartWorker(footprint, [channel = frame.Channel(), isWinPE] {
        std::unique_ptr<FoundUndoRecords> found;
        try {
            FileSystem& files = TheSystemPorts().files;
            std::vector<std::wstring> roots;
            for (const std::string& root : SplitDriveRoots(SystemStorage().LogicalDriveStrings())) {
                // Floppy drives answer slowly or ask for a disk: the program never writes there.
                if (!root.empty() && root[0] >= 'C') {
                    roots.emplace_back(root.begin(), root.end());
                }
            }
            found = std::make_unique<FoundUndoRecords>(
                FindUndoRecords(files, UndoSearchFolders(files, SystemStorage(), isWinPE, roots)));
        } catch (...) {
            // Nothing may escape a worker; the window then says that the search failed.
        }
        if (channel->Post(WM_UNDOLIST_READY, 0, reinterpret_cast<std::intptr_t>(found.get()))) {
            found.release();  // the window owns it now
        }
    });
    if (!started) {
        ReleaseEditorPage(frame);
        ShowMessageBox(kGuardCaption, L"无法启动查找线程，请重试。", frame.GetHWND());
    }
}

void OfferEarlierUndo(MainFrame& frame, std::unique_ptr<FoundUndoRecords> found) {
    ReleaseEditorPage(frame);
    if (!found) {
        ShowMessageBox(kGuardCaption, L"查找撤销记录时出错，请重试。", frame.GetHWND());
        return;
    }
    if (found->empty()) {
        ShowMessageBox(kGuardCaption,
                       L"没有找到可以撤销的修改（本程序的修复和保存会在桌面留下 "
                       L"QNBootRepair_undo_ 开头的文件夹；在 Windows PE 中则在所修复系统分区的"
                       L"根目录）。",
                       frame.GetHWND());
        return;
    }
    const FoundUndoRecord& newest = found->front();
    // A run that was cut short left a record without its last line: it is offered all the same,
    // as what it is.
    const std::wstring question =
        L"最近一次可以撤销的修改: " + newest.record.time + L" 的" + newest.record.operation +
        (newest.record.complete ? L"" : L"（未完成的修复）") + L"\n撤销记录: " + newest.path +
        L"\n\n确定(Y)：撤销这次修改，还原它之前的状态\n取消(C)：不撤销";
    if (ShowQuestionBox(kGuardCaption, question, frame.GetHWND()) != kConfirmYes) {
        return;
    }
    StartUndo(frame, newest.path);
}

}  // namespace qn
