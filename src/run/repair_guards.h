#pragma once

#include <string>
#include <vector>

#include "diagnosis/boot_diagnosis.h"
#include "disk/partition_information.h"
#include "run/repair_request.h"

namespace qn {

// Guardrails: what the program asks before its first write, so that a repair never breaks what it
// does not understand. Decisions only, from a diagnosis (made just before the run) and the run's
// request; the confirmation dialog ("btn_yes" 确定(Y), "btn_no" 取消(C)) and the engine carry them
// out.

enum class GuardKind {
    ForeignMbrCode,    // another boot loader's code in the MBR that bootsect /mbr would replace
    BitLocker,         // a system being repaired, or the boot partition, is BitLocker-encrypted
    FirmwareMismatch,  // the boot partition is of the other firmware's kind
    FirmwareDoubt,     // the running system was started the other way than the disks start
    UefiBootOrder,     // the UEFI boot order starts with another system: bcdboot keeps it
    UndoLoss,          // what the run will change could not all be saved for undo
    UndoChangedSince,  // files an undo would restore were changed after the run: kept unless 确定
};

// What an answer does to the run.
enum class GuardEffect {
    Proceed,            // go on as planned
    ProceedKeepingMbr,  // go on, with bootsect run without /mbr: the master boot record stays
    Stop,               // end before anything is written
};

struct RepairGuard {
    GuardKind kind = GuardKind::ForeignMbrCode;
    // The dialog's text, ending with what each button does; empty for a guard that asks nothing
    // (UefiBootOrder), whose effect is always onYes.
    std::wstring question;
    GuardEffect onYes = GuardEffect::Proceed;  // 确定(Y)
    GuardEffect onNo = GuardEffect::Stop;      // 取消(C), also a dialog closed otherwise
    std::wstring yesMeaning;                   // "改写主引导记录", for the log
    std::wstring noMeaning;                    // "保留主引导记录"
    // The box starts on 确定(Y): the answer the program recommends is going on (FirmwareDoubt).
    bool yesByDefault = false;
    // FirmwareDoubt: the way the run will write, which 确定(Y) confirms as the machine's.
    FirmwareMode firmware = FirmwareMode::Unknown;
    // UefiBootOrder: the bcdboot switch that keeps the firmware's boot order ("/p" or "/addlast").
    std::wstring bcdbootSwitch;
    std::wstring finding;  // what the guard found, in one line for the log
};

// What a run will write, as the guards need to know it.
struct GuardedWork {
    BootPartition boot;
    bool writesMbrCode = false;     // bootsect ... /mbr
    bool writesBootRecord = false;  // bootsect on the boot partition
    bool runsBcdboot = false;       // bcdboot for a Vista-or-later system
    bool bcdbootUefiFiles = false;  // ...with the UEFI files (a GPT or unreadable style)
    bool mbrWorkflow = false;       // the MBR repair page: keeping the MBR leaves nothing to do
    std::vector<char> systems;      // the letters of the systems being repaired
};

// The automatic or manual repair, as RunRepair would do it: the BCD engine when a selected system
// is Vista or later or the boot partition already boots through a store (unless it is cleared),
// the legacy one otherwise.
GuardedWork WorkOfRepair(const RepairRequest& request, const BootDiagnosis& diagnosis);

// The MBR repair page's run: bootsect on the partition, with /mbr for the master boot record.
GuardedWork WorkOfMbrRepair(const MbrRepairRequest& request);

// The guards that apply, in the order they are asked: the foreign MBR code, BitLocker, the
// firmware mismatch, then the boot order (which asks nothing).
std::vector<RepairGuard> DecideRepairGuards(const BootDiagnosis& diagnosis,
                                            const GuardedWork& work);

// Asked right before the first write when the undo copies could not all be made (lost says
// what): going on means a repair that cannot be undone, so 取消(C) changes nothing.
RepairGuard UndoLossGuard(const std::wstring& lost);

// Refused: no one may answer for the user (a script without /yes): the run ends, whatever
// 取消(C) would have done.
enum class GuardAnswer { Yes, No, Refused };

// The run as the answers leave it.
struct GuardOutcome {
    bool stop = false;
    bool keepMbr = false;        // bootsect without /mbr
    std::wstring bcdbootSwitch;  // added to every bcdboot run; empty: none
    // How the user said the machine starts (FirmwareDoubt answered 确定(Y)); Unknown: not asked.
    FirmwareMode confirmedFirmware = FirmwareMode::Unknown;
    std::vector<std::wstring> logLines;  // per guard: what it found and what was chosen
};

// answers: one per guard with a question, in order; asking stops at the first answer that stops
// the run, and a question left unanswered counts as 取消(C).
GuardOutcome ApplyGuardAnswers(const std::vector<RepairGuard>& guards,
                               const std::vector<GuardAnswer>& answers);

// The dialog's caption: the one the program uses for hints.
inline constexpr wchar_t kGuardCaption[] = L"提示信息";

}  // namespace qn
