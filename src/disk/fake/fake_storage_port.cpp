#include "disk/fake/fake_storage_port.h"

#include <algorithm>

namespace qn::fake {
namespace {

constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
constexpr std::wstring_view kPhysicalDrive = L"PhysicalDrive";

// Copies a write into the port's description of the device, while the port and the
// description live, so a device opened later reads it.
using Mirror = std::function<void(std::uint64_t offset, std::span<const std::uint8_t> bytes)>;

class FakeDevice final : public StorageDevice {
public:
    FakeDevice(std::shared_ptr<std::vector<DeviceOpenRecord>> opens, std::size_t index,
               std::shared_ptr<std::vector<SectorReadRecord>> reads,
               std::shared_ptr<std::vector<SectorWriteRecord>> writes)
        : opens_(std::move(opens)),
          index_(index),
          reads_(std::move(reads)),
          writes_(std::move(writes)) {}
    ~FakeDevice() override { (*opens_)[index_].closed = true; }

    std::optional<std::uint32_t> SingleExtentDiskNumber() override { return diskNumber; }
    std::optional<PartitionInformation> PartitionInfo() override { return partition; }
    std::optional<std::vector<std::uint8_t>> DeviceDescriptor() override { return descriptor; }
    std::optional<DiskGeometry> Geometry() override { return geometry; }
    std::optional<HotplugInfo> Hotplug() override { return hotplug; }
    std::uint32_t LogicalSectorBytes() override { return sectors.sectorBytes; }

    std::optional<std::vector<std::uint8_t>> ReadSectors(std::uint64_t first,
                                                         std::uint32_t count) override {
        const DeviceOpenRecord& open = (*opens_)[index_];
        auto bytes = Read(open.access, first, count);
        reads_->push_back(SectorReadRecord{open.path, first, count, bytes.has_value()});
        return bytes;
    }

    SectorWriteResult WriteSectors(std::uint64_t first,
                                   std::span<const std::uint8_t> bytes) override {
        const DeviceOpenRecord& open = (*opens_)[index_];
        const SectorWriteResult result = Write(open.access, first, bytes);
        writes_->push_back(SectorWriteRecord{
            open.path, first, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), result});
        return result;
    }

    std::optional<std::uint32_t> diskNumber;
    std::optional<PartitionInformation> partition;
    std::optional<std::vector<std::uint8_t>> descriptor;
    std::optional<DiskGeometry> geometry;
    std::optional<HotplugInfo> hotplug;
    FakeSectors sectors;
    Mirror mirror;

private:
    std::optional<std::vector<std::uint8_t>> Read(DeviceAccess access, std::uint64_t first,
                                                  std::uint32_t count) const {
        const std::uint64_t size = sectors.sectorBytes;
        if (access == DeviceAccess::QueryOnly || count == 0 || count > kMaxSectorsPerRead ||
            size == 0) {
            return std::nullopt;
        }
        if (sectors.source) {
            auto bytes = sectors.source(first, count);
            if (!bytes || bytes->size() != count * size) {
                return std::nullopt;
            }
            return bytes;
        }
        const std::uint64_t available = sectors.bytes.size() / size;
        if (first >= available || count > available - first) {
            return std::nullopt;
        }
        const auto begin = sectors.bytes.begin() + static_cast<std::ptrdiff_t>(first * size);
        return std::vector<std::uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(count * size));
    }

    // The order the Windows adapter checks in: access, the size, the lock, the write, the
    // read-back.
    SectorWriteResult Write(DeviceAccess access, std::uint64_t first,
                            std::span<const std::uint8_t> bytes) {
        if (access != DeviceAccess::ReadWrite) {
            return SectorWriteResult::NotOpenForWrite;
        }
        const std::uint64_t size = sectors.sectorBytes;
        if (size == 0 || bytes.empty() || bytes.size() % size != 0 ||
            bytes.size() / size > kMaxSectorsPerRead) {
            return SectorWriteResult::WriteFailed;
        }
        const auto count = static_cast<std::uint32_t>(bytes.size() / size);
        if (sectors.lockRefused) {
            return SectorWriteResult::LockFailed;
        }
        if (sectors.writeFails) {
            return SectorWriteResult::WriteFailed;
        }
        std::vector<std::uint8_t> kept(bytes.begin(), bytes.end());
        if (sectors.readBackDiffers) {
            kept[0] = static_cast<std::uint8_t>(~kept[0]);
        }
        if (sectors.source) {
            if (!sectors.sink || !sectors.sink(first, kept)) {
                return SectorWriteResult::WriteFailed;
            }
        } else {
            const std::uint64_t available = sectors.bytes.size() / size;
            if (first >= available || count > available - first) {
                return SectorWriteResult::WriteFailed;
            }
            std::copy(kept.begin(), kept.end(),
                      sectors.bytes.begin() + static_cast<std::ptrdiff_t>(first * size));
            if (mirror) {
                mirror(first * size, kept);
            }
        }
        const auto back = Read(access, first, count);
        return back && std::equal(back->begin(), back->end(), bytes.begin(), bytes.end())
                   ? SectorWriteResult::Written
                   : SectorWriteResult::ReadBackDiffers;
    }

