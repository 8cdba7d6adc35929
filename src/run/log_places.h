#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qn {

// A folder a run's log may be written to.
struct LogPlace {
    std::wstring folder;  // with a trailing backslash
    // Windows PE's own RAM drive: the log is gone at the next start unless the user copies it.
    bool lostAtRestart = false;
};

// Where a run's log goes, in the order tried: on an installed Windows the desktop, then the root
// of the first repaired system's drive; in Windows PE (whose desktop is gone after a restart)
// that root first, then the PE desktop. Last, the folder the program was started from (often
// the technician's stick). Places it cannot name are left out, each folder once.
std::vector<LogPlace> LogPlaces(FileSystem& files, bool isWinPE, char firstRepairedLetter);

// The first of them: where a run keeps what must outlive it (its undo folder).
std::wstring LogFolder(FileSystem& files, bool isWinPE, char firstRepairedLetter);

}  // namespace qn
