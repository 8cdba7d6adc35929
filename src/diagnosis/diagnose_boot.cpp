#include "diagnosis/diagnose_boot.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <string>

#include "boot/bcd_commands.h"
#include "boot/boot_ini_reader.h"
#include "boot/command_runner.h"
#include "disk/device_paths.h"
#include "disk/storage_queries.h"

namespace qn {
namespace {

constexpr float kVistaVersion = 6.0f;
constexpr std::uint8_t kMbrEspType = 0xEF;
// What ntldr starts when boot.ini names no default.
constexpr wchar_t kNtldrFallbackArc[] = L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS";
constexpr wchar_t kWindowsLoaderEfi[] = L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi";
constexpr wchar_t kFallbackLoaderEfi[] = L"\\EFI\\Boot\\bootx64.efi";
constexpr wchar_t kNtldrIds[][40] = {L"{ntldr}", L"{466f5a88-0af2-4f76-9038-095b170dc21c}"};
// bcdedit's redirected output is in the console code page.
constexpr CodePageKind kBcdeditOutput = CodePageKind::Oem;

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return lower;
}

bool Same(std::wstring_view a, std::wstring_view b) {
    return Lower(a) == Lower(b);
}

bool EndsWith(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() && Same(text.substr(text.size() - tail.size()), tail);
}

std::wstring Drive(char letter) {
    return std::wstring(1, static_cast<wchar_t>(letter)) + L":";
}

std::wstring DiskName(std::uint32_t number) {
    return L"磁盘" + std::to_wstring(number);
}

FilePresence Presence(FileSystem& files, const std::wstring& path) {
    const auto size = files.FileSize(path);
    if (!size) {
        return FilePresence::Missing;
    }
    return *size == 0 ? FilePresence::Empty : FilePresence::Present;
}

// "D:\EFI\Boot\bootx64.efi 不存在" or "... 已损坏（0 字节）"; empty when the file is usable.
std::wstring FileState(FilePresence presence, const std::wstring& path) {
    switch (presence) {
        case FilePresence::Missing:
            return path + L" 不存在";
        case FilePresence::Empty:
            return path + L" 已损坏（0 字节）";
        case FilePresence::Present:
            break;
    }
    return {};
}

// "缺少 bootmgr" or "bootmgr 已损坏（0 字节）" after the place; empty when the file is usable.
std::wstring FileProblem(FilePresence presence, const std::wstring& place,
                         const std::wstring& name) {
    switch (presence) {
        case FilePresence::Missing:
            return place + L"缺少 " + name;
        case FilePresence::Empty:
            return place + L"的 " + name + L" 已损坏（0 字节）";
        case FilePresence::Present:
            break;
    }
    return {};
}

// "partition=C:" -> 'C'; "boot" -> the partition the boot manager started from.
std::optional<char> DeviceLetter(std::wstring_view device, char bootLetter) {
    if (Same(device, L"boot")) {
        return bootLetter != 0 ? std::optional<char>(bootLetter) : std::nullopt;
    }
    const std::wstring lower = Lower(device);
    const std::wstring_view prefix = L"partition=";
    if (lower.size() == prefix.size() + 2 && lower.compare(0, prefix.size(), prefix) == 0 &&
        lower.back() == L':' && lower[prefix.size()] >= L'a' && lower[prefix.size()] <= L'z') {
        return static_cast<char>(std::towupper(lower[prefix.size()]));
    }
    return std::nullopt;
}

struct ArcPath {
    std::uint32_t rdisk = 0;
    std::uint32_t partition = 0;
    std::wstring folder;  // "\WINDOWS"
};

std::optional<std::uint32_t> ArcNumber(const std::wstring& arc, std::wstring_view key,
                                       std::size_t& at) {
    if (arc.compare(at, key.size(), key) != 0) {
        return std::nullopt;
    }
    at += key.size();
    const std::size_t close = arc.find(L')', at);
    if (close == std::wstring::npos || close == at || close - at > 3) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (std::size_t i = at; i < close; ++i) {
        if (arc[i] < L'0' || arc[i] > L'9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<std::uint32_t>(arc[i] - L'0');
    }
    at = close + 1;
    return number;
}

// multi(0)disk(0)rdisk(R)partition(P)\FOLDER, the only form ntldr finds a BIOS disk by.
std::optional<ArcPath> ParseArc(std::wstring_view text) {
    const std::wstring arc = Lower(text);
    std::size_t at = 0;
    const auto multi = ArcNumber(arc, L"multi(", at);
    const auto controller = multi ? ArcNumber(arc, L"disk(", at) : std::nullopt;
    const auto rdisk = controller ? ArcNumber(arc, L"rdisk(", at) : std::nullopt;
    const auto partition = rdisk ? ArcNumber(arc, L"partition(", at) : std::nullopt;
    if (!partition || *multi != 0 || *controller != 0) {
        return std::nullopt;
    }
    return ArcPath{*rdisk, *partition, arc.substr(at)};
}

std::optional<int> Seconds(std::wstring_view text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of(L"0123456789") != std::wstring_view::npos) {
        return std::nullopt;
    }
    return std::stoi(std::wstring(text));
}

bool IsNtldrEntry(const BootEntry& entry) {
    return std::any_of(std::begin(kNtldrIds), std::end(kNtldrIds),
                       [&](const wchar_t* id) { return Same(entry.identifier, id); }) ||
           Same(entry.path, L"\\ntldr");
}

// What one menu entry starts.
struct Reach {
    char target = 0;
    std::wstring problem;
};

class Diagnosis {
public:
    Diagnosis(DiagnosisPorts& ports, BootDiagnosis& result) : ports_(ports), d_(result) {}

