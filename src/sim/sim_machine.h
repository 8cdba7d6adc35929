#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disk/fake/fake_storage_port.h"
#include "disk/fake/fake_volume_port.h"
#include "platform/code_page.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_fs_redirection.h"
#include "sim/ascii_code_page.h"
#include "sim/bcd_ids.h"
#include "sim/bcd_model.h"
#include "sim/boot_sector.h"
#include "sim/boot_verdict.h"
#include "sim/mbr_code.h"
#include "sim/scenario.h"
#include "sim/sim_file_system.h"
#include "sim/sim_firmware_port.h"
#include "sim/sim_process_launcher.h"
#include "sim/sim_registry.h"
#include "sim/sim_volume_port.h"
#include "sim/tool_run.h"

namespace qn::sim {

// A volume on one of the machine's disks (the Windows PE RAM drive is not one).
struct DiskVolume {
    std::wstring id;  // FakeVolumePort id, the file system's volume key, the stores' identity
    const ScenarioDisk* disk = nullptr;
    const ScenarioPartition* partition = nullptr;
    int position = 0;      // 1-based place in the disk's table
    int deviceNumber = 0;  // \Device\HarddiskVolumeN; 0 for the MSR, which is no volume
    std::vector<std::uint8_t> bootSector;  // its first sector, 512 bytes
    // The sectors after it that the machine keeps, from sector 1 on (see boot_region.h); empty
    // where it keeps only the boot sector.
    std::vector<std::uint8_t> followingSectors;
};

// A UEFI boot entry (Boot####) as the firmware keeps it.
struct FirmwareEntry {
    std::wstring id;  // how bcdedit shows it: {bootmgr} for Windows' own, a GUID otherwise
    std::wstring description;
    std::wstring volume;  // the partition it names, by identity
    std::wstring path;
};

// One simulated machine built from a scenario: its disks and volumes (storage and volume ports),
// the files on its volumes, its registry (the running system's and the hives of the others), its
// boot state (firmware, boot code, stores inside their files, boot.ini), child processes with
// stand-in bcdedit, bcdboot and bootsect, and a journal of every change the program makes to it.
// Mounting a letterless volume really gives it a letter here: storage queries, the inventory
// and file paths all see it.
class SimMachine {
public:
    // Tool output and the ANSI files (boot.ini) go through codePage, which should be the
    // scenario language's (FakeCodePage natively, the system's under Wine). Without one, text
    // is ASCII only.
    explicit SimMachine(const Scenario& scenario);
    SimMachine(const Scenario& scenario, CodePage& codePage);
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    fake::FakeStoragePort& Storage() { return storage_; }
    // The volume port the program uses (journaled); Volumes() is the machine's own view.
    SimVolumePort& VolumePortForProgram() { return volumePort_; }
    // The file system the program uses (journaled); Files() is the machine's own view.
    SimFileSystem& FilesForProgram() { return fileSystem_; }
    // The firmware mode the program reads (how the running system was started).
    FirmwarePort& FirmwareForProgram() { return firmwarePort_; }
    fake::FakeVolumePort& Volumes() { return volumes_; }
    const fake::FakeVolumePort& Volumes() const { return volumes_; }
    fake::FakeFileSystem& Files() { return files_; }
    const fake::FakeFileSystem& Files() const { return files_; }
    // The program reads and loads hives through it too: LoadHive starts no process.
    SimRegistry& Registry() { return registry_; }
    fake::FakeFsRedirection& Redirection() { return redirection_; }
    SimProcessLauncher& Processes() { return processes_; }
    CodePage& Text() const { return *codePage_; }
    bool WinPE() const { return winPE_; }
    int RegLoadDelayMs() const { return scenario_.regLoadDelayMs; }
    const Scenario& Description() const { return scenario_; }
    // How the machine starts its disks (the verdict's firmware).
    Firmware FirmwareKind() const { return scenario_.firmware; }
    // How the running system was started: what the program and its tools read as the firmware,
    // and whether the firmware's boot entries can be read and written from it.
    Firmware RunningFirmware() const { return scenario_.peFirmware.value_or(scenario_.firmware); }
    FirmwareArchitecture FirmwareArch() const { return scenario_.firmwareArchitecture; }
    ToolLanguage Language() const { return scenario_.language; }

    // Mounts, file changes, sector writes, hive loads through the registry API and program runs,
    // in the order they happened. A run's output follows its line, one "  > " line per output
    // line.
    std::vector<std::wstring> Journal() const;
    void Record(std::wstring line);
    // Also hands every new journal line to sink (the demo program writes them to a file a test
    // reads, as they happen: the program may end without running destructors).
    void SetJournalSink(std::function<void(const std::wstring&)> sink);
    // Hands every file the program wrote to sink with its bytes when the program closes it (the
    // demo program copies them where a test reads them: the repair log is one).
    using FileSink = std::function<void(const std::wstring&, const std::vector<std::uint8_t>&)>;
    void SetFileSink(FileSink sink);
    void FileClosed(const std::wstring& path);
    // Every program run, with its arguments, exit code and output.
    std::vector<ToolRun> ToolRuns() const;
    void RecordRun(ToolRun run);

