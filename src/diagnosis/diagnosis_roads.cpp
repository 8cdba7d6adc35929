// The road the firmware takes at the next start, BIOS or UEFI, to its first broken link; then each
// installation's verdict.
#include "diagnosis/diagnosis_steps.h"

#include <algorithm>

#include "boot/boot_ini_reader.h"

namespace qn::diagnosis_detail {

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
    switch (boot->mbrCode) {
        case MbrCodeKind::None:
            return Broken(disk + L" 主引导记录没有引导代码");
        case MbrCodeKind::Grub:
            return Broken(disk +
                          L" 主引导记录是 GRUB 的引导代码：开机启动的是 GRUB，不是 "
                          L"Windows 的引导程序");
        case MbrCodeKind::Other:
            return Broken(disk + L" 主引导记录是其他引导程序的代码，不是 Windows 的");
        case MbrCodeKind::Nt6:
        case MbrCodeKind::Nt5:
        case MbrCodeKind::Syslinux:  // starts the active partition, as Windows' code does
            break;
    }
    if (!boot->bootSignature) {
        return Broken(disk + L" 主引导记录缺少结束标志 55AA，BIOS 不会运行它");
    }
    if (boot->style == PartitionStyle::Gpt) {
        return Broken(disk + L" 是 GPT 磁盘，BIOS 无法从它启动 Windows");
    }
    if (!boot->tableValid) {
        return Broken(disk + L" 的分区表无效");
    }
    if (boot->activeCount == 0) {
        return Broken(disk + L" 没有激活分区");
    }
    if (boot->activeCount > 1) {
        return Broken(disk + L" 有多个激活分区（主引导记录会报告 \"Invalid partition table\"）");
    }
    // The MBR code starts the active entry's first sector whatever its type; an extended
    // partition's holds the next partition table, no code.
    if (boot->activeExtended) {
        return Broken(disk +
                      L" 的激活标记在扩展分区上：主引导记录会启动扩展分区的第一个扇区，那里没有"
                      L"引导代码，无法启动");
    }
    if (boot->activeLetter == 0) {
        return Unseen(disk + L" 的激活分区没有盘符，无法检查它的引导文件");
    }
    const char letter = boot->activeLetter;
    const VolumeDiagnosis& active = *FindVolume(d_, letter);
    d_.bootLetter = letter;
    Link(L"激活分区: " + Drive(letter));
    if (!active.bootRecord) {
        return Unseen(L"无法读取激活分区 " + Drive(letter) + L" 的引导记录");
    }
    Link(Drive(letter) + L" 引导记录: " + BootRecordText(*active.bootRecord));
    switch (*active.bootRecord) {
        case BootRecordKind::None:
            return Broken(L"激活分区的引导记录没有引导代码");
        case BootRecordKind::Grub:
            return Broken(
                L"激活分区的引导记录是 GRUB 的引导代码：开机启动的是 GRUB，不是 "
                L"Windows 的引导程序");
        case BootRecordKind::Syslinux:
            return Broken(
                L"激活分区的引导记录是 Syslinux 的引导代码：开机启动的是 "
                L"Syslinux，不是 Windows 的引导程序");
        case BootRecordKind::BitLocker:
            return Broken(L"激活分区已被 BitLocker 加密，它的引导记录无法启动系统");
        case BootRecordKind::Other:
            return Broken(L"激活分区的引导记录是其他引导代码，不是 Windows 的");
        case BootRecordKind::Ntldr:
            return NtldrRoad(active);
        case BootRecordKind::Bootmgr:
            break;
    }
    if (auto problem = FileProblem(active.files.bootmgr, L"激活分区", L"bootmgr");
        !problem.empty()) {
        return Broken(problem);
    }
    if (active.files.bcd == FilePresence::Missing) {
        return Broken(L"激活分区缺少 \\Boot\\BCD");
    }
    BcdMenu(letter, Drive(letter) + L"\\Boot\\BCD", false, L"激活分区的 \\Boot\\BCD");
}

