// The machine's boot code as bytes: each disk's first sector (its code area, signature and the
// partition table the scenario describes) and each volume's boot sector, with the sectors after
// it that its file system's format fills.
#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "sim/boot_region.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

// How many sectors from its start the machine keeps of a volume.
std::uint64_t KeptSectorsOf(const DiskVolume& volume) {
    return 1 + volume.followingSectors.size() / kSectorBytes;
}

// A kept sector of a volume: its boot sector or one of the following ones.
std::span<const std::uint8_t> KeptSector(const DiskVolume& volume, std::uint64_t sector) {
    if (sector == 0) {
        return volume.bootSector;
    }
    return std::span<const std::uint8_t>(volume.followingSectors)
        .subspan(static_cast<std::size_t>(sector - 1) * kSectorBytes, kSectorBytes);
}

// A raw write of one kept sector: nothing else follows it (an exFAT checksum stays as it was).
void PutKeptSector(DiskVolume& volume, std::uint64_t sector, std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kSectorBytes || sector >= KeptSectorsOf(volume)) {
        return;
    }
    if (sector == 0) {
        volume.bootSector.assign(bytes.begin(), bytes.end());
    } else {
        std::copy(bytes.begin(), bytes.end(),
                  volume.followingSectors.begin() +
                      static_cast<std::ptrdiff_t>((sector - 1) * kSectorBytes));
    }
}

// Cylinder, head and sector of a sector number as a BIOS with 255 heads and 63 sectors per
// track counts them; beyond what three bytes hold, the marker for "use the LBA".
void PutChs(std::span<std::uint8_t> at, std::uint64_t lba) {
    const std::uint64_t cylinder = lba / (255 * 63);
    if (cylinder > 1023) {
        at[0] = 0xFE;
        at[1] = 0xFF;
        at[2] = 0xFF;
        return;
    }
    const auto head = static_cast<std::uint8_t>((lba / 63) % 255);
    const auto sector = static_cast<std::uint8_t>(lba % 63 + 1);
    at[0] = head;
    at[1] = static_cast<std::uint8_t>(sector | ((cylinder >> 2) & 0xC0));
    at[2] = static_cast<std::uint8_t>(cylinder & 0xFF);
}

}  // namespace

const SimMachine::DiskState* SimMachine::Disk(std::uint32_t number) const {
    for (const DiskState& disk : disks_) {
        if (disk.disk->number == number) {
            return &disk;
        }
    }
    return nullptr;
}

std::array<std::uint8_t, kSectorBytes> SimMachine::DiskSector0(std::uint32_t number) const {
    std::array<std::uint8_t, kSectorBytes> sector{};
    const DiskState* disk = Disk(number);
    if (disk == nullptr) {
        return sector;
    }
    std::copy(disk->code.begin(), disk->code.end(), sector.begin());
    std::span<std::uint8_t> s(sector);
    PutLittleEndian(s, 440, disk->signature, 4);
    const std::uint64_t diskSectors = disk->disk->size / 512;
    if (disk->disk->style == PartitionStyle::Gpt) {
        // The protective entry that covers the whole disk.
        std::span<std::uint8_t> entry = s.subspan(446, 16);
        PutChs(entry.subspan(1, 3), 1);
        entry[4] = 0xEE;
        PutChs(entry.subspan(5, 3), diskSectors - 1);
        PutLittleEndian(entry, 8, 1, 4);
        PutLittleEndian(entry, 12, std::min<std::uint64_t>(diskSectors - 1, 0xFFFFFFFF), 4);
    } else if (disk->disk->style == PartitionStyle::Mbr) {
        std::size_t slot = 0;
        for (const ScenarioPartition& p : disk->disk->partitions) {
            if (slot == 4) {
                break;  // logical drives are not modelled
            }
            std::span<std::uint8_t> entry = s.subspan(446 + 16 * slot++, 16);
            const auto first = static_cast<std::uint64_t>(p.offset) / 512;
            const auto count = static_cast<std::uint64_t>(p.length) / 512;
            entry[0] = p.active ? 0x80 : 0x00;
            PutChs(entry.subspan(1, 3), first);
            entry[4] = p.mbrType;
            PutChs(entry.subspan(5, 3), first + count - 1);
            PutLittleEndian(entry, 8, std::min<std::uint64_t>(first, 0xFFFFFFFF), 4);
            PutLittleEndian(entry, 12, std::min<std::uint64_t>(count, 0xFFFFFFFF), 4);
        }
    }
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

std::optional<std::vector<std::uint8_t>> SimMachine::ReadDiskSectors(std::uint32_t number,
                                                                     std::uint64_t first,
                                                                     std::uint32_t count) const {
    const DiskState* disk = Disk(number);
    const std::uint64_t sectors = disk != nullptr ? disk->disk->size / kSectorBytes : 0;
    if (count == 0 || first >= sectors || count > sectors - first ||
        disk->disk->sectorsUnreadable) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * kSectorBytes, 0);
    auto place = [&](std::uint64_t sector, std::span<const std::uint8_t> content) {
        if (sector >= first && sector < first + count) {
            std::copy(content.begin(), content.end(),
                      bytes.begin() + static_cast<std::ptrdiff_t>((sector - first) * kSectorBytes));
        }
    };
    place(0, DiskSector0(number));
    for (const DiskVolume& volume : diskVolumes_) {
        if (volume.disk == disk->disk) {
            const auto start = static_cast<std::uint64_t>(volume.partition->offset) / kSectorBytes;
            for (std::uint64_t i = 0; i < KeptSectorsOf(volume); ++i) {
                place(start + i, KeptSector(volume, i));
            }
        }
    }
    return bytes;
}

