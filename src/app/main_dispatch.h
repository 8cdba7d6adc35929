#pragma once

#include <span>
#include <string_view>

#include "app/work_mode.h"

namespace qn {

// What the main window does for a notification or message, decided without a window so the
// tables can be driven by tests. The window carries the actions out.

enum class MainAction {
    None,
    CloseWindow,          // close with code 1: shutdown
    Minimize,             // WM_SYSCOMMAND SC_MINIMIZE to itself
    StartAutoRepairFlow,  // "BtnAutoRepair"
    StartManualRepairFlow,
    StartEditBootFlow,
    StartRepairMbrFlow,
    ShowStartPage,
    ShowInstallPage,
    ShowBootPartitionPage,
    AcceptCheckedInstalls,  // then on to the boot partition page
    StartManualRepair,
    CheckMbrTarget,
    OpenBootFilesForEdit,
    StartMbrRepairNt6,
    StartMbrRepairNt5,
    StartMbrRepairMbr,
    SaveBootEntries,
    MoveEntryUp,
    MoveEntryDown,
    RemoveEntry,
    AddEntry,
    UndoLastRepair,         // "BtnRsUndo"
    UndoEarlierRun,         // "BtnBeRestore"
    LoadBootEntries,        // "itemselect" on "CmbBootFile"
    FilterTimeoutEdit,      // "textchanged" on "edTimeout"
    FilterBootEditTimeout,  // "textchanged" on "edBeTimeout"
    // Custom messages.
    StartAutomaticRepair,  // WM_DETECT_DONE in ModeAutoRepair
    FillInstallList,       // WM_DETECT_DONE in ModeManualRepair
    ShowDetectProgress,    // WM_DETECT_PROGRESS
    AppendResultLine,      // WM_RESULT_LINE
    RepairDone,            // WM_REPAIR_DONE
    FillBootEditPage,      // WM_BOOTLIST_READY
    ShowDiagnosis,         // WM_DIAGNOSIS_READY
    AskGuardQuestion,      // WM_GUARD_QUESTION
    KeepUndoRecord,        // WM_UNDO_RECORD
    FinishBootSave,        // WM_BOOTSAVE_DONE
    OfferEarlierUndo,      // WM_UNDOLIST_READY
    PassToBase,            // not one of ours
};

// The click table: the sender's name, compared exactly, first match wins.
MainAction ClickAction(std::wstring_view sender, int workMode);

// A toolkit notification by its type string and sender name.
MainAction NotificationAction(std::wstring_view type, std::wstring_view sender, int workMode);

// A window message; PassToBase for everything that is not one of main_messages.h.
MainAction MessageAction(unsigned message, int workMode);

// Every control name the click table knows, in table order (for tests and the skin check).
std::span<const std::wstring_view> ClickTableNames();

}  // namespace qn
