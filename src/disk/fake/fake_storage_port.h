#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disk/storage_port.h"

namespace qn::fake {

// A scripted machine for the inventory and the storage queries, recording every device open.
//
// A test describes the machine: drive letters (their root "X:\" and their volume device
// "\\.\X:") and physical drives ("\\.\PhysicalDriveN"), each with the answers the Windows calls
// give, or nullopt where the call fails. Anything not described does not exist: its root has no
// volume and its device does not open. Paths must be exactly the forms above (upper-case letter),
// so a query that builds a wrong path finds nothing.
//
//     FakeStoragePort port;
//     FakeVolume& d = port.Volume('D');
//     d.diskNumber = 1;
//     d.partition = MbrPartition(200 * kGiB);
//     port.Drive(1).geometry = FixedDiskGeometry(500 * kGiB);
//     DiskInfo info(port, codePage);
//     EXPECT_TRUE(port.UnclosedDevices().empty());
//
// Every OpenDevice call is recorded (path, access, whether it opened); a device marks its record
// closed when it is destroyed. Devices answer from a copy of the description taken when they were
// opened, and may outlive the port.
//
// Sector reads see the described bytes from sector 0 on (FakeSectors); every read is recorded
// with what it asked for and whether it succeeded. A device opened query-only cannot read, as on
// Windows.
//
// Sector writes go where reads come from: into the described bytes (a write past their end is
// refused, nothing written), or, when a source answers the reads, to the sink, which says
// whether it took them. Only a device opened ReadWrite writes (NotOpenForWrite otherwise, as
// Windows refuses WriteFile on a handle without GENERIC_WRITE); bytes must be whole sectors, at
// most kMaxSectorsPerRead of them (WriteFailed, nothing written). A write then reads its range
// back and compares, as the Windows adapter does. A write into bytes changes the description
// too, so a device opened later reads it. Every write is recorded (SectorWrites: the path, the
// first sector, the bytes asked to be written, the result); its read-back is part of it and is
// not recorded among the reads. A test makes a write go wrong per drive or volume:
//
//     port.Volume('C').sectors.lockRefused = true;      // LockFailed, nothing written
//     port.Volume('C').sectors.writeFails = true;       // WriteFailed, nothing written
//     port.Drive(0).sectors.readBackDiffers = true;     // taken with its first byte inverted:
//                                                       // ReadBackDiffers

// The sectors of a drive or volume as reads see them and writes change them.
struct FakeSectors {
    // Asked at every read for count sectors from first; nullopt makes the read fail (past the end).
    // A machine whose truth lives elsewhere (the simulated one) answers here, so a read always
    // sees what was last written.
    using Source =
        std::function<std::optional<std::vector<std::uint8_t>>(std::uint64_t, std::uint32_t)>;
    // With a source, takes whole sectors written from first on; false refuses them, and the sink
    // must then have changed nothing. A source without a sink refuses every write.
    using Sink = std::function<bool(std::uint64_t first, std::span<const std::uint8_t> bytes)>;

    // The first sectors' bytes; a read or write beyond them fails. Ignored when source is set.
    std::vector<std::uint8_t> bytes;
    Source source;
    Sink sink;
    std::uint32_t sectorBytes = 512;

