#include "run/machine_description.h"

#include <cstdio>

#include "boot/text_helpers.h"
#include "disk/storage_queries.h"

namespace qn {
namespace {

std::wstring Wide(CodePage& codePage, const std::string& text) {
    return codePage.ToWide(text, CodePageKind::Ansi);
}

}  // namespace

std::wstring SizeText(std::uint64_t bytes) {
    constexpr const wchar_t* kUnits[] = {L"B", L"KB", L"MB", L"GB", L"TB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    wchar_t text[32] = {};
    std::swprintf(text, 32, value < 10.0 && unit > 0 ? L"%.1f %ls" : L"%.0f %ls", value,
                  kUnits[unit]);
    return text;
}

MachineFacts GatherMachineFacts(const DiskInfo& inventory, StoragePort& storage, CodePage& codePage,
                                const InstallationTable& installations) {
    MachineFacts facts;
    facts.installations = installations;
    for (const DiskRecord& record : inventory.Disks()) {
        MachineFacts::Disk disk;
        disk.number = record.diskNumber;
        disk.style = GetPartitionStyle(storage, static_cast<std::int32_t>(record.diskNumber));
        disk.size = record.diskSize;
        const std::wstring vendor = Wide(codePage, record.vendorId);
        const std::wstring product = Wide(codePage, record.productId);
        disk.model = vendor + (vendor.empty() || product.empty() ? L"" : L" ") + product;
        const auto onDisk = inventory.PartitionsByDisk().find(record.diskNumber);
        if (onDisk != inventory.PartitionsByDisk().end()) {
            for (const PartitionRecord* record : onDisk->second) {
                const PartitionInformation& info = record->partitionInfo;
                MachineFacts::Partition partition;
                partition.letter = record->rootPath.empty() ? 0 : record->rootPath[0];
                partition.label = Wide(codePage, record->volumeLabel);
                partition.fileSystem = Wide(codePage, record->fileSystemName);
                partition.size = record->totalBytes;
                partition.number = info.partitionNumber;
                partition.active = info.style == PartitionStyle::Mbr && info.mbr.bootIndicator;
                partition.esp = info.style == PartitionStyle::Gpt &&
                                info.gpt.partitionType == kEfiSystemPartitionType;
                disk.partitions.push_back(partition);
            }
        }
        facts.disks.push_back(std::move(disk));
    }
    return facts;
}

std::vector<std::wstring> DescribeMachine(const MachineFacts& facts) {
    std::vector<std::wstring> lines;
    for (const MachineFacts::Disk& disk : facts.disks) {
        lines.push_back(L"磁盘 " + std::to_wstring(disk.number) + L": " +
                        PartitionStyleName(disk.style) + L", " + SizeText(disk.size) +
                        (disk.model.empty() ? L"" : L", " + disk.model));
        for (const MachineFacts::Partition& partition : disk.partitions) {
            std::wstring line = L"  " + DriveText(partition.letter);
            if (!partition.label.empty()) {
                line += L" (" + partition.label + L")";
            }
            line += L" " + partition.fileSystem + L" " + SizeText(partition.size);
            if (partition.number != 0) {
                line += L" 分区 " + std::to_wstring(partition.number);
            }
            if (partition.active) {
                line += L" 激活分区";
            }
            if (partition.esp) {
                line += L" EFI系统分区";
            }
            lines.push_back(line);
        }
    }
    if (facts.installations.empty()) {
        lines.push_back(L"没有找到 Windows");
    }
    for (const auto& [letter, system] : facts.installations) {
        wchar_t version[16] = {};
        std::swprintf(version, 16, L"%.1f", static_cast<double>(system.version));
        lines.push_back(L"Windows " + DriveText(letter) + L" " + system.displayName + L" (" +
                        version + L", " + std::to_wstring(system.archBits) + L" 位)" +
                        (system.selected != 0 ? L" 已选择修复" : L""));
    }
    return lines;
}

}  // namespace qn
