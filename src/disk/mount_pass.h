#pragma once

#include <chrono>
#include <functional>
#include <set>
#include <utility>

#include "boot/cleanup_journal.h"
#include "disk/disk_info.h"
#include "disk/esp_mount_table.h"
#include "disk/storage_port.h"
#include "disk/volume_port.h"
#include "platform/diagnostics.h"
#include "platform/process_launcher.h"

namespace qn {

// What the start-up mount pass works on.
struct MountPorts {
    VolumePort& volumes;
    StoragePort& storage;
    ProcessLauncher& processes;
    Diagnostics& diagnostics;
    // The process-wide inventory; true rebuilds it first. The pass asks for it only after the
    // volume walk, so the inventory sees the letters just given.
    std::function<DiskInfo&(bool refresh)> inventory;
    std::function<void(std::chrono::milliseconds)> sleep;
    // Where each letter given is listed until it is removed again; null: nowhere.
    CleanupJournal* leftovers = nullptr;
};

// The machine's own ports and inventory. Which adapters stand behind them is decided by what the
// build links.
MountPorts SystemMountPorts();

// Gives every volume without letter or folder mount a temporary drive letter and keeps it for
// EFI system partitions and active MBR partitions; records each disk's EFI system partition
// letter. When a GPT disk is still without one, runs "pecmd show" once and looks again.
// Diagnostic lines go to ports.diagnostics; nothing here stops start-up.
void MountLetterlessVolumes(EspMountTable& table, const MountPorts& ports);

// Removes the letters this program mounted (table.temporaryLetters) and forgets them; letters
// the user had before are left alone. Safe to call again. Those in keep are left mounted (a
// worker still uses them) and forgotten here; the journal keeps them listed, so the next start
// removes them.
void RemoveEspMountPoints(EspMountTable& table, VolumePort& volumes, Diagnostics& diagnostics,
                          const std::set<char>& keep = {}, CleanupJournal* journal = nullptr);

// The first letter from C to Z with nothing mounted at its root; '[' when all are in use. A and
// B are never offered.
char FindFreeDriveLetter(StoragePort& storage);

inline constexpr char kNoFreeDriveLetter = '[';

// For each disk of the inventory and each of its lettered partitions in order: an EFI system
// partition sets table.espLetters[its disk] to its letter, so the last one on a disk wins.
void CollectEspLetters(EspMountTable& table, const DiskInfo& inventory, StoragePort& storage);

// Owns the start-up mounts: runs the pass when constructed and removes the temporary letters
// when destroyed, so every way out of the owner (a start-up abort included) cleans up.
class ScopedEspMounts {
public:
    explicit ScopedEspMounts(MountPorts ports) : ports_(std::move(ports)) {
        MountLetterlessVolumes(table_, ports_);
    }
    ~ScopedEspMounts() {
        RemoveEspMountPoints(table_, ports_.volumes, ports_.diagnostics, {}, ports_.leftovers);
    }
    ScopedEspMounts(const ScopedEspMounts&) = delete;
    ScopedEspMounts& operator=(const ScopedEspMounts&) = delete;

    const EspMountTable& Table() const { return table_; }
    // Removes the temporary letters now (the owner's shutdown), leaving those in keep mounted;
    // the destructor then has nothing left to do.
    void Remove(const std::set<char>& keep = {}) {
        RemoveEspMountPoints(table_, ports_.volumes, ports_.diagnostics, keep, ports_.leftovers);
    }

private:
    MountPorts ports_;
    EspMountTable table_;
};

}  // namespace qn
