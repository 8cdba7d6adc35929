#include "diagnosis/diagnose_boot.h"

#include <algorithm>

#include "boot/text_helpers.h"
#include "diagnosis/diagnosis_steps.h"
#include "diagnosis/firmware_judgment.h"
#include "disk/device_paths.h"

namespace qn {

InstallationTable FindInstallationsByFiles(FileSystem& files, const DiskInfo& inventory) {
    InstallationTable found;
    for (const PartitionRecord& record : inventory.Partitions()) {
        const auto letter = DriveLetterOfRoot(record.rootPath);
        // X: is never examined: in Windows PE it is the environment's own drive.
        if (!letter || *letter < 'C' || *letter == 'X') {
            continue;
        }
        const std::wstring windows = DriveText(*letter) + L"\\Windows";
        if (!files.PathExists(windows + L"\\System32\\config\\SOFTWARE")) {
            continue;
        }
        WindowsInstall system;
        system.driveLetter = *letter;
        // Not by winload.exe alone: a Windows 7 whose loader was deleted is still no XP.
        const bool vista = diagnosis_detail::HasVistaMarkers(files, *letter);
        system.version = vista ? kVistaVersion : 5.1f;
        system.archBits = files.PathExists(windows + L"\\SysWOW64") ? 64 : 32;
        system.displayName = DriveText(*letter) + L" 上的 Windows" +
                             (vista ? std::wstring() : std::wstring(L" (Vista 以前)"));
        found[*letter] = system;
    }
    return found;
}

BootDiagnosis DiagnoseBoot(DiagnosisPorts& ports, const InstallationTable* installations,
                           char assumedBootPartition, FirmwareMode confirmedFirmware) {
    ScopedFsRedirectionOff redirection(ports.redirection);
    BootDiagnosis result;
    result.runningFirmware = ports.firmware.Mode();
    // The running Windows' own architecture, which is the firmware's on UEFI; read before the
    // volumes, whose fallback loader it names.
    result.architecture = ports.firmware.Architecture();
    result.fallbackLoader = FallbackLoaderPath(result.architecture);
    diagnosis_detail::Diagnosis diagnosis(ports, result);
    diagnosis.installations_ = installations != nullptr
                                   ? *installations
                                   : FindInstallationsByFiles(ports.files, ports.inventory);
    diagnosis.DateUnknownVersions();
    diagnosis.assumed_ = assumedBootPartition;
    diagnosis.ReadDisks();
    diagnosis.ReadVolumes();
    FirmwareJudgment judged = JudgeFirmware(result.runningFirmware, result);
    if (confirmedFirmware != FirmwareMode::Unknown && confirmedFirmware != judged.mode) {
        judged = {
            confirmedFirmware,
            L"当前系统以 " + std::wstring(FirmwareModeText(result.runningFirmware)) + L" 方式启动"};
    }
    result.firmware = judged.mode;
    result.firmwareReason = std::move(judged.reason);
    result.firmwareConfirmed = confirmedFirmware != FirmwareMode::Unknown;
    const std::wstring byDisks = result.firmwareReason.empty() ? std::wstring()
                                 : result.firmwareConfirmed
                                     ? L"（使用者确认；" + result.firmwareReason + L"）"
                                     : L"（按磁盘判断：" + result.firmwareReason + L"）";
    if (result.firmware == FirmwareMode::Uefi) {
        result.chain.push_back(L"固件: UEFI" + byDisks);
        diagnosis.UefiRoad();
    } else {
        result.architecture = FirmwareArchitecture::Unknown;
        result.chain.push_back(result.firmware == FirmwareMode::Bios
                                   ? L"固件: BIOS" + byDisks
                                   : L"固件: 未知（按 BIOS 判断）");
        diagnosis.BiosRoad();
    }
    diagnosis.Judge(diagnosis.installations_);
    DoubtTheFirmware(result);
    return result;
}

std::wstring DiagnosisStatus(const BootDiagnosis& diagnosis) {
    if (diagnosis.boots) {
        return L"引导正常";
    }
    return diagnosis.problem.empty() ? std::wstring(L"无法判断引导状态") : diagnosis.problem;
}

std::vector<char> LockedVolumeLetters(const BootDiagnosis& diagnosis) {
    std::vector<char> letters;
    for (const VolumeDiagnosis& volume : diagnosis.volumes) {
        if (volume.locked) {
            letters.push_back(volume.letter);
        }
    }
    std::sort(letters.begin(), letters.end());
    return letters;
}

const VolumeDiagnosis* FindVolume(const BootDiagnosis& diagnosis, char letter) {
    for (const VolumeDiagnosis& volume : diagnosis.volumes) {
        if (volume.letter == letter) {
            return &volume;
        }
    }
    return nullptr;
}

const DiskDiagnosis* FindDisk(const BootDiagnosis& diagnosis, std::int32_t number) {
    for (const DiskDiagnosis& disk : diagnosis.disks) {
        if (static_cast<std::int32_t>(disk.number) == number) {
            return &disk;
        }
    }
    return nullptr;
}

const DiskDiagnosis* BiosBootDisk(const BootDiagnosis& diagnosis) {
    const DiskDiagnosis* boot = nullptr;
    for (const DiskDiagnosis& disk : diagnosis.disks) {
        if (boot == nullptr || (boot->removable && !disk.removable) ||
            (boot->removable == disk.removable && disk.number < boot->number)) {
            boot = &disk;
        }
    }
    return boot;
}

}  // namespace qn
