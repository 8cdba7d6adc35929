#include "disk/storage_queries.h"

#include <optional>

#include "disk/device_paths.h"

namespace qn {
namespace {

std::optional<PartitionInformation> VolumePartitionInfo(StoragePort& storage, char letter) {
    const auto normalized = NormalizeDriveLetter(letter);
    if (!normalized) {
        return std::nullopt;
    }
    auto volume = storage.OpenDevice(VolumeDevicePath(*normalized), DeviceAccess::Read);
    if (!volume) {
        return std::nullopt;
    }
    return volume->PartitionInfo();
}

}  // namespace

PartitionStyle GetPartitionStyle(StoragePort& storage, std::int32_t diskNumber) {
    if (diskNumber < 0) {
        return PartitionStyle::Raw;
    }
    auto drive = storage.OpenDevice(PhysicalDrivePath(static_cast<std::uint32_t>(diskNumber)),
                                    DeviceAccess::Read);
    if (!drive) {
        return PartitionStyle::Raw;
    }
    const auto info = drive->PartitionInfo();
    return info ? info->style : PartitionStyle::Raw;
}

std::int32_t GetDiskNumberOfLetter(StoragePort& storage, char letter) {
    const auto normalized = NormalizeDriveLetter(letter);
    if (!normalized) {
        return -1;
    }
    auto volume = storage.OpenDevice(VolumeDevicePath(*normalized), DeviceAccess::Read);
    if (!volume) {
        return -1;
    }
    const auto disk = volume->SingleExtentDiskNumber();
    return disk ? static_cast<std::int32_t>(*disk) : -1;
}

PartitionStyle GetPartitionStyleOfLetter(StoragePort& storage, char letter) {
    return GetPartitionStyle(storage, GetDiskNumberOfLetter(storage, letter));
}

bool IsEfiSystemPartition(StoragePort& storage, char letter) {
    const auto info = VolumePartitionInfo(storage, letter);
    return info && info->style == PartitionStyle::Gpt &&
           info->gpt.partitionType == kEfiSystemPartitionType;
}

std::uint32_t GetPartitionNumberOfLetter(StoragePort& storage, char letter) {
    const auto info = VolumePartitionInfo(storage, letter);
    return info ? info->partitionNumber : 0;
}

bool IsActivePartition(StoragePort& storage, char letter) {
    const auto info = VolumePartitionInfo(storage, letter);
    return info && info->style == PartitionStyle::Mbr && info->mbr.bootIndicator;
}

bool IsRemovableDisk(StoragePort& storage, std::int32_t diskNumber) {
    if (diskNumber < 0) {
        return false;
    }
    auto drive = storage.OpenDevice(PhysicalDrivePath(static_cast<std::uint32_t>(diskNumber)),
                                    DeviceAccess::ReadWrite);
    if (!drive) {
        return false;
    }
    const auto hotplug = drive->Hotplug();
    return hotplug && (hotplug->mediaRemovable || hotplug->deviceHotplug);
}

bool IsRemovableLetter(StoragePort& storage, char letter) {
    return IsRemovableDisk(storage, GetDiskNumberOfLetter(storage, letter));
}

bool VolumeExists(StoragePort& storage, char letter) {
    const auto normalized = NormalizeDriveLetter(letter);
    return normalized && storage.DriveType(DriveRoot(*normalized)) != kDriveNoRootDir;
}

}  // namespace qn