// A volume's own device shows its first sector as the disk holds it. (Windows shows an unlocked
// BitLocker volume's own device the file system's boot sector that BitLocker keeps elsewhere;
// the sim does not model that, and the program reads boot records through the disk.)
std::optional<std::vector<std::uint8_t>> SimMachine::ReadVolumeSectors(const std::wstring& volumeId,
                                                                       std::uint64_t first,
                                                                       std::uint32_t count) const {
    const DiskVolume* volume = VolumeById(volumeId);
    const std::uint64_t sectors =
        volume != nullptr ? static_cast<std::uint64_t>(volume->partition->length) / kSectorBytes
                          : 0;
    if (count == 0 || first >= sectors || count > sectors - first) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * kSectorBytes, 0);
    for (std::uint64_t sector = first; sector < first + count && sector < KeptSectorsOf(*volume);
         ++sector) {
        const auto content = KeptSector(*volume, sector);
        std::copy(content.begin(), content.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>((sector - first) * kSectorBytes));
    }
    return bytes;
}

namespace {

std::wstring WriteLine(const std::wstring& device, std::uint64_t first, std::size_t bytes,
                       bool ok) {
    return L"write sectors " + device + L" " + std::to_wstring(first) + L"+" +
           std::to_wstring(bytes / kSectorBytes) + (ok ? L"" : L" failed");
}

}  // namespace

bool SimMachine::WriteDiskSectors(std::uint32_t number, std::uint64_t first,
                                  std::span<const std::uint8_t> bytes) {
    const DiskState* disk = Disk(number);
    const std::uint64_t sectors = disk != nullptr ? disk->disk->size / kSectorBytes : 0;
    const std::uint64_t count = bytes.size() / kSectorBytes;
    // Checked for every sector before any changes, so a refused write changes nothing.
    bool ok = disk != nullptr && count > 0 && bytes.size() % kSectorBytes == 0 && first < sectors &&
              count <= sectors - first;
    std::optional<std::span<const std::uint8_t>> code;
    std::vector<std::tuple<std::wstring, std::uint64_t, std::span<const std::uint8_t>>> kept;
    for (std::uint64_t i = 0; ok && i < count; ++i) {
        const std::uint64_t sector = first + i;
        const auto content =
            bytes.subspan(static_cast<std::size_t>(i) * kSectorBytes, kSectorBytes);
        if (sector == 0) {
            const auto shown = DiskSector0(number);
            ok = std::equal(content.begin() + kMbrCodeBytes, content.end(),
                            shown.begin() + kMbrCodeBytes);
            code = content.first(kMbrCodeBytes);
            continue;
        }
        const auto volume =
            std::find_if(diskVolumes_.begin(), diskVolumes_.end(), [&](const DiskVolume& v) {
                const auto start = static_cast<std::uint64_t>(v.partition->offset) / kSectorBytes;
                return v.disk == disk->disk && sector >= start && sector - start < KeptSectorsOf(v);
            });
        ok = volume != diskVolumes_.end();
        if (ok) {
            kept.emplace_back(
                volume->id,
                sector - static_cast<std::uint64_t>(volume->partition->offset) / kSectorBytes,
                content);
        }
    }
    if (ok) {
        if (code) {
            WriteMbrCode(number, *code);
        }
        for (const auto& [volumeId, sector, content] : kept) {
            PutKeptSector(*MutableVolume(volumeId), sector, content);
        }
    }
    Record(WriteLine(L"\\\\.\\PhysicalDrive" + std::to_wstring(number), first, bytes.size(), ok));
    return ok;
}

