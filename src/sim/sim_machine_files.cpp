// What the machine's volumes hold when it starts: the scenario's files with their contents,
// stores and boot.ini, each installation's own files, and the running system's folders and
// tools.
#include <string>
#include <vector>

#include "boot/utf8_text.h"
#include "disk/installation_scan.h"
#include "platform/file_system.h"
#include "sim/bcd_store_file.h"
#include "sim/boot_ini_text.h"
#include "sim/loader_image.h"
#include "sim/lower_case.h"
#include "sim/scenario_store_builder.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

constexpr std::uint32_t kBootFileAttributes =
    kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

int MajorVersion(const std::wstring& version) {
    int major = 0;
    for (wchar_t c : version) {
        if (c < L'0' || c > L'9') {
            break;
        }
        major = major * 10 + (c - L'0');
        if (major > 100) {
            break;
        }
    }
    return major;
}

// 32-bit Windows has EFI boot files from Windows 8 (6.2) on, for 32-bit UEFI firmware; 64-bit
// Windows has them from Vista on.
bool HasEfiBootFiles(const ScenarioInstall& install) {
    const std::wstring& version = install.currentVersion;
    const int major = MajorVersion(version);
    const std::size_t dot = version.find(L'.');
    const int minor = dot == std::wstring::npos ? 0 : MajorVersion(version.substr(dot + 1));
    return install.x64 ? major >= 6 : major > 6 || (major == 6 && minor >= 2);
}

std::wstring ToolMarker(const std::wstring& name) {
    return L"Quenra simulated program: " + name + L"\r\n";
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// UTF-16 as Notepad saves "Unicode": a byte order mark, then little-endian units.
std::vector<std::uint8_t> ContentBytes(const ScenarioFileContent& content, CodePage& codePage) {
    if (!content.isText) {
        return content.bytes;
    }
    switch (content.encoding) {
        case FileTextEncoding::Utf8:
            return Bytes(WideToUtf8(content.text));
        case FileTextEncoding::Ansi:
            return Bytes(codePage.FromWide(content.text, CodePageKind::Ansi));
        case FileTextEncoding::Utf16:
            break;
    }
    std::vector<std::uint8_t> out{0xFF, 0xFE};
    auto unit = [&out](std::uint32_t u) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>((u >> 8) & 0xFF));
    };
    for (wchar_t c : content.text) {
        // A 32-bit wchar_t holds characters beyond the BMP whole; a 16-bit one holds the pair.
        const auto code = static_cast<std::uint32_t>(c);
        if (code >= 0x10000) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return out;
}

}  // namespace

void SimMachine::PlaceFiles(const DiskVolume& volume) {
    const ScenarioPartition& p = *volume.partition;
    // The installation's own files first: a file the scenario names replaces one of them.
    if (p.install) {
        const ScenarioInstall& install = *p.install;
        auto add = [&](const wchar_t* path, FileImage image) {
            files_.AddFile(PathOn(volume, path), ImageBytes(image));
        };
        add(L"\\Windows\\System32\\config\\SOFTWARE", FileImage::Empty);
        if (install.x64) {
            files_.AddDirectory(PathOn(volume, L"\\Windows\\SysWOW64"));
        }
        if (MajorVersion(install.currentVersion) >= 6) {
            add(L"\\Windows\\System32\\winload.exe", FileImage::Winload);
            add(L"\\Windows\\System32\\winresume.exe", FileImage::Other);
            add(L"\\Windows\\System32\\config\\BCD-Template", FileImage::Other);
            if (HasEfiBootFiles(install)) {
                add(L"\\Windows\\System32\\winload.efi", FileImage::WinloadEfi);
            }
            if (install.bootFiles) {
                add(L"\\Windows\\Boot\\PCAT\\bootmgr", FileImage::Bootmgr);
                add(L"\\Windows\\Boot\\PCAT\\memtest.exe", FileImage::Other);
                add(L"\\Windows\\Boot\\Fonts\\wgl4_boot.ttf", FileImage::Other);
                // Each Windows carries the EFI programs of its own architecture, if any.
                if (HasEfiBootFiles(install)) {
                    add(L"\\Windows\\Boot\\EFI\\bootmgfw.efi", FileImage::BootmgrEfi);
                    add(L"\\Windows\\Boot\\EFI\\bootmgr.efi", FileImage::BootmgrEfi);
                    add(L"\\Windows\\Boot\\EFI\\memtest.efi", FileImage::Other);
                }
            }
        }
    }
    for (const std::wstring& file : p.deletedFiles) {
        files_.RemoveFile(PathOn(volume, file));
    }
    for (const std::wstring& file : p.files) {
        const auto content = p.fileContents.find(file);
        if (content != p.fileContents.end()) {
            files_.AddFile(PathOn(volume, file), ContentBytes(content->second, *codePage_));
        } else {
            const auto named = p.fileImages.find(file);
            const FileImage image =
                named != p.fileImages.end() ? named->second : DefaultImageFor(file);
            files_.AddFile(PathOn(volume, file), ImageBytes(image));
        }
        const std::wstring lower = LowerCase(file);
        if (lower == L"\\bootmgr" || lower == L"\\ntldr" || lower == L"\\ntdetect.com") {
            files_.SetAttributes(PathOn(volume, file), kBootFileAttributes);
        }
    }
    if (p.bootIni) {
        const std::string text = codePage_->FromWide(BootIniText(*p.bootIni), CodePageKind::Ansi);
        files_.AddFile(PathOn(volume, L"\\boot.ini"), Bytes(text));
        files_.SetAttributes(PathOn(volume, L"\\boot.ini"), kBootFileAttributes);
    }
}