    void ReadDisks() {
        for (const auto& [number, partitions] : ports_.inventory.PartitionsByDisk()) {
            DiskDiagnosis disk;
            disk.number = number;
            disk.style = GetPartitionStyle(ports_.storage, static_cast<std::int32_t>(number));
            disk.removable = Removable(number);
            if (auto device =
                    ports_.storage.OpenDevice(PhysicalDrivePath(number), DeviceAccess::Read)) {
                sectorBytes_[number] = device->LogicalSectorBytes();
                if (auto bytes = device->ReadSectors(0, 1)) {
                    disk.sectorRead = true;
                    disk.mbrCode = ClassifyMbrCode(*bytes);
                    if (auto layout = ReadMbrLayout(*bytes)) {
                        disk.bootSignature = layout->bootSignature;
                        layouts_[number] = *layout;
                        for (const MbrTableEntry& entry : layout->entries) {
                            disk.activeCount += entry.bootFlag == kMbrActiveFlag ? 1 : 0;
                            disk.tableValid = disk.tableValid && (entry.bootFlag == 0 ||
                                                                  entry.bootFlag == kMbrActiveFlag);
                        }
                    }
                }
            }
            d_.disks.push_back(disk);
        }
    }

    void ReadVolumes() {
        for (const PartitionRecord& record : ports_.inventory.Partitions()) {
            const auto letter = DriveLetterOfRoot(record.rootPath);
            if (!letter) {
                continue;
            }
            const PartitionInformation& info = record.partitionInfo;
            const bool infoKnown = info.partitionLength > 0;  // all zero when the query failed
            VolumeDiagnosis volume;
            volume.letter = *letter;
            volume.disk = record.diskNumber == kUnknownDiskNumber
                              ? -1
                              : static_cast<std::int32_t>(record.diskNumber);
            volume.style = infoKnown ? info.style : PartitionStyle::Raw;
            volume.partitionNumber = infoKnown ? info.partitionNumber : 0;
            volume.fileSystem = ports_.codePage.ToWide(record.fileSystemName, CodePageKind::Ansi);
            volume.active =
                infoKnown && info.style == PartitionStyle::Mbr && info.mbr.bootIndicator;
            volume.esp =
                infoKnown &&
                ((info.style == PartitionStyle::Gpt &&
                  info.gpt.partitionType == kEfiSystemPartitionType) ||
                 (info.style == PartitionStyle::Mbr && info.mbr.partitionType == kMbrEspType));
            if (infoKnown && volume.disk >= 0) {
                offsets_[volume.letter] = info.startingOffset;
            }
            volume.bootRecord = ReadBootRecord(volume, infoKnown ? info.startingOffset : -1);
            volume.files = FilesOn(volume.letter);
            d_.volumes.push_back(std::move(volume));
        }
        for (DiskDiagnosis& disk : d_.disks) {
            for (const VolumeDiagnosis& volume : d_.volumes) {
                if (volume.disk == static_cast<std::int32_t>(disk.number) && volume.esp &&
                    disk.espLetter == 0) {
                    disk.espLetter = volume.letter;
                }
            }
            if (const auto layout = layouts_.find(disk.number); layout != layouts_.end()) {
                for (const MbrTableEntry& entry : layout->second.entries) {
                    if (entry.bootFlag == kMbrActiveFlag) {
                        disk.activeLetter = LetterAtSector(disk.number, entry.firstSector);
                        break;
                    }
                }
            }
        }
    }