    std::shared_ptr<std::vector<DeviceOpenRecord>> opens_;
    std::size_t index_;
    std::shared_ptr<std::vector<SectorReadRecord>> reads_;
    std::shared_ptr<std::vector<SectorWriteRecord>> writes_;
};

// Writes into the described bytes of whatever sectors select finds, if the port and the
// description are still there and the bytes still reach that far.
template <typename Select>
Mirror MirrorInto(std::weak_ptr<void> owner, Select select) {
    return [owner = std::move(owner), select](std::uint64_t offset,
                                              std::span<const std::uint8_t> bytes) {
        const auto alive = owner.lock();
        FakeSectors* sectors = alive ? select() : nullptr;
        if (sectors != nullptr && !sectors->source && offset <= sectors->bytes.size() &&
            bytes.size() <= sectors->bytes.size() - offset) {
            std::copy(bytes.begin(), bytes.end(),
                      sectors->bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        }
    };
}

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t position, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[position + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// "\\.\PhysicalDrive12" -> 12; none for anything else, including "PhysicalDrive-1".
std::optional<std::uint32_t> PhysicalDriveNumber(std::wstring_view path) {
    if (!path.starts_with(kDevicePrefix)) {
        return std::nullopt;
    }
    path.remove_prefix(kDevicePrefix.size());
    if (!path.starts_with(kPhysicalDrive)) {
        return std::nullopt;
    }
    path.remove_prefix(kPhysicalDrive.size());
    if (path.empty() || path.size() > 9) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (wchar_t c : path) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<std::uint32_t>(c - L'0');
    }
    return number;
}

}  // namespace

FakeStoragePort::FakeStoragePort()
    : described_(std::make_shared<Described>()),
      opens_(std::make_shared<std::vector<DeviceOpenRecord>>()),
      reads_(std::make_shared<std::vector<SectorReadRecord>>()),
      writes_(std::make_shared<std::vector<SectorWriteRecord>>()) {}

FakeVolume& FakeStoragePort::Volume(char letter) {
    return described_->volumes[letter];
}

FakePhysicalDrive& FakeStoragePort::Drive(std::uint32_t number) {
    return described_->drives[number];
}

std::vector<std::wstring> FakeStoragePort::UnclosedDevices() const {
    std::vector<std::wstring> paths;
    for (const DeviceOpenRecord& open : *opens_) {
        if (open.opened && !open.closed) {
            paths.push_back(open.path);
        }
    }
    return paths;
}

std::u16string FakeStoragePort::LogicalDriveStrings() {
    if (driveStrings_) {
        return *driveStrings_;
    }
    std::u16string list;
    for (const auto& [letter, volume] : described_->volumes) {
        list += static_cast<char16_t>(letter);
        list += u":\\";
        list += u'\0';
    }
    return list;
}

const FakeVolume* FakeStoragePort::VolumeAtRoot(const std::wstring& root) const {
    if (root.size() != 3 || root[0] > 0x7F || root[1] != L':' || root[2] != L'\\') {
        return nullptr;
    }
    const auto found = described_->volumes.find(static_cast<char>(root[0]));
    return found == described_->volumes.end() ? nullptr : &found->second;
}

bool FakeStoragePort::VolumeReady(const std::wstring& root) {
    const FakeVolume* volume = VolumeAtRoot(root);
    return volume && volume->ready;
}

std::uint32_t FakeStoragePort::DriveType(const std::wstring& root) {
    const FakeVolume* volume = VolumeAtRoot(root);
    return volume ? volume->driveType : kDriveNoRootDir;
}

std::optional<FreeSpace> FakeStoragePort::DiskFreeSpace(const std::wstring& root) {
    const FakeVolume* volume = VolumeAtRoot(root);
    return volume && volume->ready ? volume->freeSpace : std::nullopt;
}

