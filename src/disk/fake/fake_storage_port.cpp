#include "disk/fake/fake_storage_port.h"

namespace qn::fake {
namespace {

constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
constexpr std::wstring_view kPhysicalDrive = L"PhysicalDrive";

class FakeDevice final : public StorageDevice {
public:
    FakeDevice(std::shared_ptr<std::vector<DeviceOpenRecord>> opens, std::size_t index,
               std::shared_ptr<std::vector<SectorReadRecord>> reads)
        : opens_(std::move(opens)), index_(index), reads_(std::move(reads)) {}
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

    std::optional<std::uint32_t> diskNumber;
    std::optional<PartitionInformation> partition;
    std::optional<std::vector<std::uint8_t>> descriptor;
    std::optional<DiskGeometry> geometry;
    std::optional<HotplugInfo> hotplug;
    FakeSectors sectors;

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

    std::shared_ptr<std::vector<DeviceOpenRecord>> opens_;
    std::size_t index_;
    std::shared_ptr<std::vector<SectorReadRecord>> reads_;
};

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
    : opens_(std::make_shared<std::vector<DeviceOpenRecord>>()),
      reads_(std::make_shared<std::vector<SectorReadRecord>>()) {}

FakeVolume& FakeStoragePort::Volume(char letter) {
    return volumes_[letter];
}

FakePhysicalDrive& FakeStoragePort::Drive(std::uint32_t number) {
    return drives_[number];
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
    for (const auto& [letter, volume] : volumes_) {
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
    const auto found = volumes_.find(static_cast<char>(root[0]));
    return found == volumes_.end() ? nullptr : &found->second;
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
        const auto found = drives_.find(*number);
        if (found == drives_.end() || !found->second.opens) {
            return nullptr;
        }
        device = std::make_unique<FakeDevice>(opens_, index, reads_);
        device->partition = found->second.partition;
        device->descriptor = found->second.descriptor;
        device->geometry = found->second.geometry;
        device->hotplug = found->second.hotplug;
        device->sectors = found->second.sectors;
    } else if (path.size() == kDevicePrefix.size() + 2 && path.starts_with(kDevicePrefix) &&
               path.back() == L':' && path[kDevicePrefix.size()] <= 0x7F) {
        const auto found = volumes_.find(static_cast<char>(path[kDevicePrefix.size()]));
        if (found == volumes_.end() || !found->second.deviceOpens) {
            return nullptr;
        }
        device = std::make_unique<FakeDevice>(opens_, index, reads_);
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
