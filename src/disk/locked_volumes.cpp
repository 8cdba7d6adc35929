#include "disk/locked_volumes.h"

#include <cstring>

#include "boot/text_helpers.h"
#include "disk/device_paths.h"
#include "disk/drive_roots.h"

namespace qn {
namespace {

constexpr char kBitLockerOemName[] = "-FVE-FS-";
constexpr std::size_t kOemNameOffset = 3;
// The pre-installation environment's own drive.
constexpr char kPreinstallationDrive = 'X';

std::vector<std::uint8_t> ThroughDisk(StoragePort& storage, char letter) {
    auto volume = storage.OpenDevice(VolumeDevicePath(letter), DeviceAccess::QueryOnly);
    if (!volume) {
        return {};
    }
    const auto disk = volume->SingleExtentDiskNumber();
    const auto partition = volume->PartitionInfo();
    if (!disk || !partition || partition->partitionLength <= 0 || partition->startingOffset < 0) {
        return {};
    }
    auto drive = storage.OpenDevice(PhysicalDrivePath(*disk), DeviceAccess::Read);
    if (!drive) {
        return {};
    }
    const std::uint32_t sectorBytes = drive->LogicalSectorBytes();
    const auto offset = static_cast<std::uint64_t>(partition->startingOffset);
    if (sectorBytes == 0 || offset % sectorBytes != 0) {
        return {};
    }
    return drive->ReadSectors(offset / sectorBytes, 1).value_or(std::vector<std::uint8_t>{});
}

}  // namespace

bool IsBitLockerBootSector(std::span<const std::uint8_t> sector) {
    const std::size_t length = sizeof kBitLockerOemName - 1;
    return sector.size() >= kOemNameOffset + length &&
           std::memcmp(sector.data() + kOemNameOffset, kBitLockerOemName, length) == 0;
}

std::vector<std::uint8_t> ReadVolumeBootSector(StoragePort& storage, char letter) {
    std::vector<std::uint8_t> sector = ThroughDisk(storage, letter);
    if (!sector.empty()) {
        return sector;
    }
    if (auto volume = storage.OpenDevice(VolumeDevicePath(letter), DeviceAccess::Read)) {
        return volume->ReadSectors(0, 1).value_or(std::vector<std::uint8_t>{});
    }
    return {};
}

bool RootListable(FileSystem& files, char letter) {
    return files.ListDirectory(DriveText(letter) + L"\\").has_value();
}

bool IsLockedVolume(StoragePort& storage, FileSystem& files, char letter) {
    return IsBitLockerBootSector(ReadVolumeBootSector(storage, letter)) &&
           !RootListable(files, letter);
}

LockedVolumes FindLockedVolumes(StoragePort& storage, FileSystem& files) {
    LockedVolumes found;
    for (const std::string& root : SplitDriveRoots(storage.LogicalDriveStrings())) {
        const auto letter = DriveLetterOfRoot(root);
        if (!letter || *letter < 'C' || *letter == kPreinstallationDrive ||
            !storage.VolumeReady(DriveRoot(*letter))) {
            continue;
        }
        if (IsLockedVolume(storage, files, *letter)) {
            found.letters.push_back(*letter);
        }
    }
    return found;
}

std::wstring LockedLettersText(const std::vector<char>& letters) {
    std::wstring text;
    for (char letter : letters) {
        text += (text.empty() ? L"" : L"、") + DriveText(letter);
    }
    return text;
}

std::wstring BitLockerUnlockAdvice(const std::vector<char>& letters) {
    if (letters.empty()) {
        return {};
    }
    std::wstring commands;
    for (char letter : letters) {
        commands += (commands.empty() ? L"" : L"、") + std::wstring(L"manage-bde -unlock ") +
                    DriveText(letter) + L" -RecoveryPassword <48 位恢复密钥>";
    }
    return LockedLettersText(letters) +
           L" 已被 BitLocker 加密并锁定，无法检查其中的系统。请先解锁：" + commands +
           L"，然后重新检测";
}

std::wstring LockedNotCheckedText(const std::vector<char>& letters) {
    return letters.empty() ? std::wstring()
                           : LockedLettersText(letters) + L" 已被 BitLocker 锁定，无法检查";
}

}  // namespace qn
