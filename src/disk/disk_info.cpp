#include "disk/disk_info.h"

#include <algorithm>

#include "disk/device_descriptor_text.h"
#include "disk/device_paths.h"
#include "disk/drive_roots.h"

namespace qn {

DiskInfo::DiskInfo(StoragePort& storage, CodePage& codePage)
    : storage_(storage), codePage_(codePage) {
    Refresh();
}

void DiskInfo::Refresh() {
    // The maps point into the lists: drop them first.
    partitionsByDisk_.clear();
    diskByNumber_.clear();
    partitions_.clear();
    disks_.clear();
    BuildVolumes();
    BuildDisks();
    BuildPerDiskLists();
}

void DiskInfo::BuildVolumes() {
    for (std::string& root : SplitDriveRoots(storage_.LogicalDriveStrings())) {
        std::wstring wideRoot;
        for (char c : root) {
            wideRoot.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
        // An empty optical or card drive is listed but has no volume.
        if (!storage_.VolumeReady(wideRoot)) {
            continue;
        }
        PartitionRecord& record = partitions_.emplace_back();
        record.rootPath = std::move(root);
        record.driveType = storage_.DriveType(wideRoot);

        std::uint32_t bytesPerSector = 0;
        if (const auto space = storage_.DiskFreeSpace(wideRoot)) {
            record.sectorsPerCluster = space->sectorsPerCluster;
            record.freeClusters = space->freeClusters;
            record.totalClusters = space->totalClusters;
            bytesPerSector = space->bytesPerSector;
        }
        if (const auto info = storage_.VolumeInfo(wideRoot)) {
            record.volumeLabel = codePage_.FromWide(info->label, CodePageKind::Ansi);
            record.fileSystemName = codePage_.FromWide(info->fileSystemName, CodePageKind::Ansi);
            record.volumeSerialNumber = info->serialNumber;
        }

        record.diskNumber = kUnknownDiskNumber;
        if (const auto letter = DriveLetterOfRoot(record.rootPath)) {
            if (auto volume = storage_.OpenDevice(VolumeDevicePath(*letter), DeviceAccess::Read)) {
                if (const auto disk = volume->SingleExtentDiskNumber()) {
                    record.diskNumber = *disk;
                }
                if (const auto partition = volume->PartitionInfo()) {
                    record.partitionInfo = *partition;
                }
            }
        }

        // The cluster size is a 32-bit quantity; only the count makes the product need 64 bits.
        const std::uint32_t bytesPerCluster = bytesPerSector * record.sectorsPerCluster;
        record.totalBytes = std::uint64_t{bytesPerCluster} * record.totalClusters;
        record.freeBytes = std::uint64_t{bytesPerCluster} * record.freeClusters;
    }
}

void DiskInfo::BuildDisks() {
    for (std::uint32_t number = 0; number < kMaxDisks; ++number) {
        // Query-only access: describing a disk needs no rights on its sectors.
        auto drive = storage_.OpenDevice(PhysicalDrivePath(number), DeviceAccess::QueryOnly);
        if (!drive) {
            continue;
        }
        const auto descriptor = drive->DeviceDescriptor();
        if (!descriptor) {
            continue;
        }
        DeviceDescriptorTexts texts = ReadDeviceDescriptorTexts(*descriptor);
        DiskRecord& disk = disks_.emplace_back();
        disk.vendorId = std::move(texts.vendorId);
        disk.productId = std::move(texts.productId);
        disk.serialNumber = std::move(texts.serialNumber);
        disk.diskNumber = number;
        if (const auto geometry = drive->Geometry()) {
            disk.bytesPerSector = geometry->bytesPerSector;
            disk.diskSize = geometry->diskSize;
            disk.tracksPerCylinder = geometry->tracksPerCylinder;
            disk.sectorsPerTrack = geometry->sectorsPerTrack;
            disk.mediaType = geometry->mediaType;
            disk.cylinders = geometry->cylinders;
        }
    }
}

void DiskInfo::BuildPerDiskLists() {
    for (const DiskRecord& disk : disks_) {
        // A card reader without a card: listed as a disk, but nothing can be on it.
        if (disk.diskSize == 0) {
            continue;
        }
        std::vector<PartitionRecord*> onDisk;
        for (PartitionRecord& partition : partitions_) {
            if (partition.diskNumber == disk.diskNumber) {
                onDisk.push_back(&partition);
            }
        }
        // Stable, so letters at the same offset keep root order.
        std::stable_sort(
            onDisk.begin(), onDisk.end(), [](const PartitionRecord* a, const PartitionRecord* b) {
                return a->partitionInfo.startingOffset < b->partitionInfo.startingOffset;
            });
        for (std::size_t i = 0; i < onDisk.size(); ++i) {
            if (i == 0) {
                onDisk[i]->ordinalOnDisk = 1;
            } else if (onDisk[i]->partitionInfo.startingOffset ==
                       onDisk[i - 1]->partitionInfo.startingOffset) {
                onDisk[i]->ordinalOnDisk = onDisk[i - 1]->ordinalOnDisk;
            } else {
                onDisk[i]->ordinalOnDisk = onDisk[i - 1]->ordinalOnDisk + 1;
            }
        }
        partitionsByDisk_[disk.diskNumber].assign(onDisk.begin(), onDisk.end());
        diskByNumber_[disk.diskNumber] = &disk;
    }
}

std::wstring DiskInfo::GetVolumeLabelOfLetter(char letter) const {
    const auto normalized = NormalizeDriveLetter(letter);
    if (!normalized) {
        return {};
    }
    const std::string root{*normalized, ':', '\\'};
    for (const PartitionRecord& partition : partitions_) {
        if (partition.rootPath == root) {
            return codePage_.ToWide(partition.volumeLabel, CodePageKind::Ansi);
        }
    }
    return {};
}

std::int32_t DiskInfo::GetOrdinalOfLetter(char letter) const {
    const auto normalized = NormalizeDriveLetter(letter);
    if (!normalized) {
        return 1;
    }
    const std::string root{*normalized, ':', '\\'};
    for (const auto& [number, onDisk] : partitionsByDisk_) {
        for (const PartitionRecord* partition : onDisk) {
            if (partition->rootPath == root) {
                return static_cast<std::int32_t>(partition->ordinalOnDisk);
            }
        }
    }
    return 1;
}

}  // namespace qn