    // The scenario's installation on the volume now at letter; null when none.
    const ScenarioInstall* InstallAt(wchar_t letter) const;

    // Volumes on disks, in disk order and table order.
    const std::vector<DiskVolume>& DiskVolumes() const { return diskVolumes_; }
    const DiskVolume* VolumeById(const std::wstring& id) const;
    const DiskVolume* VolumeAtLetter(wchar_t letter) const;
    const DiskVolume* VolumeAt(std::uint32_t disk, int position) const;
    // The disks as the BIOS counts them once the technician pulled the stick: the scenario's
    // boot disk first, then the fixed disks by number; removable disks only when no fixed disk
    // is left. rdisk(N) of an ARC path is the N-th of these.
    std::vector<std::uint32_t> BiosDiskOrder() const;
    // A removable disk is not there at the next start while a fixed disk remains.
    bool PulledAtNextStart(const ScenarioDisk& disk) const;
    // The volume's letter now, 0 when it has none.
    wchar_t LetterOf(const DiskVolume& volume) const;
    // A path to a file on the volume, letter or not, for Files(): rooted is "\Boot\BCD".
    std::wstring PathOn(const DiskVolume& volume, std::wstring_view rooted) const;
    // "partition=C:", or the device name when the volume has no letter; "unknown" when no
    // volume has that identity; "boot".
    std::wstring DeviceText(const BcdDevice& device) const;
    // Volume of a device text as bcdedit takes it ("partition=D:", "boot").
    std::optional<BcdDevice> DeviceFromText(std::wstring_view text) const;

    // The partition the firmware started from: the system store lives there, and bcdboot
    // without /s writes there. Null when there is none (Windows PE started from a medium the
    // machine does not show).
    const DiskVolume* SystemPartition() const;
    // Where the system store's file is (a path for Files()); empty without a system partition.
    std::wstring SystemStorePath() const;
    // The running Windows' volume; null in Windows PE.
    const DiskVolume* RunningVolume() const;

    // Whether Windows holds the file at path open (a path for Files() or the program's, any
    // case): the running system's store with its log and its registry hives, and what the
    // scenario names. The program cannot copy, read, replace or delete such a file (sharing
    // violation, error 32); the stand-in tools reach it through the system's own handles.
    bool IsHeldOpen(const std::wstring& path) const;
    // Room left on a volume for what the tools write: the scenario's free space (half the volume
    // when it does not say), less what they took. UseBytes takes nothing and fails when there is
    // not that much room; ReleaseBytes gives room back (a file replaced or deleted).
    std::uint64_t FreeBytes(const DiskVolume& volume) const;
    bool UseBytes(const DiskVolume& volume, std::uint64_t bytes);
    void ReleaseBytes(const DiskVolume& volume, std::uint64_t bytes);

    // A BitLocker volume that is not unlocked: the program reaches none of its files (SimFileSystem
    // refuses every path on it, the storage port reports it RAW); the machine's own view, the
    // tools' reads of the truth and the verdict still see what is inside.
    bool VolumeLocked(const DiskVolume& volume) const { return volume.partition->locked; }
    // Whether a path (a letter's or a volume key's, as Files() takes it) lies on such a volume.
    bool OnLockedVolume(const std::wstring& path) const;

    // A volume with open files cannot be locked (bootsect warns, sector writes are refused): the
    // running system's volume, one holding files Windows keeps open, and the scenario's.
    bool VolumeInUse(const DiskVolume& volume) const;

