#include "disk/win32/win32_storage_port.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

#include "platform/win32/unique_handle.h"

namespace qn::win32 {
namespace {

// Room for 26 roots of four characters and the final terminator, with plenty to spare.
constexpr DWORD kDriveStringsBuffer = 255;
constexpr DWORD kVolumeTextBuffer = 256;
// Descriptors carry variable-length texts and raw bus properties after the fixed header.
constexpr DWORD kLargeQueryBuffer = 10000;

// Fixed sizes the queries are made with; a volume with a second extent does not fit and fails.
static_assert(sizeof(VOLUME_DISK_EXTENTS) == 32);
static_assert(sizeof(PARTITION_INFORMATION_EX) == 144);
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12);
static_assert(sizeof(STORAGE_HOTPLUG_INFO) == 8);

// An empty floppy or card drive makes Windows ask the user to insert a disk unless critical
// errors are turned off; an inventory must fail such roots quietly instead.
class QuietCriticalErrors {
public:
    QuietCriticalErrors() {
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_);
    }
    ~QuietCriticalErrors() { SetThreadErrorMode(previous_, nullptr); }
    QuietCriticalErrors(const QuietCriticalErrors&) = delete;
    QuietCriticalErrors& operator=(const QuietCriticalErrors&) = delete;

private:
    DWORD previous_ = 0;
};

// Raw reads of a disk or volume must start at a sector boundary, be whole sectors long, and go
// into a buffer aligned to the sector size; VirtualAlloc's page-aligned memory is aligned for
// every sector size there is (512 and 4096 bytes).
// https://learn.microsoft.com/windows/win32/fileio/file-buffering#alignment-and-file-access-requirements
class SectorBuffer {
public:
    explicit SectorBuffer(std::size_t size)
        : data_(static_cast<std::uint8_t*>(
              VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))),
          size_(size) {}
    ~SectorBuffer() {
        if (data_ != nullptr) {
            VirtualFree(data_, 0, MEM_RELEASE);
        }
    }
    SectorBuffer(const SectorBuffer&) = delete;
    SectorBuffer& operator=(const SectorBuffer&) = delete;

    std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    std::uint8_t* data_;
    std::size_t size_;
};

// Holds FSCTL_LOCK_VOLUME on a device for one write and releases it on every way out. Since
// Windows Vista (KB 942448, "Blocking direct write operations to volumes and disks") a write
// through a disk's handle into the sectors of a mounted volume is refused (ERROR_ACCESS_DENIED)
// unless that volume is locked or dismounted; locking the disk's handle does not lock the
// volumes on it. Sectors outside every volume (the first sector of a physical drive) may be
// written. Through a volume's own handle, its boot sectors may be written, the rest only while
// locked. The lock also makes the file system flush and stay off the volume while its sectors
// change. Windows refuses it while anything has a file open on the volume (the running
// Windows', the one whose BCD store is loaded), and on a file's handle.
class VolumeLock {
public:
    explicit VolumeLock(HANDLE handle) : handle_(handle) {
        DWORD returned = 0;
        locked_ = DeviceIoControl(handle_, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned,
                                  nullptr) != FALSE;
    }
    ~VolumeLock() {
        if (locked_) {
            DWORD returned = 0;
            DeviceIoControl(handle_, FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned,
                            nullptr);
        }
    }
    VolumeLock(const VolumeLock&) = delete;
    VolumeLock& operator=(const VolumeLock&) = delete;

    bool Locked() const { return locked_; }

private:
    HANDLE handle_;
    bool locked_ = false;
};

// A sector size the geometry may report: a power of two from 512 to 64 KiB.
bool PlausibleSectorSize(std::uint32_t bytes) {
    return bytes >= 512 && bytes <= 65536 && (bytes & (bytes - 1)) == 0;
}

std::wstring TextOf(const std::array<wchar_t, kVolumeTextBuffer>& buffer) {
    return std::wstring(buffer.data(), std::find(buffer.begin(), buffer.end(), L'\0'));
}

Guid GuidOf(const GUID& guid) {
    Guid result;
    result.data1 = guid.Data1;
    result.data2 = guid.Data2;
    result.data3 = guid.Data3;
    std::copy(std::begin(guid.Data4), std::end(guid.Data4), result.data4.begin());
    return result;
}