std::optional<VolumeInformation> FakeStoragePort::VolumeInfo(const std::wstring& root) {
    const FakeVolume* volume = VolumeAtRoot(root);
    return volume && volume->ready ? volume->info : std::nullopt;
}

std::unique_ptr<StorageDevice> FakeStoragePort::OpenDevice(const std::wstring& path,
                                                           DeviceAccess access) {
    opens_->push_back(DeviceOpenRecord{path, access, false, false});
    const std::size_t index = opens_->size() - 1;

    std::unique_ptr<FakeDevice> device;
    if (const auto number = PhysicalDriveNumber(path)) {
        const auto found = described_->drives.find(*number);
        if (found == described_->drives.end() || !found->second.opens) {
            return nullptr;
        }
        device = std::make_unique<FakeDevice>(opens_, index, reads_, writes_);
        Described* described = described_.get();
        device->mirror = MirrorInto(described_, [described, number = *number]() -> FakeSectors* {
            const auto drive = described->drives.find(number);
            return drive == described->drives.end() ? nullptr : &drive->second.sectors;
        });
        device->partition = found->second.partition;
        device->descriptor = found->second.descriptor;
        device->geometry = found->second.geometry;
        device->hotplug = found->second.hotplug;
        device->sectors = found->second.sectors;
    } else if (path.size() == kDevicePrefix.size() + 2 && path.starts_with(kDevicePrefix) &&
               path.back() == L':' && path[kDevicePrefix.size()] <= 0x7F) {
        const char letter = static_cast<char>(path[kDevicePrefix.size()]);
        const auto found = described_->volumes.find(letter);
        if (found == described_->volumes.end() || !found->second.deviceOpens) {
            return nullptr;
        }
        device = std::make_unique<FakeDevice>(opens_, index, reads_, writes_);
        Described* described = described_.get();
        device->mirror = MirrorInto(described_, [described, letter]() -> FakeSectors* {
            const auto volume = described->volumes.find(letter);
            return volume == described->volumes.end() ? nullptr : &volume->second.sectors;
        });
        device->diskNumber = found->second.diskNumber;
        device->partition = found->second.partition;
        device->sectors = found->second.sectors;
    } else {
        return nullptr;
    }
    (*opens_)[index].opened = true;
    return device;
}

std::vector<std::uint8_t> MakeDeviceDescriptor(std::string_view vendor, std::string_view product,
                                               std::string_view serial) {
    constexpr std::size_t kHeaderSize = 40;
    std::vector<std::uint8_t> bytes(kHeaderSize, 0);
    const auto append = [&bytes](std::size_t field, std::string_view text) {
        if (text.empty()) {
            return;
        }
        PutU32(bytes, field, static_cast<std::uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
    };
    PutU32(bytes, 0, kHeaderSize);  // Version: the structure's size, as Windows sets it
    append(12, vendor);
    append(16, product);
    append(24, serial);
    PutU32(bytes, 4, static_cast<std::uint32_t>(bytes.size()));  // Size
    return bytes;
}

PartitionInformation MbrPartition(std::int64_t startingOffset, bool active, std::uint8_t type) {
    PartitionInformation info;
    info.style = PartitionStyle::Mbr;
    info.startingOffset = startingOffset;
    info.partitionLength = kGiB;
    info.partitionNumber = 1;
    info.mbr.partitionType = type;
    info.mbr.bootIndicator = active;
    info.mbr.recognizedPartition = true;
    info.mbr.hiddenSectors = static_cast<std::uint32_t>(startingOffset / 512);
    return info;
}

PartitionInformation GptPartition(std::int64_t startingOffset, const Guid& type) {
    PartitionInformation info;
    info.style = PartitionStyle::Gpt;
    info.startingOffset = startingOffset;
    info.partitionLength = kGiB;
    info.partitionNumber = 1;
    info.gpt.partitionType = type;
    return info;
}

DiskGeometry FixedDiskGeometry(std::uint64_t size) {
    DiskGeometry geometry;
    geometry.mediaType = 12;
    geometry.bytesPerSector = 512;
    geometry.sectorsPerTrack = 63;
    geometry.tracksPerCylinder = 255;
    geometry.cylinders = static_cast<std::int64_t>(size / (512ULL * 63 * 255));
    geometry.diskSize = size;
    return geometry;
}

}  // namespace qn::fake
