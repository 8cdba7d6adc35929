// The stand-in bootsect: NT6 or NT5 boot code into volumes' boot records and, with /mbr, into
// the master boot record of each volume's disk, printing the lines the real tool prints.
#include <set>

#include "sim/boot_sector.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"
#include "sim/stand_in_tools.h"

namespace qn::sim {
namespace {

constexpr unsigned long kFailed = 1;

std::wstring FileSystemLine(ToolLanguage language, const std::wstring& fileSystem) {
    const std::wstring fs = LowerCase(fileSystem);
    return Text(language, fs == L"ntfs"    ? ToolText::BootsectUpdatedNtfs
                          : fs == L"fat32" ? ToolText::BootsectUpdatedFat32
                                           : ToolText::BootsectUpdatedFat);
}

// bootsect writes the code even when it cannot lock the volume, and says so in a warning whose
// reason (the lock's Win32 error) comes indented below it; the run still counts as a success.
std::wstring UnlockedLines(ToolLanguage language, const std::wstring& fileSystem) {
    const std::wstring fs = LowerCase(fileSystem);
    return L"    " +
           Text(language, fs == L"ntfs"    ? ToolText::BootsectUnlockedNtfs
                          : fs == L"fat32" ? ToolText::BootsectUnlockedFat32
                                           : ToolText::BootsectUnlockedFat) +
           L"\r\n    " + Text(language, ToolText::BootsectUnlockedTail) + L"\r\n        " +
           Text(language, ToolText::AccessDenied) + L"\r\n";
}

struct BootsectOptions {
    std::optional<bool> nt60;
    std::optional<std::wstring> target;  // lower case: "sys", "all" or "c:"
    bool force = false;
    bool mbr = false;
    bool valid = true;
};

BootsectOptions ParseOptions(const std::vector<std::wstring>& arguments) {
    BootsectOptions options;
    for (const std::wstring& argument : arguments) {
        const std::wstring lower = LowerCase(argument);
        if ((lower == L"/nt60" || lower == L"/nt52") && !options.nt60) {
            options.nt60 = lower == L"/nt60";
        } else if (lower == L"/force") {
            options.force = true;
        } else if (lower == L"/mbr") {
            options.mbr = true;
        } else if (!options.target && !lower.empty() && lower[0] != L'/') {
            options.target = lower;
        } else {
            options.valid = false;
        }
    }
    return options;
}

// The volumes a target names; none for a target bootsect does not take.
std::optional<std::vector<const DiskVolume*>> TargetVolumes(const SimMachine& machine,
                                                            const std::wstring& target) {
    std::vector<const DiskVolume*> volumes;
    if (target == L"sys") {
        if (const DiskVolume* system = machine.SystemPartition()) {
            volumes.push_back(system);
        }
    } else if (target == L"all") {
        for (const DiskVolume& volume : machine.DiskVolumes()) {
            if (machine.LetterOf(volume) != 0 || &volume == machine.SystemPartition()) {
                volumes.push_back(&volume);
            }
        }
    } else if (target.size() == 2 && target[1] == L':') {
        if (const DiskVolume* volume = machine.VolumeAtLetter(target[0])) {
            volumes.push_back(volume);
        }
    } else {
        return std::nullopt;
    }
    return volumes;
}

// With /mbr, the disk that holds the volume; a volume on two disks has no one disk to update. A
// GPT disk's protective MBR is left as it is, and that is no failure.
void UpdateDisk(SimMachine& machine, const DiskVolume& volume, bool nt60, std::wstring& out) {
    const ToolLanguage language = machine.Language();
    out += L"\r\n\\??\\PhysicalDrive" + std::to_wstring(volume.disk->number) + L"\r\n\r\n    ";
    if (volume.disk->style == PartitionStyle::Mbr) {
        machine.SetMbrCode(volume.disk->number, nt60 ? MbrCode::Nt60 : MbrCode::Nt52);
        out += Text(language, ToolText::BootsectUpdatedDisk) + L"\r\n";
    } else {
        out += Text(language, ToolText::BootsectGptDisk) + L"\r\n";
    }
}

// One volume's boot record (and its disk's MBR once), its lines into out; false when the volume
// could not be updated.
bool UpdateVolume(SimMachine& machine, const DiskVolume& volume, const BootsectOptions& options,
                  std::wstring& out, std::set<std::uint32_t>& disksDone) {
    const ToolLanguage language = machine.Language();
    const wchar_t letter = machine.LetterOf(volume);
    const std::wstring name = L"\\\\?\\Volume{" + volume.id + L"}";
    out += L"\r\n" + (letter != 0 ? std::wstring(1, letter) + L": (" + name + L")" : name) +
           L"\r\n\r\n";
    const ScenarioPartition& p = *volume.partition;
    // An encrypted volume's first sector is BitLocker's; bootsect leaves it alone.
    if (!HasBootCodeLayout(p.fileSystem) ||
        machine.VolumeBootCode(volume) == BootRecordCode::BitLocker) {
        out += L"    " + Text(language, ToolText::BootsectUnknownFileSystem) + L"\r\n";
        return false;
    }
    // Without /force the volume must be locked, which open handles prevent; /force
    // dismounts it instead, which Windows refuses for the volume it runs from.
    const bool running = &volume == machine.RunningVolume();
    bool locked = !machine.VolumeInUse(volume);
    if (options.force && !running) {
        out += L"    " + Text(language, ToolText::BootsectForcedDismount) + L"\r\n\r\n";
        locked = true;
    }
    machine.SetBootRecordCode(volume.id,
                              *options.nt60 ? BootRecordCode::Bootmgr : BootRecordCode::Ntldr);
    out += locked ? L"    " + FileSystemLine(language, p.fileSystem) + L"\r\n"
                  : UnlockedLines(language, p.fileSystem);
    if (options.mbr && !p.spanned && disksDone.insert(volume.disk->number).second) {
        UpdateDisk(machine, volume, *options.nt60, out);
    }
    return true;
}

}  // namespace

ToolOutcome RunBootsect(SimMachine& machine, const std::vector<std::wstring>& arguments) {
    const ToolLanguage language = machine.Language();
    const BootsectOptions options = ParseOptions(arguments);
    if (!options.valid || !options.nt60 || !options.target) {
        return {kFailed, Text(language, ToolText::ParameterIncorrect) +
                             L"\r\nbootsect {/help|/nt52|/nt60} {SYS|ALL|<DriveLetter>:} "
                             L"[/force] [/mbr]\r\n"};
    }
    const auto volumes = TargetVolumes(machine, *options.target);
    if (!volumes) {
        return {kFailed, Text(language, ToolText::ParameterIncorrect) + L"\r\n"};
    }
    if (volumes->empty()) {
        return {kFailed, Text(language, ToolText::PathNotFound) + L"\r\n"};
    }
    std::wstring out = Text(language, *options.nt60 ? ToolText::BootsectTargetNt60
                                                    : ToolText::BootsectTargetNt52) +
                       L"\r\n";
    bool allUpdated = true;
    std::set<std::uint32_t> disksDone;
    for (const DiskVolume* volume : *volumes) {
        if (!UpdateVolume(machine, *volume, options, out, disksDone)) {
            allUpdated = false;
        }
    }
    out += L"\r\n" +
           Text(language,
                allUpdated ? ToolText::BootsectAllUpdated : ToolText::BootsectNotAllUpdated) +
           L"\r\n";
    return {allUpdated ? 0ul : kFailed, out};
}

}  // namespace qn::sim
