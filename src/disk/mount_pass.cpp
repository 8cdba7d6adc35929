#include "disk/mount_pass.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "boot/command_runner.h"
#include "disk/device_paths.h"
#include "disk/storage_queries.h"
#include "disk/volume_name.h"

namespace qn {
namespace {

// Some PE builds ship "pecmd"; "show" makes it give hidden boot partitions letters.
constexpr wchar_t kLetterTool[] = L"pecmd";
constexpr wchar_t kLetterToolParameters[] = L"show";
// Lets the mount manager publish the letters the tool gave before the inventory looks.
constexpr std::chrono::milliseconds kAfterLetterToolPause{100};

std::wstring ErrorLine(const wchar_t* call, std::uint32_t error) {
    return std::wstring(call) + L" failed with error code " + std::to_wstring(error) + L"\n";
}

// A letterless volume: mount it at the first free letter and keep the letter only for a boot
// partition.
void MountTemporaryLetter(EspMountTable& table, const std::wstring& volumeName,
                          const MountPorts& ports) {
    const char letter = FindFreeDriveLetter(ports.storage);
    if (letter == kNoFreeDriveLetter) {
        ports.diagnostics.Write(L"No free drive letter for " + volumeName + L"\n");
        return;
    }
    const std::wstring mountPoint = DriveRoot(letter);
    // Without this check a failed mount (the letter taken meanwhile, say by a USB stick) would
    // go on to query and unmount whatever now holds the letter.
    if (const std::uint32_t error = ports.volumes.SetMountPoint(mountPoint, volumeName)) {
        ports.diagnostics.Write(ErrorLine(L"SetVolumeMountPointW", error));
        return;
    }
    // On an installed Windows a letter outlives the program: listed, a killed start's letter is
    // removed by the next one.
    if (ports.leftovers != nullptr) {
        ports.leftovers->AddLetter(letter, volumeName);
    }
    if (IsEfiSystemPartition(ports.storage, letter)) {
        table.espLetters[GetDiskNumberOfLetter(ports.storage, letter)] = letter;
        table.temporaryLetters.insert(letter);
    } else if (IsActivePartition(ports.storage, letter)) {
        table.temporaryLetters.insert(letter);
    } else if (const std::uint32_t error = ports.volumes.DeleteMountPoint(mountPoint)) {
        ports.diagnostics.Write(ErrorLine(L"DeleteVolumeMountPointW", error));
        // Try again at shutdown rather than leave the letter behind.
        table.temporaryLetters.insert(letter);
    } else if (ports.leftovers != nullptr) {
        ports.leftovers->ForgetLetter(letter);
    }
}

void ExamineVolume(EspMountTable& table, const std::wstring& volumeName, const MountPorts& ports) {
    const std::vector<std::wstring> paths = ports.volumes.VolumePathNames(volumeName);
    if (paths.empty()) {
        MountTemporaryLetter(table, volumeName, ports);
        return;
    }
    // Only a drive root names the volume's letter; a folder mount point starts with the letter
    // of the volume that holds the folder.
    for (const std::wstring& path : paths) {
        if (const auto letter = DriveLetterOfMountPath(path)) {
            if (IsEfiSystemPartition(ports.storage, *letter)) {
                table.espLetters[GetDiskNumberOfLetter(ports.storage, *letter)] = *letter;
            }
            return;
        }
    }
}

// Walks every volume; false when the walk could not even start.
bool WalkVolumes(EspMountTable& table, const MountPorts& ports) {
    VolumeText current;
    const auto search = ports.volumes.StartVolumeSearch(current);
    if (!search) {
        ports.diagnostics.Write(ErrorLine(L"FindFirstVolumeW", current.error));
        return false;
    }
    for (;;) {
        const std::wstring& name = current.text;
        if (!IsVolumeName(name)) {
            ports.diagnostics.Write(L"FindFirstVolumeW/FindNextVolumeW returned a bad path: " +
                                    name + L"\n");
            break;
        }
        const VolumeText device = ports.volumes.DosDeviceOf(DosDeviceNameOfVolume(name));
        if (!device.ok) {
            ports.diagnostics.Write(ErrorLine(L"QueryDosDeviceW", device.error));
            break;
        }
        ports.diagnostics.Write(L"\nFound a device:\n " + device.text);
        ports.diagnostics.Write(L"\nVolume name: " + name);
        ports.diagnostics.Write(L"\nPaths:");
        ExamineVolume(table, name, ports);

        current = search->Next();
        if (!current.ok) {
            if (current.error != kErrorNoMoreFiles) {
                ports.diagnostics.Write(ErrorLine(L"FindNextVolumeW", current.error));
            }
            break;
        }
    }
    return true;
}

// The first GPT disk of the inventory whose EFI system partition has no letter.
std::optional<std::uint32_t> GptDiskWithoutEspLetter(const EspMountTable& table,
                                                     const DiskInfo& inventory,
                                                     StoragePort& storage) {
    for (const auto& entry : inventory.PartitionsByDisk()) {
        const auto disk = static_cast<std::int32_t>(entry.first);
        if (GetPartitionStyle(storage, disk) == PartitionStyle::Gpt &&
            !table.espLetters.contains(disk)) {
            return entry.first;
        }
    }
    return std::nullopt;
}

}  // namespace

char FindFreeDriveLetter(StoragePort& storage) {
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if (!VolumeExists(storage, letter)) {
            return letter;
        }
    }
    return kNoFreeDriveLetter;
}