void SimMachine::PlaceStores(const DiskVolume& volume) {
    StoreBuildContext context;
    context.selfVolume = volume.id;
    context.volumeOf = [this](const ScenarioPartitionRef& ref) -> std::optional<std::wstring> {
        const DiskVolume* target = VolumeAt(ref.disk, ref.position);
        return target != nullptr ? std::optional<std::wstring>(target->id) : std::nullopt;
    };
    context.newGuid = [this] { return guids_.Next(); };
    for (const ScenarioStore& store : volume.partition->stores) {
        auto built = BuildScenarioStore(store, context);
        // The reader has checked the store; one that still does not build stays unreadable.
        const auto* data = std::get_if<BcdStoreData>(&built);
        files_.AddFile(PathOn(volume, store.path),
                       data != nullptr ? SerializeStore(*data) : std::vector<std::uint8_t>{});
    }
}

void SimMachine::PlaceSystem() {
    std::wstring system;
    int runningMajor = 0;
    if (winPE_) {
        // The pre-installation environment's own RAM drive: on no disk.
        fake::FakeVolume ram;
        ram.info = VolumeInformation{L"Boot", 0x1234, L"NTFS"};
        peVolume_ = L"winpe-ram";
        volumes_.AddVolume(peVolume_, ram, static_cast<char>(kPeDrive));
        files_.AddDirectory(L"X:\\Windows\\System32\\config\\systemprofile\\AppData\\Local");
        files_.SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
        files_.SetFolder(KnownFolder::LocalAppData,
                         L"X:\\Windows\\System32\\config\\systemprofile\\AppData\\Local");
        files_.SetFolder(KnownFolder::Desktop,
                         L"X:\\Windows\\System32\\config\\systemprofile\\Desktop");
        files_.AddFile(L"X:\\Windows\\System32\\cmd.exe");
        system = L"X:\\Windows\\System32";
    }
    for (const ScenarioDisk& disk : scenario_.disks) {
        for (const ScenarioPartition& p : disk.partitions) {
            if (!p.install || !p.install->running || p.letter == 0) {
                continue;
            }
            const std::wstring drive(1, static_cast<wchar_t>(p.letter));
            registry_.AddKey(RegistryRoot::LocalMachine, kCurrentVersionKey);
            if (p.install->productReadable) {
                registry_.SetString(RegistryRoot::LocalMachine, kCurrentVersionKey, L"ProductName",
                                    p.install->productName);
                registry_.SetString(RegistryRoot::LocalMachine, kCurrentVersionKey,
                                    L"CurrentVersion", p.install->currentVersion);
            }
            if (!winPE_) {
                files_.SetFolder(KnownFolder::System, drive + L":\\Windows\\System32");
                files_.SetFolder(KnownFolder::LocalAppData,
                                 drive + L":\\Users\\Administrator\\AppData\\Local");
                files_.SetFolder(KnownFolder::Desktop, drive + L":\\Users\\Administrator\\Desktop");
                files_.AddDirectory(drive + L":\\Users\\Administrator\\Desktop");
                files_.AddDirectory(drive + L":\\Users\\Administrator\\AppData\\Local");
                files_.AddFile(drive + L":\\Windows\\System32\\cmd.exe");
                system = drive + L":\\Windows\\System32";
                runningMajor = MajorVersion(p.install->currentVersion);
            }
        }
    }
    if (system.empty()) {
        return;
    }
    // Windows PE carries all three tools; an installed Windows has bcdedit from Vista on and
    // bcdboot from 7 on, never bootsect.
    std::vector<std::wstring> tools;
    if (scenario_.systemTools) {
        tools = *scenario_.systemTools;
    } else if (winPE_) {
        tools = {L"bcdedit", L"bcdboot", L"bootsect"};
    } else {
        if (runningMajor >= 6) {
            tools.push_back(L"bcdedit");
            const ScenarioInstall* running =
                RunningVolume() ? &*RunningVolume()->partition->install : nullptr;
            if (running != nullptr && running->currentVersion != L"6.0") {
                tools.push_back(L"bcdboot");
            }
        }
    }
    for (const std::wstring& tool : tools) {
        const std::wstring name = tool + L".exe";
        files_.AddFile(system + L"\\" + name, Bytes(WideToUtf8(ToolMarker(name))));
    }
}

}  // namespace qn::sim