    // Failures a test injects into writes (reads are unaffected).
    bool lockRefused = false;      // FSCTL_LOCK_VOLUME refused: LockFailed, nothing written
    bool writeFails = false;       // WriteFile fails: WriteFailed, nothing written
    bool readBackDiffers = false;  // the device keeps the write with its first byte inverted
};

// What one drive letter answers.
struct FakeVolume {
    bool ready = true;  // GetVolumeInformationA succeeds: a volume is mounted
    std::uint32_t driveType = kDriveFixed;
    std::optional<FreeSpace> freeSpace = FreeSpace{};
    std::optional<VolumeInformation> info = VolumeInformation{};
    bool deviceOpens = true;
    // The single extent's disk; nullopt makes the query fail, as for a volume on two disks.
    std::optional<std::uint32_t> diskNumber;
    std::optional<PartitionInformation> partition;
    FakeSectors sectors;
};

// What one physical drive answers.
struct FakePhysicalDrive {
    bool opens = true;
    // STORAGE_DEVICE_DESCRIPTOR bytes; see MakeDeviceDescriptor.
    std::optional<std::vector<std::uint8_t>> descriptor = std::vector<std::uint8_t>{};
    std::optional<DiskGeometry> geometry;
    // The whole disk's partition information, which carries the disk's partition style.
    std::optional<PartitionInformation> partition;
    std::optional<HotplugInfo> hotplug;
    FakeSectors sectors;
};

struct DeviceOpenRecord {
    std::wstring path;
    DeviceAccess access = DeviceAccess::QueryOnly;
    bool opened = false;
    bool closed = false;
};

struct SectorReadRecord {
    std::wstring path;
    std::uint64_t first = 0;
    std::uint32_t count = 0;
    bool ok = false;
};

struct SectorWriteRecord {
    std::wstring path;
    std::uint64_t first = 0;
    std::vector<std::uint8_t> bytes;  // what the caller asked to write
    SectorWriteResult result = SectorWriteResult::WriteFailed;
};

class FakeStoragePort final : public StoragePort {
public:
    FakeStoragePort();

    // The description of a letter or a drive, created on first use.
    FakeVolume& Volume(char letter);
    FakePhysicalDrive& Drive(std::uint32_t number);
    // Takes the letter away, as when its mount point is deleted.
    void RemoveVolume(char letter) { described_->volumes.erase(letter); }
    bool HasVolume(char letter) const { return described_->volumes.contains(letter); }

    // Replaces the drive-string list otherwise built from the described letters (A: to Z:).
    void SetDriveStrings(std::u16string list) { driveStrings_ = std::move(list); }

    const std::vector<DeviceOpenRecord>& DeviceOpens() const { return *opens_; }
    // Paths of devices opened and not (yet) closed.
    std::vector<std::wstring> UnclosedDevices() const;
    // Every ReadSectors call on any device of this port, in order.
    const std::vector<SectorReadRecord>& SectorReads() const { return *reads_; }
    // Every WriteSectors call on any device of this port, in order.
    const std::vector<SectorWriteRecord>& SectorWrites() const { return *writes_; }
    // Forgets opens, reads and writes (devices still open stay usable).
    void ClearRecording() {
        opens_->clear();
        reads_->clear();
        writes_->clear();
    }

    std::u16string LogicalDriveStrings() override;
    bool VolumeReady(const std::wstring& root) override;
    std::uint32_t DriveType(const std::wstring& root) override;
    std::optional<FreeSpace> DiskFreeSpace(const std::wstring& root) override;
    std::optional<VolumeInformation> VolumeInfo(const std::wstring& root) override;
    std::unique_ptr<StorageDevice> OpenDevice(const std::wstring& path,
                                              DeviceAccess access) override;

private:
    const FakeVolume* VolumeAtRoot(const std::wstring& root) const;

    // Shared with the devices, which write into the described bytes while the port lives.
    struct Described {
        std::map<char, FakeVolume> volumes;
        std::map<std::uint32_t, FakePhysicalDrive> drives;
    };

    std::shared_ptr<Described> described_;
    std::optional<std::u16string> driveStrings_;
    std::shared_ptr<std::vector<DeviceOpenRecord>> opens_;
    std::shared_ptr<std::vector<SectorReadRecord>> reads_;
    std::shared_ptr<std::vector<SectorWriteRecord>> writes_;
};

inline constexpr std::int64_t kMiB = std::int64_t{1} << 20;
inline constexpr std::int64_t kGiB = std::int64_t{1} << 30;

// STORAGE_DEVICE_DESCRIPTOR bytes as a driver returns them: the 40-byte header, then each
// non-empty text zero-terminated, its offset in the header (empty text: offset 0).
std::vector<std::uint8_t> MakeDeviceDescriptor(std::string_view vendor, std::string_view product,
                                               std::string_view serial);

PartitionInformation MbrPartition(std::int64_t startingOffset, bool active = false,
                                  std::uint8_t type = 0x07);
PartitionInformation GptPartition(std::int64_t startingOffset, const Guid& type);
// A fixed disk of 512-byte sectors.
DiskGeometry FixedDiskGeometry(std::uint64_t size);

}  // namespace qn::fake