PartitionInformation PortableOf(const PARTITION_INFORMATION_EX& info) {
    PartitionInformation result;
    switch (info.PartitionStyle) {
        case PARTITION_STYLE_MBR:
            result.style = PartitionStyle::Mbr;
            break;
        case PARTITION_STYLE_GPT:
            result.style = PartitionStyle::Gpt;
            break;
        default:
            result.style = PartitionStyle::Raw;
            break;
    }
    result.startingOffset = info.StartingOffset.QuadPart;
    result.partitionLength = info.PartitionLength.QuadPart;
    result.partitionNumber = info.PartitionNumber;
    result.rewritePartition = info.RewritePartition != 0;
    if (info.PartitionStyle == PARTITION_STYLE_MBR) {
        result.mbr.partitionType = info.Mbr.PartitionType;
        result.mbr.bootIndicator = info.Mbr.BootIndicator != 0;
        result.mbr.recognizedPartition = info.Mbr.RecognizedPartition != 0;
        result.mbr.hiddenSectors = info.Mbr.HiddenSectors;
    } else if (info.PartitionStyle == PARTITION_STYLE_GPT) {
        result.gpt.partitionType = GuidOf(info.Gpt.PartitionType);
        result.gpt.partitionId = GuidOf(info.Gpt.PartitionId);
        result.gpt.attributes = info.Gpt.Attributes;
        std::copy(std::begin(info.Gpt.Name), std::end(info.Gpt.Name), result.gpt.name.begin());
    }
    return result;
}

class Win32StorageDevice final : public StorageDevice {
public:
    Win32StorageDevice(UniqueHandle handle, DeviceAccess access, bool needsLock)
        : handle_(std::move(handle)), access_(access), needsLock_(needsLock) {}

    std::optional<std::uint32_t> SingleExtentDiskNumber() override {
        VOLUME_DISK_EXTENTS extents{};
        DWORD returned = 0;
        if (!Control(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents, sizeof extents,
                     &returned) ||
            returned < sizeof extents || extents.NumberOfDiskExtents < 1) {
            return std::nullopt;
        }
        return extents.Extents[0].DiskNumber;
    }

    std::optional<PartitionInformation> PartitionInfo() override {
        PARTITION_INFORMATION_EX info{};
        DWORD returned = 0;
        if (!Control(IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &info, sizeof info, &returned)) {
            return std::nullopt;
        }
        return PortableOf(info);
    }

    std::optional<std::vector<std::uint8_t>> DeviceDescriptor() override {
        STORAGE_PROPERTY_QUERY query{};  // StorageDeviceProperty, PropertyStandardQuery
        std::vector<std::uint8_t> buffer(kLargeQueryBuffer, 0);
        DWORD returned = 0;
        if (!Control(IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer.data(),
                     kLargeQueryBuffer, &returned)) {
            return std::nullopt;
        }
        // Only what the driver wrote: the texts' offsets are checked against it.
        buffer.resize(std::min<std::size_t>(returned, buffer.size()));
        return buffer;
    }

    std::optional<DiskGeometry> Geometry() override {
        std::vector<std::uint8_t> buffer(kLargeQueryBuffer, 0);
        DWORD returned = 0;
        if (!Control(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, buffer.data(), kLargeQueryBuffer,
                     &returned)) {
            return std::nullopt;
        }
        DISK_GEOMETRY_EX geometry{};
        std::memcpy(&geometry, buffer.data(), sizeof geometry);
        DiskGeometry result;
        result.cylinders = geometry.Geometry.Cylinders.QuadPart;
        result.mediaType = static_cast<std::int32_t>(geometry.Geometry.MediaType);
        result.tracksPerCylinder = geometry.Geometry.TracksPerCylinder;
        result.sectorsPerTrack = geometry.Geometry.SectorsPerTrack;
        result.bytesPerSector = geometry.Geometry.BytesPerSector;
        result.diskSize = static_cast<std::uint64_t>(geometry.DiskSize.QuadPart);
        return result;
    }

    std::optional<HotplugInfo> Hotplug() override {
        STORAGE_HOTPLUG_INFO info{};
        DWORD returned = 0;
        if (!Control(IOCTL_STORAGE_GET_HOTPLUG_INFO, nullptr, 0, &info, sizeof info, &returned)) {
            return std::nullopt;
        }
        return HotplugInfo{info.MediaRemovable != 0, info.DeviceHotplug != 0};
    }