void CollectEspLetters(EspMountTable& table, const DiskInfo& inventory, StoragePort& storage) {
    for (const auto& [disk, partitions] : inventory.PartitionsByDisk()) {
        for (const PartitionRecord* partition : partitions) {
            const auto letter = DriveLetterOfRoot(partition->rootPath);
            if (letter && IsEfiSystemPartition(storage, *letter)) {
                table.espLetters[GetDiskNumberOfLetter(storage, *letter)] = *letter;
            }
        }
    }
}

void MountLetterlessVolumes(EspMountTable& table, const MountPorts& ports) {
    if (!WalkVolumes(table, ports)) {
        return;
    }
    CollectEspLetters(table, ports.inventory(false), ports.storage);

    if (!GptDiskWithoutEspLetter(table, ports.inventory(false), ports.storage)) {
        return;
    }
    // At most once: the tool either helps or is not there.
    std::set<char> lettersBefore;
    for (const PartitionRecord& partition : ports.inventory(false).Partitions()) {
        if (const auto letter = DriveLetterOfRoot(partition.rootPath)) {
            lettersBefore.insert(*letter);
        }
    }
    ShellRun(ports.processes, kLetterTool, kLetterToolParameters, true, false, true);
    ports.sleep(kAfterLetterToolPause);
    CollectEspLetters(table, ports.inventory(true), ports.storage);
    // Letters the tool gave are as temporary as ours: the user did not have them.
    for (const auto& entry : table.espLetters) {
        if (!lettersBefore.contains(entry.second)) {
            table.temporaryLetters.insert(entry.second);
        }
    }
}

void RemoveEspMountPoints(EspMountTable& table, VolumePort& volumes, Diagnostics& diagnostics,
                          const std::set<char>& keep, CleanupJournal* journal) {
    for (const char letter : table.temporaryLetters) {
        if (keep.count(letter) != 0) {
            continue;
        }
        if (const std::uint32_t error = volumes.DeleteMountPoint(DriveRoot(letter))) {
            diagnostics.Write(ErrorLine(L"DeleteVolumeMountPointW", error));
            continue;
        }
        if (journal != nullptr) {
            journal->ForgetLetter(letter);
        }
        std::erase_if(table.espLetters,
                      [letter](const auto& entry) { return entry.second == letter; });
    }
    table.temporaryLetters.clear();
}

}  // namespace qn