void Diagnosis::UefiRoad() {
    ReadFirmwareOrder();
    struct Candidate {
        std::wstring name;
        const VolumeDiagnosis* volume = nullptr;
        std::wstring path;
        bool windowsEntry = false;
        bool once = false;  // the one-time next boot
    };
    std::vector<Candidate> candidates;
    auto add = [&](const FirmwareBootEntry& entry, bool once) {
        Candidate candidate{L"启动项 \"" + entry.description + L"\"", nullptr, entry.path,
                            entry.windows, once};
        if (const auto letter = DeviceLetter(entry.device, 0)) {
            candidate.volume = FindVolume(d_, *letter);
        } else if (entry.windows && entry.device.empty()) {
            candidate.volume = WindowsEsp();  // its section was not shown
        }
        if (candidate.path.empty() && entry.windows) {
            candidate.path = kWindowsLoaderEfi;
        }
        candidates.push_back(candidate);
    };
    // BootNext is tried once before the order; the firmware holds one entry there.
    if (!d_.firmwareBootSequence.empty()) {
        add(d_.firmwareBootSequence.front(), true);
    }
    for (const FirmwareBootEntry& entry : d_.firmwareOrder) {
        add(entry, false);
    }
    if (const VolumeDiagnosis* assumed = assumed_ != 0 ? FindVolume(d_, assumed_) : nullptr) {
        candidates = {{Drive(assumed_) + L" 上的 Windows 启动管理器（假定固件启动它）", assumed,
                       kWindowsLoaderEfi, true}};
    }
    std::vector<const VolumeDiagnosis*> esps;
    for (const VolumeDiagnosis& volume : d_.volumes) {
        if (volume.esp && volume.disk >= 0) {
            esps.push_back(&volume);
        }
    }
    if (assumed_ != 0) {
        esps.clear();  // the firmware is taken to start that one loader, nothing else
    }
    std::stable_sort(
        esps.begin(), esps.end(),
        [](const VolumeDiagnosis* a, const VolumeDiagnosis* b) { return a->disk < b->disk; });
    for (const VolumeDiagnosis* esp : esps) {
        candidates.push_back({DiskName(static_cast<std::uint32_t>(esp->disk)) + L" 的后备启动程序",
                              esp, d_.fallbackLoader, false});
    }
    // As on BIOS, a stick is passed over while a fixed disk is there: the program usually runs
    // from one that is gone at the next start.
    const bool fixedDisk = std::any_of(d_.disks.begin(), d_.disks.end(),
                                       [](const DiskDiagnosis& disk) { return !disk.removable; });
    auto onStick = [&](const VolumeDiagnosis& volume) {
        const DiskDiagnosis* disk = FindDisk(d_, volume.disk);
        return assumed_ == 0 && fixedDisk && disk != nullptr && disk->removable;
    };
    std::wstring firstProblem;
    for (const Candidate& candidate : candidates) {
        std::wstring problem;
        const VolumeDiagnosis* volume = candidate.volume;
        if (volume != nullptr && onStick(*volume)) {
            continue;
        }
        if (volume == nullptr) {
            problem = candidate.name + L" 指向的分区不存在或没有盘符";
        } else if (!volume->esp) {
            problem = candidate.name + L" 指向的分区不是 EFI 系统分区";
        } else if (!IsFat(volume->fileSystem)) {
            problem = candidate.name + L": 它的 EFI 系统分区是 " + volume->fileSystem +
                      L" 格式，固件无法读取";
        } else {
            const std::wstring file = Drive(volume->letter) + candidate.path;
            const std::wstring state = FileState(Presence(ports_.files, file), file);
            problem = state.empty() ? state : candidate.name + L": " + state;
        }
        if (!problem.empty()) {
            // A next boot that cannot be loaded is passed over: UEFI firmware then goes on with
            // its boot order.
            if (candidate.once) {
                Link(L"下次启动（仅一次）: " + problem + L"，固件接着按启动顺序启动");
            } else if (firstProblem.empty()) {
                firstProblem = problem;
            }
            continue;
        }
        const std::wstring file = Drive(volume->letter) + candidate.path;
        Link((candidate.once ? L"下次启动（仅一次）: " : L"固件启动: ") + candidate.name + L" (" +
             file + L")");
        if (!IsWindowsBootManager(*volume, candidate.path)) {
            return Broken((candidate.once ? L"固件下次启动（仅一次）的是" : L"固件首先启动的是") +
                          candidate.name + L" (" + candidate.path + L")，不是 Windows 启动管理器");
        }
        d_.bootLetter = volume->letter;
        if (volume->files.efiBcd == FilePresence::Missing) {
            return Broken(L"EFI 系统分区缺少 \\EFI\\Microsoft\\Boot\\BCD");
        }
        BcdMenu(volume->letter, Drive(volume->letter) + L"\\EFI\\Microsoft\\Boot\\BCD", true,
                L"EFI 系统分区的 \\EFI\\Microsoft\\Boot\\BCD");
        return;
    }
    if (!d_.firmwareOrderKnown) {
        // Without the firmware's entries the fallback loaders decide; a damaged Windows Boot
        // Manager is still what the user most needs to hear of.
        for (const VolumeDiagnosis* esp : esps) {
            if (esp->files.bootmgfw == FilePresence::Empty) {
                return Broken(
                    L"EFI 系统分区 " +
                    FileState(FilePresence::Empty, Drive(esp->letter) + kWindowsLoaderEfi) +
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
    const std::wstring path = Drive(active.letter) + L"\\boot.ini";
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
        entry.isDefault = !defaultShown && Same(line.device, defaultArc);
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
        const std::wstring loader = Drive(letter) + (d_.firmware == FirmwareMode::Uefi
                                                         ? L"\\Windows\\System32\\winload.efi"
                                                         : L"\\Windows\\System32\\winload.exe");
        if (!judged.bootable && !judged.beforeVista &&
            Presence(ports_.files, loader) != FilePresence::Present) {
            const std::wstring rest = judged.reason;
            judged.reason = L"它的启动加载器 " + loader + L" 不存在或已损坏（启动时会报告 " +
                            loader.substr(loader.rfind(L'\\') + 1) + L" 丢失或损坏）";
            if (!rest.empty() && Lower(rest).find(L"winload") == std::wstring::npos) {
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
