#include "platform/system_ports.h"

#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_module_resources.h"
#include "platform/win32/win32_process_launcher.h"
#include "platform/win32/win32_random_source.h"

namespace qn {

SystemPorts& TheSystemPorts() {
    static win32::Win32CodePage codePage;
    static win32::Win32FileSystem files;
    static win32::Win32ProcessLauncher processes;
    static win32::Win32ModuleResources resources;
    static win32::Win32Clock clock;
    static win32::Win32RandomSource random;
    static SystemPorts ports{codePage, files, processes, resources, clock, random};
    return ports;
}

FileSystem& SystemOutputFiles() {
    return TheSystemPorts().files;
}

}  // namespace qn
