#pragma once

#include <string>
#include <vector>

#include "disk/detect_status.h"
#include "disk/windows_install.h"
#include "platform/diagnostics.h"
#include "platform/file_system.h"
#include "platform/fs_redirection.h"
#include "platform/process_launcher.h"
#include "platform/registry_port.h"

namespace qn {

// What the installation scan works on.
struct InstallationScanPorts {
    FileSystem& files;  // hive and sysWOW64 checks; the system folder
    // The running system's keys; offline hives are loaded through it (RegLoadKeyW, no process).
    RegistryPort& registry;
    FsRedirection& redirection;
    // cmd.exe for reg load / reg unload, where the registry cannot load a hive itself (the
    // privileges could not be enabled, or the load was refused).
    ProcessLauncher& processes;
    // Which way each offline installation's hive went (注册表 API or reg.exe) and why; null:
    // nowhere.
    Diagnostics* diagnostics = nullptr;
};

// The machine's own ports, with diagnostics to where the caller keeps them. Which adapters
// stand behind them is decided by what the build links.
InstallationScanPorts SystemInstallationScanPorts(Diagnostics& diagnostics = SystemDiagnostics());

// How the diagnostics name the two ways an offline hive is loaded.
inline constexpr wchar_t kHiveByRegistryApi[] = L"注册表 API";
inline constexpr wchar_t kHiveByRegExe[] = L"reg.exe";

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

// Where drive's SOFTWARE hive is loaded from, "D:\Windows\System32\config\SOFTWARE", and the
// key under HKEY_USERS it is loaded at.
std::wstring SoftwareHivePath(const std::wstring& drive);
inline constexpr wchar_t kOfflineHiveKey[] = L"Software";

// The cmd.exe parameters that load drive's SOFTWARE hive at HKU\Software, and unload it.
std::wstring RegLoadParameters(const std::wstring& drive);
std::wstring RegUnloadParameters();

// Finds the Windows installations: the running one through HKEY_LOCAL_MACHINE, every other one
// through its own SOFTWARE hive loaded at HKU\Software for the moment it is read. The hive is
// loaded through the registry port (no process); when that is refused, by reg.exe through
// cmd.exe as before (two processes), and the diagnostics say which way each drive went. Writes
// the claim's progress as i * 100 / count before drive i; the caller reports 100 at the end.
// Leaves no hive loaded that it loaded, whichever way, also when reading it failed: a key opened
// in it is closed before the unload.
InstallationTable ScanInstallations(const DetectionClaim& claim,
                                    const InstallationScanPorts& ports);

}  // namespace qn
