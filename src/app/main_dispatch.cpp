#include "app/main_dispatch.h"

#include <array>

#include "app/main_messages.h"

namespace qn {
namespace {

struct ClickEntry {
    std::wstring_view name;
    MainAction action;
};

// Mode-dependent entries are resolved in ClickAction.
constexpr std::array<ClickEntry, 24> kClickTable{{
    {L"btn_close", MainAction::CloseWindow},
    {L"BtnRsQuit", MainAction::CloseWindow},
    {L"btn_min", MainAction::Minimize},
    {L"BtnAutoRepair", MainAction::StartAutoRepairFlow},
    {L"BtnManuRepair", MainAction::StartManualRepairFlow},
    {L"BtnEditBcd", MainAction::StartEditBootFlow},
    {L"BtnRepairMBR", MainAction::StartRepairMbrFlow},
    {L"BtnSpReturn", MainAction::ShowStartPage},
    {L"BtnRsReturn", MainAction::ShowStartPage},
    {L"BtnRsUndo", MainAction::UndoLastRepair},
    {L"BtnSpNext", MainAction::AcceptCheckedInstalls},
    {L"BtnBootReturn", MainAction::None},
    {L"BtnBootRepair", MainAction::None},
    {L"BtnMBRPre", MainAction::ShowBootPartitionPage},
    {L"BtnMRNt6", MainAction::StartMbrRepairNt6},
    {L"BtnMRNt5", MainAction::StartMbrRepairNt5},
    {L"BtnMBRRepair", MainAction::StartMbrRepairMbr},
    {L"BtnBeReturn", MainAction::ShowStartPage},
    {L"BtnBeSave", MainAction::SaveBootEntries},
    {L"BtnBeUp", MainAction::MoveEntryUp},
    {L"BtnBeDown", MainAction::MoveEntryDown},
    {L"BtnBeDel", MainAction::RemoveEntry},
    {L"BtnBeAddEntry", MainAction::AddEntry},
    {L"BtnBeRestore", MainAction::UndoEarlierRun},
}};

constexpr std::array<std::wstring_view, kClickTable.size()> kNames = [] {
    std::array<std::wstring_view, kClickTable.size()> names{};
    for (std::size_t i = 0; i < kClickTable.size(); ++i) {
        names[i] = kClickTable[i].name;
    }
    return names;
}();

MainAction BootReturnAction(int workMode) {
    switch (workMode) {
        case ModeRepairMbr:
        case ModeEditBoot:
            return MainAction::ShowStartPage;
        case ModeManualRepair:
            return MainAction::ShowInstallPage;
        default:
            return MainAction::None;
    }
}

MainAction BootRepairAction(int workMode) {
    switch (workMode) {
        case ModeManualRepair:
            return MainAction::StartManualRepair;
        case ModeRepairMbr:
            return MainAction::CheckMbrTarget;
        case ModeEditBoot:
            return MainAction::OpenBootFilesForEdit;
        default:
            return MainAction::None;
    }
}

}  // namespace

MainAction ClickAction(std::wstring_view sender, int workMode) {
    for (const ClickEntry& entry : kClickTable) {
        if (entry.name != sender) {
            continue;
        }
        if (sender == L"BtnBootReturn") {
            return BootReturnAction(workMode);
        }
        if (sender == L"BtnBootRepair") {
            return BootRepairAction(workMode);
        }
        return entry.action;
    }
    return MainAction::None;
}

MainAction NotificationAction(std::wstring_view type, std::wstring_view sender, int workMode) {
    if (type == L"click") {
        return ClickAction(sender, workMode);
    }
    if (type == L"itemselect") {
        return sender == L"CmbBootFile" ? MainAction::LoadBootEntries : MainAction::None;
    }
    if (type == L"textchanged") {
        if (sender == L"edTimeout") {
            return MainAction::FilterTimeoutEdit;
        }
        if (sender == L"edBeTimeout") {
            return MainAction::FilterBootEditTimeout;
        }
    }
    return MainAction::None;
}

MainAction MessageAction(unsigned message, int workMode) {
    switch (message) {
        case WM_DETECT_DONE:
            if (workMode == ModeAutoRepair) {
                return MainAction::StartAutomaticRepair;
            }
            return workMode == ModeManualRepair ? MainAction::FillInstallList : MainAction::None;
        case WM_DETECT_PROGRESS:
            return MainAction::ShowDetectProgress;
        case WM_RESULT_LINE:
            return MainAction::AppendResultLine;
        case WM_REPAIR_DONE:
            return MainAction::RepairDone;
        case WM_BOOTLIST_READY:
            return MainAction::FillBootEditPage;
        case WM_DIAGNOSIS_READY:
            return MainAction::ShowDiagnosis;
        case WM_GUARD_QUESTION:
            return MainAction::AskGuardQuestion;
        case WM_UNDO_RECORD:
            return MainAction::KeepUndoRecord;
        case WM_BOOTSAVE_DONE:
            return MainAction::FinishBootSave;
        case WM_UNDOLIST_READY:
            return MainAction::OfferEarlierUndo;
        default:
            return MainAction::PassToBase;
    }
}

std::span<const std::wstring_view> ClickTableNames() {
    return kNames;
}

}  // namespace qn