bool SimMachine::WriteVolumeSectors(const std::wstring& volumeId, std::uint64_t first,
                                    std::span<const std::uint8_t> bytes) {
    const DiskVolume* volume = VolumeById(volumeId);
    const std::uint64_t count = bytes.size() / kSectorBytes;
    // Only what the machine keeps of a volume: its first sectors.
    const bool ok = volume != nullptr && count > 0 && bytes.size() % kSectorBytes == 0 &&
                    first < KeptSectorsOf(*volume) && count <= KeptSectorsOf(*volume) - first;
    for (std::uint64_t i = 0; ok && i < count; ++i) {
        PutKeptSector(*MutableVolume(volumeId), first + i,
                      bytes.subspan(static_cast<std::size_t>(i) * kSectorBytes, kSectorBytes));
    }
    const wchar_t letter = volume != nullptr ? LetterOf(*volume) : 0;
    Record(WriteLine(letter != 0 ? std::wstring(L"\\\\.\\") + letter + L":"
                                 : L"\\\\?\\Volume{" + volumeId + L"}",
                     first, bytes.size(), ok));
    return ok;
}

MbrCode SimMachine::DiskMbrCode(std::uint32_t number) const {
    const DiskState* disk = Disk(number);
    return disk != nullptr ? ClassifyMbrCode(disk->code) : MbrCode::None;
}

void SimMachine::SetMbrCode(std::uint32_t number, MbrCode code) {
    WriteMbrCode(number, MbrCodeBytes(code));
}

void SimMachine::WriteMbrCode(std::uint32_t number, std::span<const std::uint8_t> code) {
    for (DiskState& disk : disks_) {
        if (disk.disk->number == number && code.size() == disk.code.size()) {
            std::copy(code.begin(), code.end(), disk.code.begin());
        }
    }
}

VolumeGeometry SimMachine::GeometryOf(const DiskVolume& volume) const {
    const ScenarioPartition& p = *volume.partition;
    return VolumeGeometry{p.fileSystem, static_cast<std::uint64_t>(p.offset) / 512,
                          static_cast<std::uint64_t>(p.length) / 512,
                          static_cast<std::uint32_t>(p.offset >> 20) ^ 0x5A17u};
}

BootRecordCode SimMachine::VolumeBootCode(const DiskVolume& volume) const {
    return ClassifyBootSector(volume.bootSector, GeometryOf(volume));
}

void SimMachine::SetBootRecordCode(const std::wstring& volumeId, BootRecordCode code) {
    if (DiskVolume* volume = MutableVolume(volumeId)) {
        volume->bootSector = BootSectorBytes(code, GeometryOf(*volume));
        RefreshBootChecksum(volume->bootSector, volume->followingSectors, GeometryOf(*volume));
    }
}

void SimMachine::WriteBootSector(const std::wstring& volumeId,
                                 std::span<const std::uint8_t> sector) {
    DiskVolume* volume = MutableVolume(volumeId);
    if (volume != nullptr && sector.size() == kSectorBytes) {
        volume->bootSector.assign(sector.begin(), sector.end());
    }
}

}  // namespace qn::sim
