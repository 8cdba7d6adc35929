#include "run/repair_guards.h"

#include <algorithm>

#include "boot/text_helpers.h"
#include "disk/windows_install.h"

namespace qn {
namespace {

bool Present(FilePresence presence) {
    return presence != FilePresence::Missing;
}

// The name of the Windows on a letter, as the diagnosis knows it.
std::wstring SystemName(const BootDiagnosis& diagnosis, char letter) {
    for (const InstallationDiagnosis& system : diagnosis.installations) {
        if (system.letter == letter && !system.name.empty()) {
            return DriveText(letter) + L" (" + system.name + L")";
        }
    }
    return DriveText(letter);
}

bool ForeignCode(MbrCodeKind code) {
    return code == MbrCodeKind::Grub || code == MbrCodeKind::Syslinux || code == MbrCodeKind::Other;
}

std::optional<RepairGuard> ForeignMbrGuard(const BootDiagnosis& diagnosis,
                                           const GuardedWork& work) {
    if (!work.writesMbrCode) {
        return std::nullopt;
    }
    const DiskDiagnosis* disk = work.boot.disk >= 0 ? FindDisk(diagnosis, work.boot.disk) : nullptr;
    RepairGuard guard;
    guard.kind = GuardKind::ForeignMbrCode;
    guard.yesMeaning = L"改写主引导记录";
    if (disk == nullptr || !disk->sectorRead) {
        // Fails closed: code it cannot read may be another system's loader.
        guard.finding = disk == nullptr
                            ? L"无法确定 " + DriveText(work.boot.letter) + L" 所在的磁盘"
                            : L"无法读取磁盘" + std::to_wstring(disk->number) + L" 的主引导记录";
        guard.question = guard.finding +
                         L"，无法确认其中是不是其他系统的引导程序。\n如果它正在启动这台电脑上的"
                         L"其他系统（例如 Linux），改写主引导记录后那个系统将无法再启动。\n\n"
                         L"确定(Y)：改写主引导记录，换成 Windows 的引导代码\n";
    } else if (!ForeignCode(disk->mbrCode)) {
        return std::nullopt;
    } else {
        const std::wstring name = L"磁盘" + std::to_wstring(disk->number);
        const std::wstring code = MbrCodeText(disk->mbrCode);
        // A blank between Chinese and a Latin name ("是 GRUB"), none before Chinese ("是其他").
        guard.finding = name + L" 的主引导记录中是" + (code.front() < 0x80 ? L" " : L"") + code +
                        L"，不是 Windows 的";
        guard.question = guard.finding +
                         L"。\n它可能正在启动这台电脑上的其他系统（例如 Linux）。改写主引导记录后，"
                         L"那个系统将无法再从这块磁盘启动。\n\n确定(Y)：改写主引导记录，换成 "
                         L"Windows 的引导代码\n";
    }
    guard.onYes = GuardEffect::Proceed;
    if (work.mbrWorkflow) {
        guard.question += L"取消(C)：保留主引导记录，不做任何更改";
        guard.noMeaning = L"保留主引导记录，不做任何更改";
        guard.onNo = GuardEffect::Stop;
    } else {
        guard.question += L"取消(C)：保留主引导记录，只修复其余部分";
        guard.noMeaning = L"保留主引导记录，只修复其余部分";
        guard.onNo = GuardEffect::ProceedKeepingMbr;
    }
    return guard;
}

std::optional<RepairGuard> BitLockerGuard(const BootDiagnosis& diagnosis, const GuardedWork& work) {
    auto encryptedAt = [&](char letter) {
        const VolumeDiagnosis* volume = FindVolume(diagnosis, letter);
        return volume != nullptr && volume->bootRecord == BootRecordKind::BitLocker;
    };
    std::vector<std::wstring> encrypted;
    for (char letter : work.systems) {
        if (encryptedAt(letter)) {
            encrypted.push_back(SystemName(diagnosis, letter));
        }
    }
    const bool bootIsSystem =
        std::find(work.systems.begin(), work.systems.end(), work.boot.letter) != work.systems.end();
    if (!bootIsSystem && encryptedAt(work.boot.letter)) {
        encrypted.push_back(L"引导分区 " + DriveText(work.boot.letter));
    }
    if (encrypted.empty()) {
        return std::nullopt;
    }
    std::wstring names;
    for (const std::wstring& name : encrypted) {
        names += (names.empty() ? L"" : L"、") + name;
    }
    RepairGuard guard;
    guard.kind = GuardKind::BitLocker;
    guard.finding = names + L" 已启用 BitLocker 驱动器加密";
    guard.question =
        guard.finding +
        L"。\n修复引导会改变启动配置，下次启动时 Windows 可能要求输入 48 位的 BitLocker "
        L"恢复密钥。\n请先确认能找到恢复密钥：它可能保存在您的 Microsoft 帐户中 "
        L"(https://aka.ms/myrecoverykey)、打印的纸张或 U 盘上，或由单位的 IT "
        L"管理员保管；在能启动的 Windows 中也可以用 \"manage-bde -protectors -get C:\" "
        L"查看。\n\n确定(Y)：已确认能找到恢复密钥，继续修复\n取消(C)：停止，不做任何更改";
    guard.onYes = GuardEffect::Proceed;
    guard.onNo = GuardEffect::Stop;
    guard.yesMeaning = L"继续修复";
    guard.noMeaning = L"停止，不做任何更改";
    return guard;
}

// "固件以 UEFI 方式启动", or, when the disks overruled the running system, what they say.
std::wstring MachineStarts(const BootDiagnosis& diagnosis) {
    const std::wstring mode = FirmwareModeText(diagnosis.firmware);
    if (diagnosis.firmwareReason.empty()) {
        return diagnosis.firmware == FirmwareMode::Bios ? L"固件以 BIOS（传统）方式启动"
                                                        : L"固件以 " + mode + L" 方式启动";
    }
    return L"磁盘表明这台电脑以 " + mode + L" 方式启动（当前系统以 " +
           FirmwareModeText(diagnosis.runningFirmware) + L" 方式启动）";
}

// Windows PE started the other way than the disks start: the run follows the disks, but only the
// user knows the firmware's settings, so the question says which way the files will be written.
RepairGuard FirmwareDoubtGuard(const BootDiagnosis& diagnosis, const std::wstring& where) {
    const std::wstring mode = FirmwareModeText(diagnosis.firmware);
    RepairGuard guard;
    guard.kind = GuardKind::FirmwareDoubt;
    guard.finding = MachineStarts(diagnosis) + L"，本次修复按 " + mode + L" 方式写入 " + where;
    guard.question =
        L"这台电脑的启动方式与当前系统不同：" + diagnosis.firmwareReason + L"。\n本次修复按 " +
        mode + L" 方式写入引导分区 " + where + L"。若这台电脑确实以 " +
        FirmwareModeText(diagnosis.runningFirmware) +
        L" 方式启动，请取消，在固件设置中确认启动方式后，用手动修复选择引导分区。\n\n确定(Y)：按 " +
        mode + L" 方式修复（磁盘所示）\n取消(C)：停止，不做任何更改";
    guard.onYes = GuardEffect::Proceed;
    guard.onNo = GuardEffect::Stop;
    guard.yesByDefault = true;
    guard.firmware = diagnosis.firmware;
    guard.yesMeaning = L"按 " + mode + L" 方式修复";
    guard.noMeaning = L"停止，不做任何更改";
    return guard;
}

std::optional<RepairGuard> FirmwareGuard(const BootDiagnosis& diagnosis, const GuardedWork& work) {
    const bool unlettered = work.boot.IsUnletteredEsp();
    const VolumeDiagnosis* boot = unlettered ? nullptr : FindVolume(diagnosis, work.boot.letter);
    const std::wstring where =
        unlettered ? L"EFI 系统分区（没有盘符）" : DriveText(work.boot.letter);
    RepairGuard guard;
    guard.kind = GuardKind::FirmwareMismatch;
    if (diagnosis.firmware == FirmwareMode::Uefi && work.boot.style == PartitionStyle::Mbr &&
        boot != nullptr && !boot->esp) {
        guard.finding = MachineStarts(diagnosis) + L"，而所选的引导分区 " + where +
                        L" 是 MBR 磁盘上的激活分区（BIOS 启动方式）";
        guard.question = L"这台电脑的" + guard.finding +
                         L"。\n修复写入的引导代码和启动项不会被 UEFI 固件使用，修复后系统仍然"
                         L"无法启动。\n若要从这块磁盘启动，需要在固件设置中开启兼容模式"
                         L"（CSM / Legacy），或改用 GPT 磁盘上的 EFI 系统分区。";
    } else if (diagnosis.firmware == FirmwareMode::Bios &&
               (unlettered ||
                (work.boot.style == PartitionStyle::Gpt && boot != nullptr && boot->esp))) {
        guard.finding = MachineStarts(diagnosis) + L"，而所选的引导分区 " + where +
                        L" 是 GPT 磁盘上的 EFI 系统分区（UEFI 启动方式）";
        guard.question = L"这台电脑的" + guard.finding +
                         L"。\n修复写入的启动项不会被 BIOS 固件使用，修复后系统仍然无法从这里"
                         L"启动。\n若要以 UEFI 方式启动，需要在固件设置中关闭兼容模式"
                         L"（CSM / Legacy）；否则请改用 MBR 磁盘上的激活分区。";
    } else if (!diagnosis.firmwareReason.empty()) {
        return FirmwareDoubtGuard(diagnosis, where);
    } else {
        return std::nullopt;
    }
    guard.question += L"\n\n确定(Y)：仍然修复\n取消(C)：停止，不做任何更改";
    guard.onYes = GuardEffect::Proceed;
    guard.onNo = GuardEffect::Stop;
    guard.yesMeaning = L"仍然修复";
    guard.noMeaning = L"停止，不做任何更改";
    return guard;
}

// bcdboot /p leaves an existing Windows Boot Manager entry where it is in the boot order (and adds
// a missing one first); /addlast adds it last. With another system first, /p keeps the order when
// Windows has an entry, /addlast when it has none. Only bcdboot without /s touches the firmware's
// entries; with /s the repair's own firmware step reads the same switch.
// https://learn.microsoft.com/windows-hardware/manufacture/desktop/bcdboot-command-line-options-techref-di
std::optional<RepairGuard> BootOrderGuard(const BootDiagnosis& diagnosis, const GuardedWork& work) {
    if (diagnosis.firmware != FirmwareMode::Uefi || !work.runsBcdboot || !work.bcdbootUefiFiles ||
        !diagnosis.firmwareOrderKnown || diagnosis.firmwareOrder.empty() ||
        diagnosis.firmwareOrder.front().windows) {
        return std::nullopt;
    }
    const bool windowsListed =
        std::any_of(diagnosis.firmwareOrder.begin(), diagnosis.firmwareOrder.end(),
                    [](const FirmwareBootEntry& entry) { return entry.windows; });
    const FirmwareBootEntry& first = diagnosis.firmwareOrder.front();
    const std::wstring name = first.description.empty() ? first.identifier : first.description;
    RepairGuard guard;
    guard.kind = GuardKind::UefiBootOrder;
    guard.bcdbootSwitch = windowsListed ? L"/p" : L"/addlast";
    guard.finding = L"固件启动顺序的第一项是 \"" + name + L"\"，不是 Windows";
    guard.yesMeaning =
        windowsListed ? L"bcdboot 加 /p 运行：Windows 启动管理器留在原来的位置，固件启动顺序不变"
                      : L"bcdboot 加 /addlast 运行：Windows 启动管理器排在固件启动顺序的最后";
    guard.onYes = GuardEffect::Proceed;
    guard.onNo = GuardEffect::Proceed;
    return guard;
}

}  // namespace

GuardedWork WorkOfRepair(const RepairRequest& request, const BootDiagnosis& diagnosis) {
    GuardedWork work;
    work.boot = request.boot;
    bool modern = false;
    for (const auto& [letter, system] : request.installations) {
        if (system.selected != 0) {
            work.systems.push_back(letter);
            modern = modern || system.version >= kVistaVersion;
        }
    }
    if (work.systems.empty()) {
        return work;  // the run ends before it writes
    }
    bool bcdEngine = modern;
    const VolumeDiagnosis* boot = FindVolume(diagnosis, request.boot.letter);
    if (!bcdEngine && boot != nullptr && !request.clearExisting) {
        if (work.boot.style == PartitionStyle::Gpt) {
            bcdEngine = Present(boot->files.efiBcd) && Present(boot->files.bootmgr);
        } else if (work.boot.style == PartitionStyle::Mbr) {
            bcdEngine = Present(boot->files.bcd) && Present(boot->files.bootmgr);
        }
    }
    if (bcdEngine) {
        work.writesMbrCode = work.boot.style == PartitionStyle::Mbr;
        work.runsBcdboot = modern;
        work.bcdbootUefiFiles = work.boot.style != PartitionStyle::Mbr;
    } else {
        work.writesMbrCode = work.boot.style != PartitionStyle::Gpt;
    }
    work.writesBootRecord = work.writesMbrCode;
    return work;
}

GuardedWork WorkOfMbrRepair(const MbrRepairRequest& request) {
    GuardedWork work;
    work.boot = request.boot;
    work.mbrWorkflow = true;
    work.writesBootRecord = true;
    work.writesMbrCode = request.kind == MbrRepairKind::Mbr;
    return work;
}

std::vector<RepairGuard> DecideRepairGuards(const BootDiagnosis& diagnosis,
                                            const GuardedWork& work) {
    std::vector<RepairGuard> guards;
    if (!work.writesMbrCode && !work.writesBootRecord && !work.runsBcdboot &&
        work.systems.empty()) {
        return guards;  // nothing will be written
    }
    for (auto guard : {ForeignMbrGuard(diagnosis, work), BitLockerGuard(diagnosis, work),
                       FirmwareGuard(diagnosis, work), BootOrderGuard(diagnosis, work)}) {
        if (guard) {
            guards.push_back(std::move(*guard));
        }
    }
    return guards;
}

RepairGuard UndoLossGuard(const std::wstring& lost) {
    RepairGuard guard;
    guard.kind = GuardKind::UndoLoss;
    guard.finding = lost + L"，本次修复将无法撤销";
    guard.question = guard.finding + L"。\n\n确定(Y)：仍然修复（无法撤销）\n取消(C)：不做任何更改";
    guard.onYes = GuardEffect::Proceed;
    guard.onNo = GuardEffect::Stop;
    guard.yesMeaning = L"仍然修复（无法撤销）";
    guard.noMeaning = L"不做任何更改";
    return guard;
}

GuardOutcome ApplyGuardAnswers(const std::vector<RepairGuard>& guards,
                               const std::vector<GuardAnswer>& answers) {
    GuardOutcome outcome;
    std::size_t next = 0;
    for (const RepairGuard& guard : guards) {
        GuardEffect effect = guard.onYes;
        std::wstring chosen = guard.yesMeaning;
        if (!guard.question.empty()) {
            const GuardAnswer answer = next < answers.size() ? answers[next] : GuardAnswer::No;
            ++next;
            const bool yes = answer == GuardAnswer::Yes;
            effect = yes ? guard.onYes : guard.onNo;
            chosen = std::wstring(yes ? L"确定(Y)：" : L"取消(C)：") +
                     (yes ? guard.yesMeaning : guard.noMeaning);
            if (answer == GuardAnswer::Refused) {
                effect = GuardEffect::Stop;
                chosen = L"无人确认，已拒绝修复";
            }
        }
        outcome.logLines.push_back(L"修复前检查: " + guard.finding + L" — " + chosen);
        if (!guard.bcdbootSwitch.empty()) {
            outcome.bcdbootSwitch = guard.bcdbootSwitch;
        }
        if (guard.kind == GuardKind::FirmwareDoubt && effect == GuardEffect::Proceed) {
            outcome.confirmedFirmware = guard.firmware;
        }
        if (effect == GuardEffect::ProceedKeepingMbr) {
            outcome.keepMbr = true;
        } else if (effect == GuardEffect::Stop) {
            outcome.stop = true;
            break;
        }
    }
    return outcome;
}

}  // namespace qn