    std::uint32_t LogicalSectorBytes() override {
        if (sectorBytes_ == 0) {
            const auto geometry = Geometry();
            sectorBytes_ = geometry && PlausibleSectorSize(geometry->bytesPerSector)
                               ? geometry->bytesPerSector
                               : kDefaultSectorBytes;
        }
        return sectorBytes_;
    }

    std::optional<std::vector<std::uint8_t>> ReadSectors(std::uint64_t first,
                                                         std::uint32_t count) override {
        if (count == 0 || count > kMaxSectorsPerRead) {
            return std::nullopt;
        }
        const std::uint32_t sectorBytes = LogicalSectorBytes();
        if (first > static_cast<std::uint64_t>(INT64_MAX) / sectorBytes) {
            return std::nullopt;
        }
        const DWORD size = count * sectorBytes;  // at most 64 sectors of 64 KiB
        SectorBuffer buffer(size);
        if (buffer.Data() == nullptr) {
            return std::nullopt;
        }
        LARGE_INTEGER offset;
        offset.QuadPart = static_cast<LONGLONG>(first * sectorBytes);
        DWORD read = 0;
        // A handle opened without GENERIC_READ fails here with ERROR_ACCESS_DENIED.
        if (!SetFilePointerEx(handle_.Get(), offset, nullptr, FILE_BEGIN) ||
            !ReadFile(handle_.Get(), buffer.Data(), size, &read, nullptr) || read != size) {
            return std::nullopt;
        }
        return std::vector<std::uint8_t>(buffer.Data(), buffer.Data() + size);
    }

    SectorWriteResult WriteSectors(std::uint64_t first,
                                   std::span<const std::uint8_t> bytes) override {
        // Windows would refuse WriteFile on a handle without GENERIC_WRITE too; refusing first
        // keeps a read-only device from being locked at all.
        if (access_ != DeviceAccess::ReadWrite) {
            return SectorWriteResult::NotOpenForWrite;
        }
        const std::uint32_t sectorBytes = LogicalSectorBytes();
        if (bytes.empty() || bytes.size() % sectorBytes != 0 ||
            bytes.size() / sectorBytes > kMaxSectorsPerRead ||
            first > static_cast<std::uint64_t>(INT64_MAX) / sectorBytes) {
            return SectorWriteResult::WriteFailed;
        }
        const auto count = static_cast<std::uint32_t>(bytes.size() / sectorBytes);
        const auto size = static_cast<DWORD>(bytes.size());  // at most 64 sectors of 64 KiB
        SectorBuffer buffer(size);
        if (buffer.Data() == nullptr) {
            return SectorWriteResult::WriteFailed;
        }
        std::memcpy(buffer.Data(), bytes.data(), size);

        std::optional<VolumeLock> lock;
        if (needsLock_) {
            lock.emplace(handle_.Get());
            if (!lock->Locked()) {
                return SectorWriteResult::LockFailed;
            }
        }
        LARGE_INTEGER offset;
        offset.QuadPart = static_cast<LONGLONG>(first * sectorBytes);
        DWORD written = 0;
        if (!SetFilePointerEx(handle_.Get(), offset, nullptr, FILE_BEGIN) ||
            !WriteFile(handle_.Get(), buffer.Data(), size, &written, nullptr) || written != size) {
            return SectorWriteResult::WriteFailed;  // a short write may have changed a part
        }
        // Through the disk's own cache to the medium before the read-back and the unlock.
        if (!FlushFileBuffers(handle_.Get())) {
            return SectorWriteResult::WriteFailed;
        }
        const auto back = ReadSectors(first, count);
        if (!back || !std::equal(back->begin(), back->end(), bytes.begin(), bytes.end())) {
            return SectorWriteResult::ReadBackDiffers;
        }
        return SectorWriteResult::Written;
    }

private:
    bool Control(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
        return DeviceIoControl(handle_.Get(), code, in, inSize, out, outSize, returned, nullptr) !=
               FALSE;
    }

    UniqueHandle handle_;
    DeviceAccess access_;
    bool needsLock_;                 // a device, not an image file: see IsDevicePath
    std::uint32_t sectorBytes_ = 0;  // looked up on the first read
};

}  // namespace

