#pragma once

#include <cstdint>

#include "disk/storage_port.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/module_resources.h"
#include "platform/process_launcher.h"
#include "platform/profile_file.h"
#include "platform/random_source.h"
#include "run/time_limited_processes.h"

namespace qn {

// What the boot entry editor reads and changes, as ports: the machine's own in the program, the
// simulated machine's in the demo and the end-to-end tests.
struct EditorPorts {
    FileSystem& files;
    ProcessLauncher& processes;
    ProfileFile& profile;
    ModuleResources& resources;  // the boot.ini template
    Clock& clock;                // backup names
    RandomSource& random;        // boot.ini identifiers when a save reads the file back
    CodePage& codePage;
    // Which volume the edited file is on, for the save's undo record; null: not recorded.
    StoragePort* storage = nullptr;
    // How long one tool run of a save may take before the save counts it as failed.
    std::uint32_t toolTimeoutMs = kToolRunTimeoutMs;
};

}  // namespace qn
