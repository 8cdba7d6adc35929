#include "diagnosis/firmware_judgment.h"

#include <algorithm>

#include "boot/text_helpers.h"

namespace qn {
namespace {

std::wstring DiskText(std::uint32_t number) {
    return L"磁盘" + std::to_wstring(number);
}

// bootmgr or ntldr, named for the reason; empty when the volume holds neither.
std::wstring BiosLoaderOn(const VolumeDiagnosis& volume) {
    if (volume.files.bootmgr == FilePresence::Present) {
        return L"bootmgr";
    }
    return volume.files.ntldr == FilePresence::Present ? L"ntldr" : L"";
}

std::wstring BiosLoaderOfDisk(const BootDiagnosis& read, const DiskDiagnosis& disk) {
    if (disk.removable || disk.style != PartitionStyle::Mbr || disk.activeLetter == 0) {
        return {};
    }
    const VolumeDiagnosis* active = FindVolume(read, disk.activeLetter);
    return active != nullptr ? BiosLoaderOn(*active) : std::wstring();
}

}  // namespace

FirmwareJudgment JudgeFirmware(FirmwareMode running, const BootDiagnosis& read) {
    const DiskDiagnosis* boot = BiosBootDisk(read);
    if (boot == nullptr || boot->removable) {
        return {running, {}};
    }
    if (running != FirmwareMode::Uefi) {
        const bool biosLoader = std::any_of(
            read.disks.begin(), read.disks.end(),
            [&](const DiskDiagnosis& disk) { return !BiosLoaderOfDisk(read, disk).empty(); });
        if (boot->style != PartitionStyle::Gpt || !boot->hasEsp || biosLoader) {
            return {running, {}};
        }
        const std::wstring esp = boot->espLetter != 0
                                     ? L"EFI 系统分区 " + DriveText(boot->espLetter)
                                     : std::wstring(L"EFI 系统分区（没有盘符）");
        return {FirmwareMode::Uefi,
                std::wstring(running == FirmwareMode::Bios ? L"当前系统以 BIOS 方式启动"
                                                           : L"当前系统的启动方式未知") +
                    L"，而" + DiskText(boot->number) + L" 是 GPT 磁盘，有 " + esp +
                    L"；BIOS 不能从 GPT 磁盘启动 Windows，也没有固定磁盘的激活分区中有 bootmgr "
                    L"或 ntldr"};
    }
    const bool fixedEsp =
        std::any_of(read.disks.begin(), read.disks.end(),
                    [](const DiskDiagnosis& disk) { return !disk.removable && disk.hasEsp; });
    const std::wstring loader = BiosLoaderOfDisk(read, *boot);
    if (fixedEsp || loader.empty()) {
        return {running, {}};
    }
    return {FirmwareMode::Bios, L"当前系统以 UEFI 方式启动，而没有固定磁盘有 EFI 系统分区；" +
                                    DiskText(boot->number) + L" 是 MBR 磁盘，激活分区 " +
                                    DriveText(boot->activeLetter) + L" 中有 " + loader};
}

void DoubtTheFirmware(BootDiagnosis& diagnosis) {
    if (!FirmwareInDoubt(diagnosis)) {
        return;
    }
    const std::wstring doubt =
        diagnosis.firmware == FirmwareMode::Bios
            ? std::wstring(
                  L"磁盘只能以 BIOS 方式启动，而当前系统以 UEFI "
                  L"方式启动，无法确认固件是否开启了兼容模式（CSM / Legacy）")
            : std::wstring(
                  L"磁盘只能以 UEFI 方式启动，而当前系统以 BIOS "
                  L"方式（兼容模式）启动，无法确认固件是否以 UEFI 方式启动磁盘");
    for (InstallationDiagnosis& system : diagnosis.installations) {
        if (system.bootable) {
            system.bootable = false;
            system.reason = doubt;
        }
    }
    if (diagnosis.boots) {
        diagnosis.boots = false;
        diagnosis.unseen = true;
        diagnosis.problem = doubt;
    }
}

}  // namespace qn
