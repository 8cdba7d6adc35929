#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disk/partition_information.h"

namespace qn {

// How a device is opened: query-only (no access rights), GENERIC_READ, or GENERIC_READ|WRITE.
// Every open shares read and write with other users of the device.
enum class DeviceAccess { QueryOnly, Read, ReadWrite };

struct FreeSpace {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t freeClusters = 0;
    std::uint32_t totalClusters = 0;
};

struct VolumeInformation {
    std::wstring label;
    std::uint32_t serialNumber = 0;
    std::wstring fileSystemName;
};

struct DiskGeometry {
    std::int64_t cylinders = 0;
    std::int32_t mediaType = 0;  // 11 RemovableMedia, 12 FixedMedia
    std::uint32_t tracksPerCylinder = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint64_t diskSize = 0;
};

// How a sector write ended. Anything but Written may have changed nothing or part of the range;
// ReadBackDiffers means the device took the write and now holds other bytes (or reading them
// back failed).
enum class SectorWriteResult { Written, NotOpenForWrite, LockFailed, WriteFailed, ReadBackDiffers };

struct HotplugInfo {
    bool mediaRemovable = false;
    bool deviceHotplug = false;
};

// An open volume or physical drive (or, in tests, an image file). Closed when destroyed. Each
// query is one DeviceIoControl; a sector read is one seek and one ReadFile.
class StorageDevice {
public:
    virtual ~StorageDevice() = default;

    // IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS with room for exactly one extent: a volume that spans
    // more than one disk fails, as it does on Windows.
    virtual std::optional<std::uint32_t> SingleExtentDiskNumber() = 0;
    // IOCTL_DISK_GET_PARTITION_INFO_EX.
    virtual std::optional<PartitionInformation> PartitionInfo() = 0;
    // IOCTL_STORAGE_QUERY_PROPERTY (StorageDeviceProperty, PropertyStandardQuery): the raw
    // STORAGE_DEVICE_DESCRIPTOR bytes, so the text offsets in it are decoded by portable code.
    virtual std::optional<std::vector<std::uint8_t>> DeviceDescriptor() = 0;
    // IOCTL_DISK_GET_DRIVE_GEOMETRY_EX.
    virtual std::optional<DiskGeometry> Geometry() = 0;
    // IOCTL_STORAGE_GET_HOTPLUG_INFO.
    virtual std::optional<HotplugInfo> Hotplug() = 0;

    // The device's logical sector size in bytes: the geometry's (IOCTL_DISK_GET_DRIVE_GEOMETRY_EX,
    // which a volume answers with its disk's), or 512 when the device has none (an image file).
    virtual std::uint32_t LogicalSectorBytes() = 0;
    // Reads count whole logical sectors from sector first on (sector 0 of a physical drive is its
    // master boot record; of a volume, its boot sector) into a buffer aligned as raw device reads
    // need. Only reads: the device must have been opened with DeviceAccess::Read (or ReadWrite);
    // a query-only device fails, as Windows refuses the read. The bytes are count times
    // LogicalSectorBytes(); nullopt when the read fails or comes up short (past the end).
    virtual std::optional<std::vector<std::uint8_t>> ReadSectors(std::uint64_t first,
                                                                 std::uint32_t count) = 0;
    // Writes whole logical sectors from sector first on, then reads them back and compares. The
    // device must have been opened with DeviceAccess::ReadWrite. The device is locked
    // (FSCTL_LOCK_VOLUME) for the write and unlocked after it, so no file system holds a stale
    // copy of what changed; a lock refused means nothing was written. bytes must be a whole
    // number of sectors, at most kMaxSectorsPerRead of them; otherwise WriteFailed, unwritten.
    // Only this device is locked: Windows (Vista on) refuses a write through a disk into a
    // mounted volume's extents unless that volume is locked, so a volume's boot sector is written
    // through the volume ("\\.\C:"), the disk's first sector through the disk. Windows also
    // refuses to lock a volume with open files (the running system's, the one with the loaded
    // BCD store): LockFailed there. An image file (tests) is written without a lock.
    virtual SectorWriteResult WriteSectors(std::uint64_t first,
                                           std::span<const std::uint8_t> bytes) = 0;
};

// The most sectors one ReadSectors call reads; more is refused (nothing here needs more than the
// first few sectors of a disk or a volume).
inline constexpr std::uint32_t kMaxSectorsPerRead = 64;
inline constexpr std::uint32_t kDefaultSectorBytes = 512;

// The Windows storage interfaces the inventory reads. Roots are "C:\", device paths are
// "\\.\C:" or "\\.\PhysicalDrive0".
class StoragePort {
public:
    virtual ~StoragePort() = default;

    // GetLogicalDriveStringsW into a buffer of 255 characters: the raw UTF-16 list of roots,
    // each ended by a NUL, the list ended by another.
    virtual std::u16string LogicalDriveStrings() = 0;
    // GetVolumeInformationA with no outputs: is a volume mounted and ready at this root?
    virtual bool VolumeReady(const std::wstring& root) = 0;
    virtual std::uint32_t DriveType(const std::wstring& root) = 0;
    virtual std::optional<FreeSpace> DiskFreeSpace(const std::wstring& root) = 0;
    virtual std::optional<VolumeInformation> VolumeInfo(const std::wstring& root) = 0;

    // Null when the device cannot be opened.
    virtual std::unique_ptr<StorageDevice> OpenDevice(const std::wstring& path,
                                                      DeviceAccess access) = 0;
};

inline constexpr std::uint32_t kDriveNoRootDir = 1;
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;

}  // namespace qn
