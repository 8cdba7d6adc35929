#include "repair/repair_start.h"

#include "boot/text_helpers.h"
#include "run/repair_request.h"

namespace qn {

FirmwareKind FirmwareOf(const BootDiagnosis* diagnosis) {
    return diagnosis != nullptr ? FirmwareKind{diagnosis->firmware, diagnosis->architecture}
                                : FirmwareKind{};
}

bool Starts32BitFromGpt(const WindowsInstall& system, const FirmwareKind& firmware) {
    constexpr float kWindows8 = 6.2f;
    return firmware.mode == FirmwareMode::Uefi &&
           firmware.architecture == FirmwareArchitecture::X86 && system.version >= kWindows8;
}

void SelectForAutomaticRepair(InstallationTable& installations, PartitionStyle bootStyle,
                              const FirmwareKind& firmware) {
    for (auto& [letter, system] : installations) {
        if (bootStyle == PartitionStyle::Gpt && system.archBits == 32 &&
            !Starts32BitFromGpt(system, firmware)) {
            continue;
        }
        system.selected = 1;
    }
}

std::optional<std::wstring> Gpt32BitRefusal(const BootPartition& boot,
                                            const InstallationTable& installations,
                                            const FirmwareKind& firmware) {
    if (boot.style != PartitionStyle::Gpt) {
        return std::nullopt;
    }
    for (const auto& [letter, system] : installations) {
        if (system.selected != 0 && system.archBits == 32 &&
            !Starts32BitFromGpt(system, firmware)) {
            const std::wstring where =
                boot.HasLetter() ? DriveLetterText(boot.letter) : std::wstring(L"ESP");
            return L"引导文件所在分区 " + where +
                   L": 所在磁盘分区表类型为GPT，不支持引导32位操作系统，请重新选择！";
        }
    }
    return std::nullopt;
}

BootFileSet FindBootFiles(const BootPartition& boot, FileSystem& files) {
    BootFileSet set;
    if (!boot.HasLetter()) {
        return set;
    }
    set.found = true;
    const std::wstring drive = DriveText(boot.letter);
    const PartitionStyle style = boot.style;
    if (style == PartitionStyle::Gpt) {
        if (files.PathExists(drive + L"\\EFI\\Microsoft\\Boot\\BCD")) {
            set.bcdStorePath = drive + L"\\EFI\\Microsoft\\Boot\\BCD";
        }
    } else if (style == PartitionStyle::Mbr) {
        if (files.PathExists(drive + L"\\Boot\\BCD")) {
            set.bcdStorePath = drive + L"\\Boot\\BCD";
        }
        if (files.PathExists(drive + L"\\boot.ini")) {
            set.bootIniPath = drive + L"\\boot.ini";
        }
    }
    return set;
}

}  // namespace qn