    void BiosRoad() {
        // The BIOS starts its first disk, which Windows numbers first. A removable disk is passed
        // over while a fixed one is there: the program usually runs from a stick that is gone at
        // the next start.
        const DiskDiagnosis* boot = nullptr;
        for (const DiskDiagnosis& disk : d_.disks) {
            if (boot == nullptr || (boot->removable && !disk.removable) ||
                (boot->removable == disk.removable && disk.number < boot->number)) {
                boot = &disk;
            }
        }
        if (boot == nullptr) {
            return Broken(L"没有找到可以启动的磁盘");
        }
        const std::wstring disk = DiskName(boot->number);
        Link(L"BIOS 从" + disk +
             (boot->removable ? L" 启动（编号最小的磁盘）" : L" 启动（编号最小的固定磁盘）"));
        if (!boot->sectorRead) {
            return Broken(L"无法读取" + disk + L" 的主引导记录");
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
            return Broken(disk +
                          L" 有多个激活分区（主引导记录会报告 \"Invalid partition table\"）");
        }
        if (boot->activeLetter == 0) {
            return Broken(disk + L" 的激活分区没有盘符，无法检查它的引导文件");
        }
        const char letter = boot->activeLetter;
        const VolumeDiagnosis& active = *FindVolume(d_, letter);
        d_.bootLetter = letter;
        Link(L"激活分区: " + Drive(letter));
        if (!active.bootRecord) {
            return Broken(L"无法读取激活分区 " + Drive(letter) + L" 的引导记录");
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

    void UefiRoad() {
        ReadFirmwareOrder();
        struct Candidate {
            std::wstring name;
            const VolumeDiagnosis* volume = nullptr;
            std::wstring path;
            bool windowsEntry = false;
        };
        std::vector<Candidate> candidates;
        for (const FirmwareBootEntry& entry : d_.firmwareOrder) {
            Candidate candidate{L"启动项 \"" + entry.description + L"\"", nullptr, entry.path,
                                entry.windows};
            if (const auto letter = DeviceLetter(entry.device, 0)) {
                candidate.volume = FindVolume(d_, *letter);
            } else if (entry.windows && entry.device.empty()) {
                candidate.volume = WindowsEsp();  // its section was not shown
            }
            if (candidate.path.empty() && entry.windows) {
                candidate.path = kWindowsLoaderEfi;
            }
            candidates.push_back(candidate);
        }
        std::vector<const VolumeDiagnosis*> esps;
        for (const VolumeDiagnosis& volume : d_.volumes) {
            if (volume.esp && volume.disk >= 0) {
                esps.push_back(&volume);
            }
        }
        std::stable_sort(
            esps.begin(), esps.end(),
            [](const VolumeDiagnosis* a, const VolumeDiagnosis* b) { return a->disk < b->disk; });
        for (const VolumeDiagnosis* esp : esps) {
            candidates.push_back(
                {DiskName(static_cast<std::uint32_t>(esp->disk)) + L" 的后备启动程序", esp,
                 kFallbackLoaderEfi, false});
        }
        std::wstring firstProblem;
        for (const Candidate& candidate : candidates) {
            std::wstring problem;
            const VolumeDiagnosis* volume = candidate.volume;
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
                if (firstProblem.empty()) {
                    firstProblem = problem;
                }
                continue;
            }
            const std::wstring file = Drive(volume->letter) + candidate.path;
            Link(L"固件启动: " + candidate.name + L" (" + file + L")");
            if (!IsWindowsBootManager(*volume, candidate.path)) {
                return Broken(L"固件首先启动的是" + candidate.name + L" (" + candidate.path +
                              L")，不是 Windows 启动管理器");
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

    void Judge(const InstallationTable& installations) {
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
            d_.installations.push_back(std::move(judged));
        }
    }

private:
    void Link(std::wstring text) { d_.chain.push_back(std::move(text)); }
    void Broken(std::wstring problem) {
        d_.boots = false;
        d_.problem = std::move(problem);
    }

    static bool IsFat(const std::wstring& fileSystem) {
        const std::wstring fs = Lower(fileSystem);
        return fs == L"fat32" || fs == L"fat" || fs == L"fat16" || fs == L"fat12";
    }

    // As IsRemovableDisk tells it, but through a query-only handle (IOCTL_STORAGE_GET_HOTPLUG_INFO
    // needs no access rights): the diagnosis opens nothing for writing.
    bool Removable(std::uint32_t disk) {
        auto device = ports_.storage.OpenDevice(PhysicalDrivePath(disk), DeviceAccess::QueryOnly);
        const auto hotplug = device ? device->Hotplug() : std::nullopt;
        return hotplug && (hotplug->mediaRemovable || hotplug->deviceHotplug);
    }

    char LetterAtSector(std::uint32_t disk, std::uint32_t sector) const {
        const auto bytes = sectorBytes_.find(disk);
        const std::int64_t offset =
            static_cast<std::int64_t>(sector) * (bytes != sectorBytes_.end() ? bytes->second : 512);
        for (const VolumeDiagnosis& volume : d_.volumes) {
            const auto at = offsets_.find(volume.letter);
            if (volume.disk == static_cast<std::int32_t>(disk) && at != offsets_.end() &&
                at->second == offset) {
                return volume.letter;
            }
        }
        return 0;
    }

    // The boot record as the firmware reads it: through the disk at the partition's first sector
    // (an unlocked BitLocker volume shows its own device the file system's boot sector, which
    // BitLocker keeps elsewhere); through the volume when its disk or place is unknown.
    std::optional<BootRecordKind> ReadBootRecord(const VolumeDiagnosis& volume,
                                                 std::int64_t offset) {
        if (volume.disk >= 0 && offset >= 0) {
            if (auto device = ports_.storage.OpenDevice(
                    PhysicalDrivePath(static_cast<std::uint32_t>(volume.disk)),
                    DeviceAccess::Read)) {
                const std::uint32_t sectorBytes = device->LogicalSectorBytes();
                if (sectorBytes != 0 && offset % sectorBytes == 0) {
                    if (auto bytes = device->ReadSectors(
                            static_cast<std::uint64_t>(offset) / sectorBytes, 1)) {
                        return ClassifyBootRecord(*bytes);
                    }
                }
            }
        }
        if (auto device =
                ports_.storage.OpenDevice(VolumeDevicePath(volume.letter), DeviceAccess::Read)) {
            if (auto bytes = device->ReadSectors(0, 1)) {
                return ClassifyBootRecord(*bytes);
            }
        }
        return std::nullopt;
    }

    BootFiles FilesOn(char letter) {
        FileSystem& files = ports_.files;
        const std::wstring root = Drive(letter);
        BootFiles found;
        found.bootmgr = Presence(files, root + L"\\bootmgr");
        found.bcd = Presence(files, root + L"\\Boot\\BCD");
        found.efiBcd = Presence(files, root + L"\\EFI\\Microsoft\\Boot\\BCD");
        found.bootmgfw = Presence(files, root + kWindowsLoaderEfi);
        found.efiFallback = Presence(files, root + kFallbackLoaderEfi);
        found.ntldr = Presence(files, root + L"\\ntldr");
        found.ntdetect = Presence(files, root + L"\\NTDETECT.COM");
        found.bootIni = Presence(files, root + L"\\boot.ini");
        return found;
    }

    void ReadFirmwareOrder() {
        const BcdTool& tool = ports_.bcdedit;
        if (tool.path.empty()) {
            return;
        }
        std::string output;
        RunCaptured(tool.processes, EnumAllCommand(tool.path, std::wstring()), output);
        const FirmwareBootOrder order =
            ParseFirmwareBootOrder(output, tool.codePage, kBcdeditOutput);
        d_.firmwareOrderKnown = order.found;
        d_.firmwareOrder = order.entries;
    }

    // The EFI system partition that holds Windows Boot Manager, for a firmware entry that names
    // none the diagnosis could see.
    const VolumeDiagnosis* WindowsEsp() const {
        const VolumeDiagnosis* found = nullptr;
        for (const VolumeDiagnosis& volume : d_.volumes) {
            if (volume.esp && volume.files.bootmgfw != FilePresence::Missing &&
                (found == nullptr || volume.disk < found->disk)) {
                found = &volume;
            }
        }
        return found;
    }

    // bootmgfw.efi itself, or the fallback loader when it is a copy of it (the same size): the
    // diagnosis sees names and sizes, not what a program is.
    bool IsWindowsBootManager(const VolumeDiagnosis& volume, const std::wstring& path) {
        if (Same(path, kWindowsLoaderEfi)) {
            return true;
        }
        if (!Same(path, kFallbackLoaderEfi)) {
            return false;
        }
        const auto fallback = ports_.files.FileSize(Drive(volume.letter) + path);
        const auto windows = ports_.files.FileSize(Drive(volume.letter) + kWindowsLoaderEfi);
        return fallback && windows && *windows > 0 && *fallback == *windows;
    }

    void NtldrRoad(const VolumeDiagnosis& active) {
        if (auto problem = FileProblem(active.files.ntldr, L"激活分区", L"ntldr");
            !problem.empty()) {
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

    std::wstring DefaultArc(const std::wstring& iniPath) {
        const std::wstring value =
            ports_.profile.ReadString(L"boot loader", L"default", L"", iniPath);
        return value.empty() ? std::wstring(kNtldrFallbackArc) : value;
    }

    // The Windows an ARC path names, as ntldr finds it: the disk in BIOS order (its number) and
    // the partition as Windows numbers it on that disk.
    Reach ReachOfArc(const std::wstring& text) {
        Reach reach;
        const auto arc = ParseArc(text);
        if (!arc) {
            reach.problem = L"指向 ntldr 找不到的分区 (" + text + L")";
            return reach;
        }
        const VolumeDiagnosis* volume = nullptr;
        for (const VolumeDiagnosis& candidate : d_.volumes) {
            if (candidate.disk == static_cast<std::int32_t>(arc->rdisk) &&
                candidate.partitionNumber == arc->partition &&
                candidate.style == PartitionStyle::Mbr) {
                volume = &candidate;
            }
        }
        if (volume == nullptr) {
            reach.problem = L"指向的分区不存在或没有盘符 (" + text + L")";
            return reach;
        }
        reach.target = volume->letter;
        const auto system = installations_.find(volume->letter);
        if (system == installations_.end() || arc->folder != L"\\windows") {
            reach.problem = L"指向的分区没有 Windows (" + text + L")";
            return reach;
        }
        if (system->second.version >= kVistaVersion) {
            reach.problem = L"指向的是 ntldr 无法启动的 Windows Vista 及以后的系统 (" + text + L")";
        }
        return reach;
    }

    // What ntldr on a partition starts by default, for an entry of a store that chains to it.
    Reach ReachThroughNtldr(char letter) {
        Reach reach;
        const std::wstring root = Drive(letter);
        if (Presence(ports_.files, root + L"\\ntldr") != FilePresence::Present) {
            reach.problem = L"链接到 ntldr，但 " + root + L" 缺少 ntldr";
            return reach;
        }
        if (Presence(ports_.files, root + L"\\NTDETECT.COM") != FilePresence::Present) {
            reach.problem = L"链接到 ntldr，但 " + root + L" 缺少 NTDETECT.COM";
            return reach;
        }
        if (Presence(ports_.files, root + L"\\boot.ini") == FilePresence::Missing) {
            reach.problem = L"链接到 ntldr，但 " + root + L" 缺少 boot.ini";
            return reach;
        }
        reach = ReachOfArc(DefaultArc(root + L"\\boot.ini"));
        if (!reach.problem.empty()) {
            reach.problem = L"链接到 ntldr，而 boot.ini 的默认项" + reach.problem;
        }
        return reach;
    }

    Reach ReachOfEntry(const BootEntry& entry, char bootLetter, bool uefi) {
        Reach reach;
        const auto device = DeviceLetter(entry.device, bootLetter);
        if (IsNtldrEntry(entry)) {
            if (uefi) {
                reach.problem = L"链接到 ntldr，UEFI 固件无法运行 ntldr";
                return reach;
            }
            if (!device) {
                reach.problem = L"的 device 无法识别 (" + entry.device + L")";
                return reach;
            }
            return ReachThroughNtldr(*device);
        }
        const auto os = DeviceLetter(entry.osdevice, bootLetter);
        reach.target = os.value_or(0);
        if (!device) {
            reach.problem = L"的 device 指向没有盘符或不存在的分区 (" + entry.device + L")";
            return reach;
        }
        if (entry.osdevice.empty()) {
            reach.problem = L"没有 osdevice，不是启动 Windows 的启动项";
            return reach;
        }
        if (!os) {
            reach.problem = L"的 osdevice 指向没有盘符或不存在的分区 (" + entry.osdevice + L")";
            return reach;
        }
        const wchar_t* loader = uefi ? L"\\winload.efi" : L"\\winload.exe";
        const wchar_t* other = uefi ? L"\\winload.exe" : L"\\winload.efi";
        if (!EndsWith(entry.path, loader)) {
            reach.problem =
                EndsWith(entry.path, other)
                    ? L"启动的是 " + entry.path +
                          (uefi ? L"，UEFI 启动管理器无法运行它" : L"，BIOS 启动管理器无法运行它")
                    : L"启动的不是 Windows (" + entry.path + L")";
            return reach;
        }
        if (installations_.find(*os) == installations_.end()) {
            reach.problem = L"指向的分区 " + Drive(*os) + L" 没有 Windows";
            return reach;
        }
        const std::wstring file = Drive(*device) + entry.path;
        if (Presence(ports_.files, file) != FilePresence::Present) {
            reach.problem = L"要启动的 " + file + L" 不存在或已损坏";
        }
        return reach;
    }

    void BcdMenu(char bootLetter, const std::wstring& store, bool uefi, const std::wstring& name) {
        const BcdTool& tool = ports_.bcdedit;
        if (tool.path.empty()) {
            return Broken(L"无法读取" + name + L"（没有 bcdedit.exe）");
        }
        BcdListing listing;
        const ProcessResult run = EnumAllEntries(tool, store, listing);
        if (!run.started || !run.exitCodeKnown || run.exitCode != 0) {
            return Broken(name + L" 无法读取");
        }
        d_.menuReached = true;
        d_.menuSource = MenuSource::Bcd;
        d_.menuFile = store;
        Link(L"启动管理器读取 " + store);
        if (listing.bootManager.identifier.empty()) {
            return Broken(name + L" 中没有启动管理器 ({bootmgr})");
        }
        d_.timeout = Seconds(listing.bootManager.timeout);
        const std::wstring& defaultId = listing.bootManager.defaultId;
        auto find = [&](const std::wstring& id) -> const BootEntry* {
            for (const BootEntry& entry : listing.entries) {
                if (Same(entry.identifier, id)) {
                    return &entry;
                }
            }
            return nullptr;
        };
        std::vector<std::wstring> shown = listing.bootManager.displayorder;
        // The default is offered even when the display order leaves it out.
        if (!defaultId.empty() && find(defaultId) != nullptr &&
            std::none_of(shown.begin(), shown.end(),
                         [&](const std::wstring& id) { return Same(id, defaultId); })) {
            shown.push_back(defaultId);
        }
        bool defaultShown = false;
        std::wstring defaultProblem;
        for (const std::wstring& id : shown) {
            const BootEntry* found = find(id);
            if (found == nullptr) {
                continue;  // the boot manager skips what its store does not have
            }
            const Reach reach = ReachOfEntry(*found, bootLetter, uefi);
            MenuEntryDiagnosis entry;
            entry.identifier = found->identifier;
            entry.description = found->description;
            entry.target = reach.target;
            entry.reaches = reach.problem.empty();
            entry.problem = reach.problem;
            entry.isDefault = Same(id, defaultId);
            if (entry.isDefault) {
                defaultShown = true;
                d_.boots = entry.reaches;
                defaultProblem = reach.problem;
            }
            d_.menu.push_back(std::move(entry));
        }
        if (d_.menu.empty()) {
            Broken(L"启动管理器没有可显示的启动项");
        } else if (!defaultShown) {
            Broken(defaultId.empty() ? L"启动管理器没有默认启动项" : L"默认启动项不在 BCD 中");
        } else if (!d_.boots) {
            Broken(L"默认启动项" + defaultProblem);
        }
    }

public:
    InstallationTable installations_;

private:
    DiagnosisPorts& ports_;
    BootDiagnosis& d_;
    std::map<std::uint32_t, MbrLayout> layouts_;
    std::map<std::uint32_t, std::uint32_t> sectorBytes_;
    std::map<char, std::int64_t> offsets_;
};

}  // namespace

InstallationTable FindInstallationsByFiles(FileSystem& files, const DiskInfo& inventory) {
    InstallationTable found;
    for (const PartitionRecord& record : inventory.Partitions()) {
        const auto letter = DriveLetterOfRoot(record.rootPath);
        // X: is never examined: in Windows PE it is the environment's own drive.
        if (!letter || *letter < 'C' || *letter == 'X') {
            continue;
        }
        const std::wstring windows = Drive(*letter) + L"\\Windows";
        if (!files.PathExists(windows + L"\\System32\\config\\SOFTWARE")) {
            continue;
        }
        WindowsInstall system;
        system.driveLetter = *letter;
        const bool vista = files.PathExists(windows + L"\\System32\\winload.exe");
        system.version = vista ? kVistaVersion : 5.1f;
        system.archBits = files.PathExists(windows + L"\\SysWOW64") ? 64 : 32;
        system.displayName = Drive(*letter) + L" 上的 Windows" +
                             (vista ? std::wstring() : std::wstring(L" (Vista 以前)"));
        found[*letter] = system;
    }
    return found;
}

BootDiagnosis DiagnoseBoot(DiagnosisPorts& ports, const InstallationTable* installations) {
    ScopedFsRedirectionOff redirection(ports.redirection);
    BootDiagnosis result;
    result.firmware = ports.firmware.Mode();
    Diagnosis diagnosis(ports, result);
    diagnosis.installations_ = installations != nullptr
                                   ? *installations
                                   : FindInstallationsByFiles(ports.files, ports.inventory);
    diagnosis.ReadDisks();
    diagnosis.ReadVolumes();
    if (result.firmware == FirmwareMode::Uefi) {
        result.chain.push_back(L"固件: UEFI");
        diagnosis.UefiRoad();
    } else {
        result.chain.push_back(
            result.firmware == FirmwareMode::Bios ? L"固件: BIOS" : L"固件: 未知（按 BIOS 判断）");
        diagnosis.BiosRoad();
    }
    diagnosis.Judge(diagnosis.installations_);
    return result;
}

std::wstring DiagnosisStatus(const BootDiagnosis& diagnosis) {
    if (diagnosis.boots) {
        return L"引导正常";
    }
    return diagnosis.problem.empty() ? std::wstring(L"无法判断引导状态") : diagnosis.problem;
}

const VolumeDiagnosis* FindVolume(const BootDiagnosis& diagnosis, char letter) {
    for (const VolumeDiagnosis& volume : diagnosis.volumes) {
        if (volume.letter == letter) {
            return &volume;
        }
    }
    return nullptr;
}

const DiskDiagnosis* FindDisk(const BootDiagnosis& diagnosis, std::int32_t number) {
    for (const DiskDiagnosis& disk : diagnosis.disks) {
        if (static_cast<std::int32_t>(disk.number) == number) {
            return &disk;
        }
    }
    return nullptr;
}

}  // namespace qn
