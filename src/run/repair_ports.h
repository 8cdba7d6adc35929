#pragma once

#include <atomic>

#include "boot/cleanup_journal.h"
#include "disk/disk_info.h"
#include "disk/storage_port.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/firmware_port.h"
#include "platform/fs_redirection.h"
#include "platform/module_resources.h"
#include "platform/process_launcher.h"
#include "platform/profile_file.h"
#include "platform/random_source.h"

namespace qn {

// Everything a repair run reads and changes, as ports: the real machine's in the program, the
// simulated machine's in the demo and the end-to-end tests.
struct RepairPorts {
    FileSystem& files;
    ProcessLauncher& processes;
    ProfileFile& profile;
    ModuleResources& resources;
    Clock& clock;
    RandomSource& random;
    CodePage& codePage;
    StoragePort& storage;
    FsRedirection& redirection;
    const DiskInfo& inventory;  // letters' places on their disks
    FirmwarePort& firmware;     // for the diagnosis before and after a run
    // Raised when the user asked the run to stop (the console's Ctrl+C); null: never asked.
    const std::atomic<bool>* interrupt = nullptr;
    // Lists the work folder and the message module while they exist; null: nowhere.
    CleanupJournal* leftovers = nullptr;
};

}  // namespace qn
