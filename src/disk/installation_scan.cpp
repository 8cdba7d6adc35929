#include "disk/installation_scan.h"

#include <cstdint>
#include <cwctype>
#include <optional>

#include "boot/command_runner.h"
#include "disk/windows_version_text.h"

namespace qn {
namespace {

constexpr wchar_t kSoftwareHive[] = L"\\Windows\\system32\\config\\SOFTWARE";
constexpr wchar_t kSysWow64[] = L"\\Windows\\sysWOW64";
// The pre-installation environment's own drive.
constexpr wchar_t kPreinstallationDrive = L'X';

struct ProductText {
    std::wstring name;
    std::wstring version;
};

ProductText ReadProduct(RegistryKey& key) {
    return ProductText{key.ReadString(L"ProductName"), key.ReadString(L"CurrentVersion")};
}

bool SameDrive(const std::wstring& a, const std::wstring& b) {
    return a.size() == 2 && b.size() == 2 && a[1] == b[1] &&
           std::towupper(static_cast<std::wint_t>(a[0])) ==
               std::towupper(static_cast<std::wint_t>(b[0]));
}

std::wstring CmdPath(FileSystem& files) {
    const std::wstring system = files.FolderPath(KnownFolder::System);
    // Without the system folder the shell's own search for cmd.exe is the best left.
    return system.empty() ? L"cmd.exe" : system + L"\\cmd.exe";
}

void Diagnose(const InstallationScanPorts& ports, const std::wstring& line) {
    if (ports.diagnostics != nullptr) {
        ports.diagnostics->Write(line + L"\n");
    }
}

// "SOFTWARE hive of D: ": how each diagnostic line about a drive's hive begins.
std::wstring HiveOf(const std::wstring& drive) {
    return L"SOFTWARE hive of " + drive + L" ";
}

// Why the registry API did not load the hive, for the diagnostics.
std::wstring RefusalText(const HiveLoad& load) {
    const std::wstring code = std::to_wstring(load.error);
    return load.status == HiveLoadStatus::PrivilegeRefused
               ? L"SeRestorePrivilege/SeBackupPrivilege not enabled, error code " + code
               : L"RegLoadKeyW failed with error code " + code;
}

// The product of the hive loaded at HKU\Software (kCurrentVersionKey begins with
// kOfflineHiveKey); none when its key does not open. The key is closed again on return: an open
// key would keep the hive from unloading.
std::optional<ProductText> ReadLoadedProduct(RegistryPort& registry) {
    if (const auto key = registry.OpenKey(RegistryRoot::Users, kCurrentVersionKey)) {
        return ReadProduct(*key);
    }
    return std::nullopt;
}

// The fallback: reg.exe through cmd.exe loads and unloads the hive, two processes. The hive is
// unloaded whenever the load may have succeeded, so a key that fails to open does not leave it
// loaded and make every later load fail.
std::optional<ProductText> ReadProductByRegExe(const std::wstring& drive,
                                               const InstallationScanPorts& ports) {
    const std::wstring cmd = CmdPath(ports.files);
    const ProcessResult load =
        ShellRun(ports.processes, cmd, RegLoadParameters(drive), true, false, false);
    if (!load.started) {
        Diagnose(ports, HiveOf(drive) + L"not loaded: cmd.exe did not start");
        return std::nullopt;
    }
    // reg load failed for sure: whatever sits at HKU\Software is not this drive's hive.
    if (load.exitCodeKnown && load.exitCode != 0) {
        Diagnose(ports, HiveOf(drive) + L"not loaded: reg load ended with exit code " +
                            std::to_wstring(load.exitCode));
        return std::nullopt;
    }
    const std::optional<ProductText> product = ReadLoadedProduct(ports.registry);
    ShellRun(ports.processes, cmd, RegUnloadParameters(), true, false, false);
    return product;
}

// Reads an offline installation through its hive; none when the hive could not be loaded or
// read. The registry API first; reg.exe when it is refused (nothing is loaded then, so the
// place is free for reg.exe).
std::optional<ProductText> ReadOfflineProduct(const std::wstring& drive,
                                              const InstallationScanPorts& ports) {
    HiveLoad load =
        ports.registry.LoadHive(RegistryRoot::Users, kOfflineHiveKey, SoftwareHivePath(drive));
    if (load.status != HiveLoadStatus::Loaded || !load.hive) {
        Diagnose(ports, HiveOf(drive) + L"read through " + kHiveByRegExe + L" (" +
                            RefusalText(load) + L")");
        return ReadProductByRegExe(drive, ports);
    }
    Diagnose(ports, HiveOf(drive) + L"read through " + kHiveByRegistryApi);
    // Read with the key closed again before the unload; should the reading throw, the hive's
    // destructor unloads it all the same.
    const std::optional<ProductText> product = ReadLoadedProduct(ports.registry);
    const std::uint32_t unload = load.hive->Unload();
    if (unload != 0) {
        Diagnose(ports, HiveOf(drive) + L"not unloaded: RegUnLoadKeyW failed with error code " +
                            std::to_wstring(unload));
    }
    return product;
}

}  // namespace

std::vector<std::wstring> FindSoftwareHives(FileSystem& files, FsRedirection& redirection) {
    const ScopedFsRedirectionOff redirectionOff(redirection);
    std::vector<std::wstring> drives;
    for (wchar_t letter = L'Z'; letter >= L'C'; --letter) {
        if (letter == kPreinstallationDrive) {
            continue;
        }
        const std::wstring drive{letter, L':'};
        if (files.PathExists(drive + kSoftwareHive)) {
            drives.push_back(drive);
        }
    }
    return drives;
}

std::wstring GetSystemDriveText(FileSystem& files) {
    const std::wstring system = files.FolderPath(KnownFolder::System);
    return system.size() < 2 ? std::wstring() : system.substr(0, 2);
}

std::wstring SoftwareHivePath(const std::wstring& drive) {
    return drive + L"\\Windows\\System32\\config\\SOFTWARE";
}

std::wstring RegLoadParameters(const std::wstring& drive) {
    return L"/c reg load hku\\Software " + SoftwareHivePath(drive);
}

std::wstring RegUnloadParameters() {
    return L"/c reg unload hku\\Software";
}

InstallationTable ScanInstallations(const DetectionClaim& claim,
                                    const InstallationScanPorts& ports) {
    const std::vector<std::wstring> drives = FindSoftwareHives(ports.files, ports.redirection);
    const std::wstring system = GetSystemDriveText(ports.files);
    InstallationTable table;
    const int count = static_cast<int>(drives.size());
    for (int i = 0; i < count; ++i) {
        const std::wstring& drive = drives[static_cast<std::size_t>(i)];
        claim.Progress() = i * 100 / count;

        ProductText product;
        if (SameDrive(drive, system)) {
            const auto key = ports.registry.OpenKey(RegistryRoot::LocalMachine, kCurrentVersionKey);
            if (!key) {
                continue;
            }
            // The running system gets its entry even without a readable name.
            product = ReadProduct(*key);
        } else {
            const auto offline = ReadOfflineProduct(drive, ports);
            if (!offline || offline->name.empty()) {
                continue;
            }
            product = *offline;
        }

        WindowsInstall install;
        if (ports.files.PathExists(drive + kSysWow64)) {
            install.displayName = product.name + L" x64";
            install.archBits = 64;
        } else {
            install.displayName = product.name + L" x86";
        }
        install.version = ParseWindowsVersion(product.version);
        install.driveLetter = static_cast<char>(drive[0]);
        table[install.driveLetter] = install;
    }
    return table;
}

}  // namespace qn
