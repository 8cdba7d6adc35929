#pragma once

#include <functional>

#include "app/command_line_options.h"
#include "disk/installation_scan.h"
#include "disk/mount_pass.h"
#include "platform/console_output.h"
#include "run/repair_ports.h"

namespace qn {

// Exit codes of the unattended modes.
inline constexpr int kExitDone = 0;        // every step succeeded and the check passed
inline constexpr int kExitStepFailed = 1;  // a step failed (or nothing could be repaired)
inline constexpr int kExitRefused = 2;     // bad arguments, or refused before anything changed

struct UnattendedPorts {
    RepairPorts repair;
    MountPorts mount;
    InstallationScanPorts scan;
    FileSystem& outputFiles;  // where the files named on the command line go
    ConsoleOutput& console;
    std::wstring version;
};

// The program's work without its window, as the command line asked: the start-up mount pass
// and scan as the window does them, then the plan or the automatic repair of the chosen boot
// partition (disk 0's by default; /boot must name one of the machine's boot partitions), the
// result rows on the console, the log and the JSON report where asked. The temporary letters
// are removed on every way out. Returns the exit code.
int RunUnattended(const CommandLineOptions& options, UnattendedPorts& ports);

// The running program's ports for the unattended modes.
UnattendedPorts SystemUnattendedPorts();

// The options and usage as the command line's error says them, exit code kExitRefused.
int RefuseCommandLine(const std::wstring& message, ConsoleOutput& console);

}  // namespace qn
