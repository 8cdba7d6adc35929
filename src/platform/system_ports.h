#pragma once

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/module_resources.h"
#include "platform/process_launcher.h"
#include "platform/random_source.h"

namespace qn {

// The cross-cutting services of the running program. One set per process; which adapters stand
// behind it (the real Win32 ones or the simulated machine) is decided by what the build links.
struct SystemPorts {
    CodePage& codePage;
    FileSystem& files;
    ProcessLauncher& processes;
    ModuleResources& resources;
    Clock& clock;
    RandomSource& random;
};

SystemPorts& TheSystemPorts();

// Where files the user names on the command line go (reports, logs): the machine's own file
// system; in the simulated build the real one, outside the simulated machine.
FileSystem& SystemOutputFiles();

}  // namespace qn
