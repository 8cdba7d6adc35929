#include "app/boot_partition_choice.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "boot/text_helpers.h"
#include "run/repair_request.h"

namespace qn {
namespace {

struct Candidate {
    BootPartition partition;
    bool removable = false;
};

// Fixed disks first, each kind by disk number.
std::vector<Candidate> Ordered(const BootPartitionMap& candidates, const BootDiagnosis* diagnosis) {
    std::vector<Candidate> ordered;
    for (const auto& [disk, partition] : candidates) {
        ordered.push_back({partition, DiskIsRemovable(diagnosis, disk)});
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const Candidate& a, const Candidate& b) {
        return !a.removable && b.removable;
    });
    return ordered;
}

// "partition=S:" -> 'S'.
std::optional<char> PartitionLetter(const std::wstring& device) {
    constexpr std::wstring_view kPrefix = L"partition=";
    if (device.size() != kPrefix.size() + 2 ||
        !EqualsIgnoringCase(std::wstring_view(device).substr(0, kPrefix.size()), kPrefix) ||
        device.back() != L':') {
        return std::nullopt;
    }
    const wchar_t letter = device[kPrefix.size()];
    if (letter >= L'a' && letter <= L'z') {
        return static_cast<char>(letter - L'a' + 'A');
    }
    if (letter >= L'A' && letter <= L'Z') {
        return static_cast<char>(letter);
    }
    return std::nullopt;
}

BootPartitionChoice Chosen(const Candidate& candidate, bool esp, const std::wstring& why) {
    BootPartitionChoice choice;
    choice.partition = candidate.partition;
    choice.removable = candidate.removable;
    choice.why = why;
    choice.text =
        BootPartitionText(candidate.partition, esp, candidate.removable) + L" (" + why + L")";
    return choice;
}

const Candidate* OnDisk(const std::vector<Candidate>& ordered, std::int32_t disk) {
    for (const Candidate& candidate : ordered) {
        if (candidate.partition.disk == disk) {
            return &candidate;
        }
    }
    return nullptr;
}

BootPartitionChoice ChooseForUefi(const std::vector<Candidate>& ordered,
                                  const BootDiagnosis& diagnosis,
                                  const InstallationTable& installations) {
    for (const FirmwareBootEntry& entry : diagnosis.firmwareOrder) {
        const auto letter = entry.windows ? PartitionLetter(entry.device) : std::nullopt;
        const VolumeDiagnosis* volume = letter ? FindVolume(diagnosis, *letter) : nullptr;
        if (volume == nullptr || !volume->esp || volume->files.bootmgfw != FilePresence::Present) {
            continue;  // dead, or not an entry a repair may take as the firmware's
        }
        const Candidate* candidate = OnDisk(ordered, volume->disk);
        if (candidate != nullptr && candidate->partition.letter == *letter &&
            !candidate->removable) {
            return Chosen(*candidate, true, L"固件的 Windows Boot Manager 启动项");
        }
    }
    const bool anySelected =
        std::any_of(installations.begin(), installations.end(),
                    [](const auto& entry) { return entry.second.selected != 0; });
    for (const auto& [letter, system] : installations) {
        if (anySelected && system.selected == 0) {
            continue;
        }
        const VolumeDiagnosis* volume = FindVolume(diagnosis, letter);
        const Candidate* candidate = volume != nullptr ? OnDisk(ordered, volume->disk) : nullptr;
        if (candidate != nullptr && !candidate->removable) {
            return Chosen(*candidate, true,
                          L"第一个要修复的系统 " + DriveText(letter) + L" 所在的磁盘");
        }
        break;  // only the first selected system's disk counts
    }
    return Chosen(
        ordered.front(), true,
        ordered.front().removable ? L"本机没有固定磁盘的 EFI 系统分区" : L"第一个 EFI 系统分区");
}

}  // namespace

bool DiskIsRemovable(const BootDiagnosis* diagnosis, std::int32_t disk) {
    const DiskDiagnosis* found = diagnosis != nullptr ? FindDisk(*diagnosis, disk) : nullptr;
    return found != nullptr && found->removable;
}

std::wstring BootPartitionText(const BootPartition& partition, bool esp, bool removable) {
    std::wstring text =
        L"磁盘" + std::to_wstring(partition.disk) + (esp ? L" EFI 系统分区" : L" 激活分区");
    text += partition.IsUnletteredEsp() ? std::wstring(L" (无盘符)")
                                        : L" " + DriveText(partition.letter);
    if (removable) {
        text += L" (可移动)";
    }
    return text;
}

BootPartitionChoice ChooseBootPartition(const BootPartitionMap& candidates,
                                        const BootDiagnosis* diagnosis,
                                        const InstallationTable& installations) {
    const std::vector<Candidate> ordered = Ordered(candidates, diagnosis);
    if (ordered.empty()) {
        return {};
    }
    if (diagnosis == nullptr) {
        const Candidate& first = *std::min_element(ordered.begin(), ordered.end(),
                                                   [](const Candidate& a, const Candidate& b) {
                                                       return a.partition.disk < b.partition.disk;
                                                   });
        return Chosen(first, first.partition.IsUnletteredEsp(), L"编号最小的磁盘，引导未能检查");
    }
    if (diagnosis->firmware == FirmwareMode::Uefi) {
        return ChooseForUefi(ordered, *diagnosis, installations);
    }
    const Candidate& first = ordered.front();
    const bool esp = first.partition.IsUnletteredEsp() || [&] {
        const VolumeDiagnosis* volume = FindVolume(*diagnosis, first.partition.letter);
        return volume != nullptr && volume->esp;
    }();
    const DiskDiagnosis* boot = BiosBootDisk(*diagnosis);
    if (boot != nullptr && first.partition.disk == static_cast<std::int32_t>(boot->number)) {
        return Chosen(first, esp, L"BIOS 启动盘");
    }
    return Chosen(first, esp,
                  first.removable ? L"本机没有固定磁盘有激活分区" : L"第一个有激活分区的固定磁盘");
}

}  // namespace qn
