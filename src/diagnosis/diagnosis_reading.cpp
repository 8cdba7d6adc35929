// What the diagnosis reads: each disk's sector 0, each lettered volume's boot record and boot
// files, and on UEFI the firmware's boot order.
#include "diagnosis/diagnosis_steps.h"

#include <string>

#include "boot/bcd_commands.h"
#include "boot/command_runner.h"
#include "disk/device_paths.h"
#include "disk/locked_volumes.h"
#include "disk/storage_queries.h"

namespace qn::diagnosis_detail {

void Diagnosis::ReadDisks() {
    for (const auto& [number, partitions] : ports_.inventory.PartitionsByDisk()) {
        DiskDiagnosis disk;
        disk.number = number;
        disk.style = GetPartitionStyle(ports_.storage, static_cast<std::int32_t>(number));
        disk.removable = Removable(number);
        for (const PartitionRecord* record : partitions) {
            const PartitionInformation& info = record->partitionInfo;
            disk.hasEsp =
                disk.hasEsp ||
                (info.style == PartitionStyle::Gpt &&
                 info.gpt.partitionType == kEfiSystemPartitionType) ||
                (info.style == PartitionStyle::Mbr && info.mbr.partitionType == kMbrEspType);
        }
        if (auto device =
                ports_.storage.OpenDevice(PhysicalDrivePath(number), DeviceAccess::Read)) {
            sectorBytes_[number] = device->LogicalSectorBytes();
            if (auto bytes = device->ReadSectors(0, 1)) {
                disk.sectorRead = true;
                disk.mbrCode = ClassifyMbrCode(*bytes);
                if (auto layout = ReadMbrLayout(*bytes)) {
                    disk.bootSignature = layout->bootSignature;
                    layouts_[number] = *layout;
                    for (const MbrTableEntry& entry : layout->entries) {
                        disk.activeCount += entry.bootFlag == kMbrActiveFlag ? 1 : 0;
                        disk.tableValid = disk.tableValid &&
                                          (entry.bootFlag == 0 || entry.bootFlag == kMbrActiveFlag);
                    }
                }
            }
        }
        d_.disks.push_back(disk);
    }
}

void Diagnosis::ReadVolumes() {
    for (const PartitionRecord& record : ports_.inventory.Partitions()) {
        const auto letter = DriveLetterOfRoot(record.rootPath);
        if (!letter) {
            continue;
        }
        const PartitionInformation& info = record.partitionInfo;
        const bool infoKnown = info.partitionLength > 0;  // all zero when the query failed
        VolumeDiagnosis volume;
        volume.letter = *letter;
        volume.disk = record.diskNumber == kUnknownDiskNumber
                          ? -1
                          : static_cast<std::int32_t>(record.diskNumber);
        volume.style = infoKnown ? info.style : PartitionStyle::Raw;
        volume.partitionNumber = infoKnown ? info.partitionNumber : 0;
        volume.fileSystem = ports_.codePage.ToWide(record.fileSystemName, CodePageKind::Ansi);
        volume.active = infoKnown && info.style == PartitionStyle::Mbr && info.mbr.bootIndicator;
        volume.esp = infoKnown &&
                     ((info.style == PartitionStyle::Gpt &&
                       info.gpt.partitionType == kEfiSystemPartitionType) ||
                      (info.style == PartitionStyle::Mbr && info.mbr.partitionType == kMbrEspType));
        if (infoKnown && volume.disk >= 0) {
            offsets_[volume.letter] = info.startingOffset;
        }
        volume.bootRecord = ReadBootRecord(volume, infoKnown ? info.startingOffset : -1);
        volume.locked = volume.bootRecord == BootRecordKind::BitLocker &&
                        !RootListable(ports_.files, volume.letter);
        volume.files = FilesOn(volume.letter);
        d_.volumes.push_back(std::move(volume));
    }
    for (DiskDiagnosis& disk : d_.disks) {
        for (const VolumeDiagnosis& volume : d_.volumes) {
            if (volume.disk == static_cast<std::int32_t>(disk.number) && volume.esp &&
                disk.espLetter == 0) {
                disk.espLetter = volume.letter;
            }
        }
        if (const auto layout = layouts_.find(disk.number); layout != layouts_.end()) {
            for (const MbrTableEntry& entry : layout->second.entries) {
                if (entry.bootFlag == kMbrActiveFlag) {
                    disk.activeLetter = LetterAtSector(disk.number, entry.firstSector);
                    disk.activeExtended = IsExtendedPartitionType(entry.type);
                    break;
                }
            }
        }
    }
}

bool Diagnosis::IsFat(const std::wstring& fileSystem) {
    const std::wstring fs = LowerCase(fileSystem);
    return fs == L"fat32" || fs == L"fat" || fs == L"fat16" || fs == L"fat12";
}

bool Diagnosis::Removable(std::uint32_t disk) {
    auto device = ports_.storage.OpenDevice(PhysicalDrivePath(disk), DeviceAccess::QueryOnly);
    const auto hotplug = device ? device->Hotplug() : std::nullopt;
    return hotplug && (hotplug->mediaRemovable || hotplug->deviceHotplug);
}

char Diagnosis::LetterAtSector(std::uint32_t disk, std::uint32_t sector) const {
    const auto bytes = sectorBytes_.find(disk);
    const std::int64_t offset =
        static_cast<std::int64_t>(sector) * (bytes != sectorBytes_.end() ? bytes->second : 512);
    for (const VolumeDiagnosis& volume : d_.volumes) {
        const auto at = offsets_.find(volume.letter);
        if (volume.disk == static_cast<std::int32_t>(disk) && at != offsets_.end() &&
            at->second == offset) {
            return volume.letter;
        }
    }
    return 0;
}

std::optional<BootRecordKind> Diagnosis::ReadBootRecord(const VolumeDiagnosis& volume,
                                                        std::int64_t offset) {
    if (volume.disk >= 0 && offset >= 0) {
        if (auto device = ports_.storage.OpenDevice(
                PhysicalDrivePath(static_cast<std::uint32_t>(volume.disk)), DeviceAccess::Read)) {
            const std::uint32_t sectorBytes = device->LogicalSectorBytes();
            if (sectorBytes != 0 && offset % sectorBytes == 0) {
                if (auto bytes =
                        device->ReadSectors(static_cast<std::uint64_t>(offset) / sectorBytes, 1)) {
                    return ClassifyBootRecord(*bytes);
                }
            }
        }
    }
    if (auto device =
            ports_.storage.OpenDevice(VolumeDevicePath(volume.letter), DeviceAccess::Read)) {
        if (auto bytes = device->ReadSectors(0, 1)) {
            return ClassifyBootRecord(*bytes);
        }
    }
    return std::nullopt;
}

BootFiles Diagnosis::FilesOn(char letter) {
    FileSystem& files = ports_.files;
    const std::wstring root = DriveText(letter);
    BootFiles found;
    found.bootmgr = Presence(files, root + L"\\bootmgr");
    found.bcd = Presence(files, root + L"\\Boot\\BCD");
    found.efiBcd = Presence(files, root + L"\\EFI\\Microsoft\\Boot\\BCD");
    found.bootmgfw = Presence(files, root + kWindowsLoaderEfi);
    found.efiFallback = Presence(files, root + d_.fallbackLoader);
    found.ntldr = Presence(files, root + L"\\ntldr");
    found.ntdetect = Presence(files, root + L"\\NTDETECT.COM");
    found.bootIni = Presence(files, root + L"\\boot.ini");
    return found;
}

void Diagnosis::ReadFirmwareOrder() {
    const BcdTool& tool = ports_.bcdedit;
    if (tool.path.empty()) {
        return;
    }
    std::string output;
    RunCaptured(tool.processes, EnumAllCommand(tool.path, std::wstring()), output);
    const FirmwareBootOrder order = ParseFirmwareBootOrder(output, tool.codePage, kBcdeditOutput);
    d_.firmwareOrderKnown = order.found;
    d_.firmwareOrder = order.entries;
    d_.firmwareBootSequence = order.bootSequence;
}

const VolumeDiagnosis* Diagnosis::WindowsEsp() const {
    const VolumeDiagnosis* found = nullptr;
    for (const VolumeDiagnosis& volume : d_.volumes) {
        if (volume.esp && volume.files.bootmgfw != FilePresence::Missing &&
            (found == nullptr || volume.disk < found->disk)) {
            found = &volume;
        }
    }
    return found;
}

bool Diagnosis::IsWindowsBootManager(const VolumeDiagnosis& volume, const std::wstring& path) {
    if (EqualsIgnoringCase(path, kWindowsLoaderEfi)) {
        return true;
    }
    if (!EqualsIgnoringCase(path, d_.fallbackLoader)) {
        return false;
    }
    const auto fallback = ports_.files.FileSize(DriveText(volume.letter) + path);
    const auto windows = ports_.files.FileSize(DriveText(volume.letter) + kWindowsLoaderEfi);
    return fallback && windows && *windows > 0 && *fallback == *windows;
}

}  // namespace qn::diagnosis_detail
