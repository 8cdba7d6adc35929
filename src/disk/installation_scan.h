#pragma once

#include <string>
#include <vector>

#include "disk/detect_status.h"
#include "disk/windows_install.h"
#include "platform/file_system.h"
#include "platform/fs_redirection.h"
#include "platform/process_launcher.h"
#include "platform/registry_port.h"

namespace qn {

// What the installation scan works on.
struct InstallationScanPorts {
    FileSystem& files;  // hive and sysWOW64 checks; the system folder
    RegistryPort& registry;
    FsRedirection& redirection;
    ProcessLauncher& processes;  // cmd.exe for reg load / reg unload
};

// The machine's own ports. Which adapters stand behind them is decided by what the build
// links.
InstallationScanPorts SystemInstallationScanPorts();

// The key under HKEY_LOCAL_MACHINE (running system) or HKEY_USERS (loaded offline hive) that
// holds ProductName and CurrentVersion.
inline constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";

// Drives "Z:" down to "C:" that hold \Windows\system32\config\SOFTWARE, looked for with WOW64
// redirection off. X: is never examined: in a pre-installation environment it is the
// environment's own drive.
std::vector<std::wstring> FindSoftwareHives(FileSystem& files, FsRedirection& redirection);

// The running system's drive, "C:" (or "X:" in a pre-installation environment); empty when the
// system folder is unknown.
std::wstring GetSystemDriveText(FileSystem& files);

// The cmd.exe parameters that load drive's SOFTWARE hive at HKU\Software, and unload it.
std::wstring RegLoadParameters(const std::wstring& drive);
std::wstring RegUnloadParameters();

// Finds the Windows installations: the running one through HKEY_LOCAL_MACHINE, every other one
// through its own SOFTWARE hive loaded at HKU\Software for the moment it is read. Writes the
// claim's progress as i * 100 / count before drive i; the caller reports 100 at the end. Leaves
// no hive loaded that it loaded.
InstallationTable ScanInstallations(const DetectionClaim& claim,
                                    const InstallationScanPorts& ports);

}  // namespace qn
