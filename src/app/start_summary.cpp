#include "app/start_summary.h"

#include "boot/text_helpers.h"
#include "disk/storage_queries.h"

namespace qn {
namespace {

const std::wstring kEntryGap = L"    ";

std::wstring DiskLabel(std::uint32_t number) {
    return L"磁盘" + std::to_wstring(number);
}

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

std::vector<DiskSummaryInput> SummaryInputFrom(const DiskInfo& inventory, StoragePort& storage) {
    std::vector<DiskSummaryInput> disks;
    for (const auto& [number, partitions] : inventory.PartitionsByDisk()) {
        DiskSummaryInput& disk = disks.emplace_back();
        disk.diskNumber = number;
        disk.style = GetPartitionStyle(storage, static_cast<std::int32_t>(number));
        for (const PartitionRecord* record : partitions) {
            disk.partitions.push_back({record->rootPath, record->partitionInfo.mbr.bootIndicator});
        }
    }
    return disks;
}

StartSummary BuildStartSummary(const std::vector<DiskSummaryInput>& disks,
                               const std::map<std::int32_t, char>& espLetters, bool isWinPE) {
    StartSummary summary;
    for (const DiskSummaryInput& disk : disks) {
        const auto number = static_cast<std::int32_t>(disk.diskNumber);
        switch (disk.style) {
            case PartitionStyle::Mbr:
                summary.diskText += DiskLabel(disk.diskNumber) + L":MBR" + kEntryGap;
                for (const auto& partition : disk.partitions) {
                    if (!partition.bootIndicator || partition.rootPath.empty()) {
                        continue;
                    }
                    summary.bootPartitions[number] = {number, disk.style, partition.rootPath[0]};
                    summary.activeText +=
                        DiskLabel(disk.diskNumber) + L":     " +
                        Widen(partition.rootPath.substr(0, partition.rootPath.size() - 1)) +
                        kEntryGap;
                }
                break;
            case PartitionStyle::Gpt: {
                summary.diskText += DiskLabel(disk.diskNumber) + L":GPT" + kEntryGap;
                const auto esp = espLetters.find(static_cast<std::int32_t>(disk.diskNumber));
                if (esp != espLetters.end()) {
                    summary.bootPartitions[number] = {number, disk.style, esp->second};
                    summary.activeText +=
                        DiskLabel(disk.diskNumber) + L":     " + DriveText(esp->second) + kEntryGap;
                } else if (!isWinPE) {
                    // The text names disk 0 whatever the disk number; the map still records
                    // the real disk.
                    summary.bootPartitions[number] = {number, disk.style, kEspWithoutLetter};
                    summary.activeText += L"磁盘0:ESP" + kEntryGap;
                }
                break;
            }
            default:
                summary.diskText += DiskLabel(disk.diskNumber) + L":RAW" + kEntryGap;
                break;
        }
    }
    return summary;
}

bool IsWinPeSystemDirectory(const std::wstring& systemDirectory) {
    return !systemDirectory.empty() && systemDirectory[0] == L'X';
}

std::wstring OperatingSystemText(const std::wstring& productName, bool isWinPE) {
    return isWinPE ? productName + L" PE" : productName;
}

}  // namespace qn