// A volume or disk in the Win32 device namespace ("\\.\C:", "\\.\PhysicalDrive0",
// "\\?\Volume{...}"), as opposed to a file anywhere ("C:\x\disk.img", "\\?\C:\x\disk.img"):
// the device name follows the prefix with no further backslash. A file has no volume lock:
// Windows refuses FSCTL_LOCK_VOLUME on a file's handle (only a volume opened for direct access
// takes it), while Wine answers it with success for anything; a disk image written through
// this adapter in a test is written without one on both. Taking a device for a file could only
// leave it unlocked, and Windows then refuses whatever only the lock would have allowed.
bool IsDevicePath(const std::wstring& path) {
    for (const wchar_t* prefix : {L"\\\\.\\", L"\\\\?\\"}) {
        const std::wstring_view p(prefix);
        if (path.size() > p.size() && path.compare(0, p.size(), p) == 0) {
            const std::wstring_view name = std::wstring_view(path).substr(p.size());
            return name.find(L'\\') == std::wstring_view::npos || name.starts_with(L"GLOBALROOT\\");
        }
    }
    return false;
}

std::u16string Win32StoragePort::LogicalDriveStrings() {
    std::array<wchar_t, kDriveStringsBuffer> buffer{};
    const DWORD length = GetLogicalDriveStringsW(kDriveStringsBuffer, buffer.data());
    // A length at or above the buffer size is the size it would need: nothing was written.
    if (length == 0 || length >= kDriveStringsBuffer) {
        return {};
    }
    return std::u16string(buffer.begin(), buffer.begin() + length);
}

bool Win32StoragePort::VolumeReady(const std::wstring& root) {
    const QuietCriticalErrors quiet;
    // Roots are drive letters: narrowing them unit by unit loses nothing.
    std::string narrowRoot;
    for (wchar_t c : root) {
        narrowRoot.push_back(static_cast<char>(c & 0xFF));
    }
    return GetVolumeInformationA(narrowRoot.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr,
                                 0) != FALSE;
}

std::uint32_t Win32StoragePort::DriveType(const std::wstring& root) {
    return GetDriveTypeW(root.c_str());
}

std::optional<FreeSpace> Win32StoragePort::DiskFreeSpace(const std::wstring& root) {
    const QuietCriticalErrors quiet;
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    if (!GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
        return std::nullopt;
    }
    return FreeSpace{sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
}

std::optional<VolumeInformation> Win32StoragePort::VolumeInfo(const std::wstring& root) {
    const QuietCriticalErrors quiet;
    std::array<wchar_t, kVolumeTextBuffer> label{};
    std::array<wchar_t, kVolumeTextBuffer> fileSystem{};
    DWORD serialNumber = 0;
    if (!GetVolumeInformationW(root.c_str(), label.data(), kVolumeTextBuffer, &serialNumber,
                               nullptr, nullptr, fileSystem.data(), kVolumeTextBuffer)) {
        return std::nullopt;
    }
    return VolumeInformation{TextOf(label), serialNumber, TextOf(fileSystem)};
}

std::unique_ptr<StorageDevice> Win32StoragePort::OpenDevice(const std::wstring& path,
                                                            DeviceAccess access) {
    DWORD desired = 0;  // QueryOnly: device attributes and IOCTLs, no sector access
    if (access == DeviceAccess::Read) {
        desired = GENERIC_READ;
    } else if (access == DeviceAccess::ReadWrite) {
        desired = GENERIC_READ | GENERIC_WRITE;
    }
    // Shared for reading and writing: a mounted volume opens no other way (its file system has
    // it open for both), and FSCTL_LOCK_VOLUME asks for both shares. For writing, write-through
    // (forced unit access), so a written sector is on the medium and not only in the disk's
    // cache when WriteFile returns. No FILE_FLAG_NO_BUFFERING: a volume or disk opened for
    // direct access is not cached by the system anyway (hence the aligned whole-sector buffers),
    // and on an image file it would tie the writes to the sector size of the disk holding it.
    const DWORD flags = access == DeviceAccess::ReadWrite ? FILE_FLAG_WRITE_THROUGH : 0;
    UniqueHandle handle(CreateFileW(path.c_str(), desired, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, flags, nullptr));
    if (!handle) {
        return nullptr;
    }
    return std::make_unique<Win32StorageDevice>(std::move(handle), access, IsDevicePath(path));
}

}  // namespace qn::win32
