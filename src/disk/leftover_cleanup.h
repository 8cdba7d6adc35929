#pragma once

#include <string>
#include <vector>

#include "boot/cleanup_journal.h"
#include "disk/mount_pass.h"
#include "disk/volume_port.h"
#include "platform/file_system.h"

namespace qn {

// What clearing an earlier start's leftovers did, one text per thing, for the diagnostics.
struct LeftoverCleanup {
    std::vector<std::wstring> cleared;
    std::vector<std::wstring> kept;  // with the reason
};

// Clears what an earlier start listed and never struck off (killed, crashed, power lost), and
// strikes each thing off. Only what is still the program's own goes: a work folder by its place
// and name, a drive letter while it still names the volume it was given to, the message module
// while its bytes are those the program wrote. What is no longer the program's is struck off and
// left alone; what could not be removed stays listed for the next start. Runs before the start's
// own mount pass, so a letter given last time is not taken for the user's.
LeftoverCleanup ClearEarlierLeftovers(CleanupJournal& journal, FileSystem& files,
                                      VolumePort& volumes);

// The same at a start: over the mount pass's list and volumes (nothing without a list), with a
// diagnostic line per thing.
LeftoverCleanup ClearEarlierLeftovers(const MountPorts& ports, FileSystem& files);

}  // namespace qn