    // Boot code as bytes, the truth the verdict and the program's diagnosis read.
    std::array<std::uint8_t, kSectorBytes> DiskSector0(std::uint32_t disk) const;
    // What raw sector reads see (the storage port's devices ask here at every read, so a read
    // always sees what bootsect last wrote): on a disk, sector 0 and each volume's kept sectors
    // (boot sector, following sectors) from the volume's first sector, zeros elsewhere; on a
    // volume, its kept sectors, then zeros. Nothing past the disk's or volume's end, or for a
    // disk or volume the machine lacks.
    std::optional<std::vector<std::uint8_t>> ReadDiskSectors(std::uint32_t disk,
                                                             std::uint64_t first,
                                                             std::uint32_t count) const;
    std::optional<std::vector<std::uint8_t>> ReadVolumeSectors(const std::wstring& volumeId,
                                                               std::uint64_t first,
                                                               std::uint32_t count) const;
    // What raw sector writes change (the devices' sinks), whole 512-byte sectors from first on;
    // all of them or, refused, none. On a disk, sector 0 takes new boot code (bytes 0-439) only:
    // the machine derives the signature, the partition table and 55 AA from the scenario, so a
    // sector 0 whose bytes 440-511 differ from DiskSector0's is refused. A volume's first sector
    // replaces its boot sector (as WriteBootSector) and its following sectors theirs, through
    // the disk or the volume, as raw bytes (an exFAT checksum is not made to match). Every other
    // sector is refused: the machine keeps no bytes there. (Windows refuses a write through a
    // disk into a mounted volume that is not locked; the machine lets it land.)
    // Journal: "write sectors \\.\PhysicalDrive0 0+1" or "write sectors \\.\C: 0+1" (the
    // volume's name when it has no letter), " failed" after a refused one.
    bool WriteDiskSectors(std::uint32_t disk, std::uint64_t first,
                          std::span<const std::uint8_t> bytes);
    bool WriteVolumeSectors(const std::wstring& volumeId, std::uint64_t first,
                            std::span<const std::uint8_t> bytes);
    MbrCode DiskMbrCode(std::uint32_t disk) const;
    void SetMbrCode(std::uint32_t disk, MbrCode code);
    void WriteMbrCode(std::uint32_t disk, std::span<const std::uint8_t> code);  // 440 bytes
    VolumeGeometry GeometryOf(const DiskVolume& volume) const;
    BootRecordCode VolumeBootCode(const DiskVolume& volume) const;
    void SetBootRecordCode(const std::wstring& volumeId, BootRecordCode code);
    void WriteBootSector(const std::wstring& volumeId, std::span<const std::uint8_t> sector);

    // UEFI boot entries in boot order.
    std::vector<FirmwareEntry>& FirmwareEntries() { return firmwareEntries_; }
    const std::vector<FirmwareEntry>& FirmwareEntries() const { return firmwareEntries_; }
    // The one-time next boot (BootNext, {fwbootmgr}'s bootsequence): the firmware tries it once
    // before its boot order; it need not be in that order. nullopt: none.
    std::optional<FirmwareEntry>& FirmwareBootNext() { return bootNext_; }
    const std::optional<FirmwareEntry>& FirmwareBootNext() const { return bootNext_; }

    // A new object identifier (the same sequence on every run of a scenario).
    std::wstring NewGuid();
    // The scenario's failure for this run of tool ("bcdedit"), used up when it matches.
    std::optional<ToolOutcome> TakeInjectedFailure(const std::wstring& tool,
                                                   const std::vector<std::wstring>& arguments);

    // What the firmware would start now.
    BootVerdict Boot() const;

    // Where the running system keeps its folders on this machine.
    static constexpr wchar_t kPeDrive = L'X';

private:
    struct DiskState {
        const ScenarioDisk* disk = nullptr;
        MbrCodeArea code{};
        std::uint32_t signature = 0;
    };
    std::wstring VolumeIdAt(wchar_t letter) const;
    void AddVolume(const ScenarioDisk& disk, const ScenarioPartition& partition, int position);
    void PlaceFiles(const DiskVolume& volume);
    void PlaceStores(const DiskVolume& volume);
    void PlaceSystem();
    void HoldOpenFiles();
    DiskVolume* MutableVolume(const std::wstring& id);
    const DiskState* Disk(std::uint32_t number) const;

    Scenario scenario_;
    bool winPE_;
    AsciiCodePage asciiCodePage_;
    CodePage* codePage_;
    fake::FakeStoragePort storage_;
    fake::FakeVolumePort volumes_;
    fake::FakeFileSystem files_;
    SimRegistry registry_;
    fake::FakeFsRedirection redirection_;
    SimProcessLauncher processes_;
    SimVolumePort volumePort_;
    SimFileSystem fileSystem_;
    SimFirmwarePort firmwarePort_;
    std::vector<DiskVolume> diskVolumes_;
    std::vector<DiskState> disks_;
    std::vector<FirmwareEntry> firmwareEntries_;
    std::optional<FirmwareEntry> bootNext_;
    // Files Windows holds open: the volume's identity and the rooted path, lower case.
    std::vector<std::pair<std::wstring, std::wstring>> heldOpen_;
    std::map<std::wstring, std::uint64_t> freeBytes_;  // by volume identity, once changed
    std::vector<ScenarioFailure> failures_;            // times counts down; 0 stays for ever
    GuidSequence guids_;
    std::wstring peVolume_;
    int deviceCount_ = 0;
    mutable std::mutex journalLock_;
    std::vector<std::wstring> journal_;
    std::vector<ToolRun> runs_;
    std::function<void(const std::wstring&)> sink_;
    FileSink fileSink_;
};

}  // namespace qn::sim
