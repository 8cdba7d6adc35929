#include "disk/installation_scan.h"

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

// Reads an offline installation through its hive; none when the hive could not be loaded or
// read. The hive is unloaded whenever the load may have succeeded, so a key that fails to open
// does not leave it loaded and make every later load fail.
std::optional<ProductText> ReadOfflineProduct(const std::wstring& drive,
                                              const InstallationScanPorts& ports) {
    const std::wstring cmd = CmdPath(ports.files);
    const ProcessResult load =
        ShellRun(ports.processes, cmd, RegLoadParameters(drive), true, false, false);
    if (!load.started) {
        return std::nullopt;
    }
    // reg load failed for sure: whatever sits at HKU\Software is not this drive's hive.
    if (load.exitCodeKnown && load.exitCode != 0) {
        return std::nullopt;
    }
    std::optional<ProductText> product;
    if (auto key = ports.registry.OpenKey(RegistryRoot::Users, kCurrentVersionKey)) {
        product = ReadProduct(*key);
    }  // the key closes here: an open key would keep the hive from unloading
    ShellRun(ports.processes, cmd, RegUnloadParameters(), true, false, false);
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

std::wstring RegLoadParameters(const std::wstring& drive) {
    return L"/c reg load hku\\Software " + drive + L"\\Windows\\System32\\config\\SOFTWARE";
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
