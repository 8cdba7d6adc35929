#include "repair/machine_description.h"

#include <cstdio>

#include "disk/storage_queries.h"

namespace qn {
namespace {

std::wstring StyleName(PartitionStyle style) {
    switch (style) {
        case PartitionStyle::Mbr:
            return L"MBR";
        case PartitionStyle::Gpt:
            return L"GPT";
        case PartitionStyle::Raw:
            break;
    }
    return L"RAW";
}

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

std::vector<std::wstring> DescribeMachine(const DiskInfo& inventory, StoragePort& storage,
                                          CodePage& codePage,
                                          const InstallationTable& installations) {
    std::vector<std::wstring> lines;
    for (const DiskRecord& disk : inventory.Disks()) {
        std::wstring model = Wide(codePage, disk.vendorId);
        const std::wstring product = Wide(codePage, disk.productId);
        model += (model.empty() || product.empty() ? L"" : L" ") + product;
        lines.push_back(
            L"磁盘 " + std::to_wstring(disk.diskNumber) + L": " +
            StyleName(GetPartitionStyle(storage, static_cast<std::int32_t>(disk.diskNumber))) +
            L", " + SizeText(disk.diskSize) + (model.empty() ? L"" : L", " + model));
        const auto onDisk = inventory.PartitionsByDisk().find(disk.diskNumber);
        if (onDisk == inventory.PartitionsByDisk().end()) {
            continue;
        }
        for (const PartitionRecord* partition : onDisk->second) {
            const PartitionInformation& info = partition->partitionInfo;
            std::wstring line = L"  " + Wide(codePage, partition->rootPath.substr(0, 2));
            const std::wstring label = Wide(codePage, partition->volumeLabel);
            if (!label.empty()) {
                line += L" (" + label + L")";
            }
            line += L" " + Wide(codePage, partition->fileSystemName) + L" " +
                    SizeText(partition->totalBytes);
            if (info.partitionNumber != 0) {
                line += L" 分区 " + std::to_wstring(info.partitionNumber);
            }
            if (info.style == PartitionStyle::Mbr && info.mbr.bootIndicator) {
                line += L" 激活分区";
            }
            if (info.style == PartitionStyle::Gpt &&
                info.gpt.partitionType == kEfiSystemPartitionType) {
                line += L" EFI系统分区";
            }
            lines.push_back(line);
        }
    }
    if (installations.empty()) {
        lines.push_back(L"没有找到 Windows");
    }
    for (const auto& [letter, system] : installations) {
        wchar_t version[16] = {};
        std::swprintf(version, 16, L"%.1f", static_cast<double>(system.version));
        lines.push_back(L"Windows " + std::wstring(1, static_cast<wchar_t>(letter)) + L": " +
                        system.displayName + L" (" + version + L", " +
                        std::to_wstring(system.archBits) + L" 位)" +
                        (system.selected != 0 ? L" 已选择修复" : L""));
    }
    return lines;
}

}  // namespace qn
