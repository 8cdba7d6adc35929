// The road the firmware takes at the next start, BIOS or UEFI, to its first broken link; then each
// installation's verdict.
#include "diagnosis/diagnosis_steps.h"

#include <algorithm>

#include "boot/boot_ini_reader.h"

namespace qn::diagnosis_detail {

namespace {

// Why the boot disk's master boot record starts no usable active partition; empty when it does.
std::wstring MbrProblem(const DiskDiagnosis& boot) {
    const std::wstring disk = DiskName(boot.number);
    switch (boot.mbrCode) {
        case MbrCodeKind::None:
            return disk + L" 主引导记录没有引导代码";
        case MbrCodeKind::Grub:
            return disk +
                   L" 主引导记录是 GRUB 的引导代码：开机启动的是 GRUB，不是 "
                   L"Windows 的引导程序";
        case MbrCodeKind::Other:
            return disk + L" 主引导记录是其他引导程序的代码，不是 Windows 的";
        case MbrCodeKind::Nt6:
        case MbrCodeKind::Nt5:
        case MbrCodeKind::Syslinux:  // starts the active partition, as Windows' code does
            break;
    }
    if (!boot.bootSignature) {
        return disk + L" 主引导记录缺少结束标志 55AA，BIOS 不会运行它";
    }
    if (boot.style == PartitionStyle::Gpt) {
        return disk + L" 是 GPT 磁盘，BIOS 无法从它启动 Windows";
    }
    if (!boot.tableValid) {
        return disk + L" 的分区表无效";
    }
    if (boot.activeCount == 0) {
        return disk + L" 没有激活分区";
    }
    if (boot.activeCount > 1) {
        return disk + L" 有多个激活分区（主引导记录会报告 \"Invalid partition table\"）";
    }
    // The MBR code starts the active entry's first sector whatever its type; an extended
    // partition's holds the next partition table, no code.
    if (boot.activeExtended) {
        return disk +
               L" 的激活标记在扩展分区上：主引导记录会启动扩展分区的第一个扇区，那里没有"
               L"引导代码，无法启动";
    }
    return {};
}

// Why the active partition's boot record starts no Windows loader; empty for bootmgr's and
// ntldr's code.
std::wstring BootRecordProblem(BootRecordKind kind) {
    switch (kind) {
        case BootRecordKind::None:
            return L"激活分区的引导记录没有引导代码";
        case BootRecordKind::Grub:
            return L"激活分区的引导记录是 GRUB 的引导代码：开机启动的是 GRUB，不是 "
                   L"Windows 的引导程序";
        case BootRecordKind::Syslinux:
            return L"激活分区的引导记录是 Syslinux 的引导代码：开机启动的是 "
                   L"Syslinux，不是 Windows 的引导程序";
        case BootRecordKind::BitLocker:
            return L"激活分区已被 BitLocker 加密，它的引导记录无法启动系统";
        case BootRecordKind::Other:
            return L"激活分区的引导记录是其他引导代码，不是 Windows 的";
        case BootRecordKind::Ntldr:
        case BootRecordKind::Bootmgr:
            break;
    }
    return {};
}

// A program the firmware may start: a boot entry's, or a disk's fallback loader.
struct UefiCandidate {
    std::wstring name;
    const VolumeDiagnosis* volume = nullptr;
    std::wstring path;
    bool once = false;  // the one-time next boot
};

// The firmware's entries: the one-time next boot (the firmware holds one entry there, tried
// once before the order), then the boot order. windowsEsp: for a Windows entry whose section
// was not shown.
std::vector<UefiCandidate> FirmwareCandidates(const BootDiagnosis& d,
                                              const VolumeDiagnosis* windowsEsp) {
    std::vector<UefiCandidate> candidates;
    auto add = [&](const FirmwareBootEntry& entry, bool once) {
        UefiCandidate candidate{L"启动项 \"" + entry.description + L"\"", nullptr, entry.path,
                                once};
        if (const auto letter = DeviceLetter(entry.device, 0)) {
            candidate.volume = FindVolume(d, *letter);
        } else if (entry.windows && entry.device.empty()) {
            candidate.volume = windowsEsp;
        }
        if (candidate.path.empty() && entry.windows) {
            candidate.path = kWindowsLoaderEfi;
        }
        candidates.push_back(candidate);
    };
    if (!d.firmwareBootSequence.empty()) {
        add(d.firmwareBootSequence.front(), true);
    }
    for (const FirmwareBootEntry& entry : d.firmwareOrder) {
        add(entry, false);
    }
    return candidates;
}

// The EFI system partitions whose fallback loaders follow the entries, by disk.
std::vector<const VolumeDiagnosis*> EspsByDisk(const BootDiagnosis& d) {
    std::vector<const VolumeDiagnosis*> esps;
    for (const VolumeDiagnosis& volume : d.volumes) {
        if (volume.esp && volume.disk >= 0) {
            esps.push_back(&volume);
        }
    }
    std::stable_sort(
        esps.begin(), esps.end(),
        [](const VolumeDiagnosis* a, const VolumeDiagnosis* b) { return a->disk < b->disk; });
    return esps;
}

// As on BIOS, a stick is passed over while a fixed disk is there: the program usually runs from
// one that is gone at the next start.
bool PassedOverStick(const BootDiagnosis& d, const VolumeDiagnosis& volume) {
    const bool fixedDisk = std::any_of(d.disks.begin(), d.disks.end(),
                                       [](const DiskDiagnosis& disk) { return !disk.removable; });
    const DiskDiagnosis* disk = FindDisk(d, volume.disk);
    return fixedDisk && disk != nullptr && disk->removable;
}

}  // namespace

void Diagnosis::BiosRoad() {
    // The BIOS starts its first disk, which Windows numbers first.
    const DiskDiagnosis* boot = BiosBootDisk(d_);
    const VolumeDiagnosis* assumed = assumed_ != 0 ? FindVolume(d_, assumed_) : nullptr;
    if (assumed != nullptr) {
        boot = FindDisk(d_, assumed->disk);
    }
    if (boot == nullptr) {
        return Broken(L"没有找到可以启动的磁盘");
    }
    const std::wstring disk = DiskName(boot->number);
    Link(L"BIOS 从" + disk +
         (assumed != nullptr ? L" 启动（假定它是启动盘）"
          : boot->removable  ? L" 启动（编号最小的磁盘）"
                             : L" 启动（编号最小的固定磁盘）"));
    if (!boot->sectorRead) {
        return Unseen(L"无法读取" + disk + L" 的主引导记录");
    }
    Link(disk + L" 主引导记录: " + MbrCodeText(boot->mbrCode));
    if (auto problem = MbrProblem(*boot); !problem.empty()) {
        return Broken(problem);
    }
    if (boot->activeLetter == 0) {
        return Unseen(disk + L" 的激活分区没有盘符，无法检查它的引导文件");
    }
    const char letter = boot->activeLetter;
    const VolumeDiagnosis& active = *FindVolume(d_, letter);
    d_.bootLetter = letter;
    Link(L"激活分区: " + DriveText(letter));
    if (!active.bootRecord) {
        return Unseen(L"无法读取激活分区 " + DriveText(letter) + L" 的引导记录");
    }
    Link(DriveText(letter) + L" 引导记录: " + BootRecordText(*active.bootRecord));
    if (auto problem = BootRecordProblem(*active.bootRecord); !problem.empty()) {
        return Broken(problem);
    }
    if (*active.bootRecord == BootRecordKind::Ntldr) {
        return NtldrRoad(active);
    }
    if (auto problem = FileProblem(active.files.bootmgr, L"激活分区", L"bootmgr");
        !problem.empty()) {
        return Broken(problem);
    }
    if (active.files.bcd == FilePresence::Missing) {
        return Broken(L"激活分区缺少 \\Boot\\BCD");
    }
    BcdMenu(letter, DriveText(letter) + L"\\Boot\\BCD", false, L"激活分区的 \\Boot\\BCD");
}

void Diagnosis::UefiRoad() {
    ReadFirmwareOrder();
    std::vector<UefiCandidate> candidates = FirmwareCandidates(d_, WindowsEsp());
    if (const VolumeDiagnosis* assumed = assumed_ != 0 ? FindVolume(d_, assumed_) : nullptr) {
        candidates = {{DriveText(assumed_) + L" 上的 Windows 启动管理器（假定固件启动它）", assumed,
                       kWindowsLoaderEfi, false}};
    }
    // With a partition assumed the firmware is taken to start that one loader, nothing else.
    const std::vector<const VolumeDiagnosis*> esps =
        assumed_ != 0 ? std::vector<const VolumeDiagnosis*>() : EspsByDisk(d_);
    for (const VolumeDiagnosis* esp : esps) {
        candidates.push_back({DiskName(static_cast<std::uint32_t>(esp->disk)) + L" 的后备启动程序",
                              esp, d_.fallbackLoader, false});
    }
    std::wstring firstProblem;
    for (const UefiCandidate& candidate : candidates) {
        const VolumeDiagnosis* volume = candidate.volume;
        if (volume != nullptr && assumed_ == 0 && PassedOverStick(d_, *volume)) {
            continue;
        }
        const std::wstring problem = UefiLoaderProblem(volume, candidate.name, candidate.path);
        if (problem.empty()) {
            return UefiLoaderRoad(*volume, candidate.name, candidate.path, candidate.once);
        }
        // A next boot that cannot be loaded is passed over: UEFI firmware then goes on with its
        // boot order.
        if (candidate.once) {
            Link(L"下次启动（仅一次）: " + problem + L"，固件接着按启动顺序启动");
        } else if (firstProblem.empty()) {
            firstProblem = problem;
        }
    }
    NoUefiLoaderStarts(esps, firstProblem);
}

std::wstring Diagnosis::UefiLoaderProblem(const VolumeDiagnosis* volume, const std::wstring& name,
                                          const std::wstring& path) {
    if (volume == nullptr) {
        return name + L" 指向的分区不存在或没有盘符";
    }
    if (!volume->esp) {
        return name + L" 指向的分区不是 EFI 系统分区";
    }
    if (!IsFat(volume->fileSystem)) {
        return name + L": 它的 EFI 系统分区是 " + volume->fileSystem + L" 格式，固件无法读取";
    }
    const std::wstring file = DriveText(volume->letter) + path;
    const std::wstring state = FileState(Presence(ports_.files, file), file);
    return state.empty() ? state : name + L": " + state;
}

void Diagnosis::UefiLoaderRoad(const VolumeDiagnosis& volume, const std::wstring& name,
                               const std::wstring& path, bool once) {
    const std::wstring file = DriveText(volume.letter) + path;
    Link((once ? L"下次启动（仅一次）: " : L"固件启动: ") + name + L" (" + file + L")");
    if (!IsWindowsBootManager(volume, path)) {
        return Broken((once ? L"固件下次启动（仅一次）的是" : L"固件首先启动的是") + name + L" (" +
                      path + L")，不是 Windows 启动管理器");
    }
    d_.bootLetter = volume.letter;
    if (volume.files.efiBcd == FilePresence::Missing) {
        return Broken(L"EFI 系统分区缺少 \\EFI\\Microsoft\\Boot\\BCD");
    }
    BcdMenu(volume.letter, DriveText(volume.letter) + L"\\EFI\\Microsoft\\Boot\\BCD", true,
            L"EFI 系统分区的 \\EFI\\Microsoft\\Boot\\BCD");
}

void Diagnosis::NoUefiLoaderStarts(const std::vector<const VolumeDiagnosis*>& esps,
                                   const std::wstring& firstProblem) {
    if (!d_.firmwareOrderKnown) {
        // Without the firmware's entries the fallback loaders decide; a damaged Windows Boot
        // Manager is still what the user most needs to hear of.
        for (const VolumeDiagnosis* esp : esps) {
            if (esp->files.bootmgfw == FilePresence::Empty) {
                return Broken(
                    L"EFI 系统分区 " +
                    FileState(FilePresence::Empty, DriveText(esp->letter) + kWindowsLoaderEfi) +
                    L"，固件启动项无法读取");
            }
        }
    }
    Broken(!firstProblem.empty() ? firstProblem
                                 : std::wstring(L"固件没有启动项，也没有磁盘有 EFI 系统分区"));
}

void Diagnosis::NtldrRoad(const VolumeDiagnosis& active) {
    if (auto problem = FileProblem(active.files.ntldr, L"激活分区", L"ntldr"); !problem.empty()) {
        return Broken(problem);
    }
    if (auto problem = FileProblem(active.files.ntdetect, L"激活分区", L"NTDETECT.COM");
        !problem.empty()) {
        return Broken(problem);
    }
    if (active.files.bootIni == FilePresence::Missing) {
        return Broken(L"激活分区缺少 boot.ini");
    }
    const std::wstring path = DriveText(active.letter) + L"\\boot.ini";
    d_.menuReached = true;
    d_.menuSource = MenuSource::BootIni;
    d_.menuFile = path;
    Link(L"ntldr 读取 " + path);
    const BcdListing listing = ReadBootIni(ports_.profile, ports_.random, path);
    d_.timeout = Seconds(ports_.profile.ReadString(L"boot loader", L"timeout", L"", path));
    const std::wstring defaultArc = DefaultArc(path);
    bool defaultShown = false;
    for (const BootEntry& line : listing.entries) {
        MenuEntryDiagnosis entry;
        entry.identifier = line.device;
        entry.description = line.description;
        const Reach reach = ReachOfArc(line.device);
        entry.target = reach.target;
        entry.reaches = reach.problem.empty();
        entry.problem = reach.problem;
        // ntldr compares the default with the lines as text, without regard to case.
        entry.isDefault = !defaultShown && EqualsIgnoringCase(line.device, defaultArc);
        defaultShown = defaultShown || entry.isDefault;
        d_.menu.push_back(std::move(entry));
    }
    const Reach byDefault = ReachOfArc(defaultArc);
    d_.boots = byDefault.problem.empty();
    if (!d_.boots) {
        d_.problem = L"boot.ini 的默认项" + byDefault.problem;
    }
}

void Diagnosis::Judge(const InstallationTable& installations) {
    for (const auto& [letter, system] : installations) {
        InstallationDiagnosis judged;
        judged.letter = letter;
        judged.name = system.displayName;
        judged.beforeVista = system.version < kVistaVersion;
        const MenuEntryDiagnosis* reaching = nullptr;
        const MenuEntryDiagnosis* naming = nullptr;
        for (const MenuEntryDiagnosis& entry : d_.menu) {
            if (entry.target != letter) {
                continue;
            }
            naming = naming != nullptr ? naming : &entry;
            if (entry.reaches && (reaching == nullptr || entry.isDefault)) {
                reaching = &entry;
            }
        }
        if (const MenuEntryDiagnosis* line = reaching != nullptr ? reaching : naming) {
            judged.menuText = line->description;
        }
        if (!d_.menuReached) {
            judged.reason = d_.problem;
        } else if (reaching != nullptr) {
            judged.bootable = true;
            judged.isDefault = reaching->isDefault;
        } else if (naming != nullptr) {
            judged.reason = L"它的启动项 \"" + naming->description + L"\" " + naming->problem;
        } else {
            judged.reason = L"启动菜单中没有它的启动项";
        }
        // A deleted loader is what the user has to hear first, whatever else is broken on the way.
        const std::wstring loader = DriveText(letter) + (d_.firmware == FirmwareMode::Uefi
                                                             ? L"\\Windows\\System32\\winload.efi"
                                                             : L"\\Windows\\System32\\winload.exe");
        if (!judged.bootable && !judged.beforeVista &&
            Presence(ports_.files, loader) != FilePresence::Present) {
            const std::wstring rest = judged.reason;
            judged.reason = L"它的启动加载器 " + loader + L" 不存在或已损坏（启动时会报告 " +
                            loader.substr(loader.rfind(L'\\') + 1) + L" 丢失或损坏）";
            if (!rest.empty() && LowerCase(rest).find(L"winload") == std::wstring::npos) {
                judged.reason += L"；" + rest;
            }
        }
        d_.installations.push_back(std::move(judged));
    }
}

void Diagnosis::DateUnknownVersions() {
    for (auto& [letter, system] : installations_) {
        if (system.version <= 0.0f) {
            system.version = HasVistaMarkers(ports_.files, letter) ? kVistaVersion : 5.1f;
        }
    }
}

void Diagnosis::Broken(std::wstring problem) {
    d_.boots = false;
    d_.problem = std::move(problem);
}

void Diagnosis::Unseen(std::wstring problem) {
    Broken(std::move(problem));
    d_.unseen = true;
}

}  // namespace qn::diagnosis_detail
