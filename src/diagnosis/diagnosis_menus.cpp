// The boot manager's menu (a store, through bcdedit) and ntldr's (boot.ini, through the program's
// reader), each entry followed to the Windows it starts.
#include "diagnosis/diagnosis_steps.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "boot/bcd_store.h"

namespace qn::diagnosis_detail {

std::wstring Diagnosis::DefaultArc(const std::wstring& iniPath) {
    const std::wstring value = ports_.profile.ReadString(L"boot loader", L"default", L"", iniPath);
    return value.empty() ? std::wstring(kNtldrFallbackArc) : value;
}

std::int32_t Diagnosis::DiskOfRdisk(std::uint32_t rdisk) const {
    // The BIOS numbers the disk it started rdisk(0), then the other fixed disks, then sticks.
    const VolumeDiagnosis* started = d_.bootLetter != 0 ? FindVolume(d_, d_.bootLetter) : nullptr;
    const DiskDiagnosis* boot = started != nullptr ? FindDisk(d_, started->disk) : nullptr;
    if (boot == nullptr) {
        boot = BiosBootDisk(d_);
    }
    std::vector<std::pair<bool, std::uint32_t>> order;  // removable, number
    for (const DiskDiagnosis& disk : d_.disks) {
        if (&disk != boot) {
            order.emplace_back(disk.removable, disk.number);
        }
    }
    std::sort(order.begin(), order.end());
    if (boot != nullptr) {
        order.insert(order.begin(), {false, boot->number});
    }
    return rdisk < order.size() ? static_cast<std::int32_t>(order[rdisk].second) : -1;
}

Reach Diagnosis::ReachOfArc(const std::wstring& text) {
    Reach reach;
    const auto arc = ParseArc(text);
    if (!arc) {
        reach.problem = L"指向 ntldr 找不到的分区 (" + text + L")";
        return reach;
    }
    const VolumeDiagnosis* volume = nullptr;
    const std::int32_t disk = DiskOfRdisk(arc->rdisk);
    for (const VolumeDiagnosis& candidate : d_.volumes) {
        if (disk >= 0 && candidate.disk == disk && candidate.partitionNumber == arc->partition &&
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

Reach Diagnosis::ReachThroughNtldr(char letter) {
    Reach reach;
    const std::wstring root = DriveText(letter);
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

Reach Diagnosis::ReachOfEntry(const BootEntry& entry, char bootLetter, bool uefi) {
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
        reach.problem = EndsWith(entry.path, other) ? L"启动的是 " + entry.path +
                                                          (uefi ? L"，UEFI 启动管理器无法运行它"
                                                                : L"，BIOS 启动管理器无法运行它")
                                                    : L"启动的不是 Windows (" + entry.path + L")";
        return reach;
    }
    if (installations_.find(*os) == installations_.end()) {
        const VolumeDiagnosis* volume = FindVolume(d_, *os);
        // The boot manager unlocks it at the next start; the diagnosis cannot look inside.
        reach.unseen = volume != nullptr && volume->locked;
        reach.problem =
            L"指向的分区 " + DriveText(*os) +
            (reach.unseen ? L" 已被 BitLocker 锁定，无法检查其中的 Windows" : L" 没有 Windows");
        return reach;
    }
    const std::wstring file = DriveText(*device) + entry.path;
    if (Presence(ports_.files, file) != FilePresence::Present) {
        reach.problem = L"要启动的 " + file + L" 不存在或已损坏";
    }
    return reach;
}

void Diagnosis::BcdMenu(char bootLetter, const std::wstring& store, bool uefi,
                        const std::wstring& name) {
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
            if (EqualsIgnoringCase(entry.identifier, id)) {
                return &entry;
            }
        }
        return nullptr;
    };
    std::vector<std::wstring> shown = listing.bootManager.displayorder;
    // The default is offered even when the display order leaves it out.
    if (!defaultId.empty() && find(defaultId) != nullptr &&
        std::none_of(shown.begin(), shown.end(),
                     [&](const std::wstring& id) { return EqualsIgnoringCase(id, defaultId); })) {
        shown.push_back(defaultId);
    }
    bool defaultShown = false;
    std::wstring defaultProblem;
    bool defaultUnseen = false;
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
        entry.isDefault = EqualsIgnoringCase(id, defaultId);
        if (entry.isDefault) {
            defaultShown = true;
            d_.boots = entry.reaches;
            defaultProblem = reach.problem;
            defaultUnseen = reach.unseen;
        }
        d_.menu.push_back(std::move(entry));
    }
    if (d_.menu.empty()) {
        Broken(L"启动管理器没有可显示的启动项");
    } else if (!defaultShown) {
        Broken(defaultId.empty() ? L"启动管理器没有默认启动项" : L"默认启动项不在 BCD 中");
    } else if (!d_.boots) {
        defaultUnseen ? Unseen(L"默认启动项" + defaultProblem)
                      : Broken(L"默认启动项" + defaultProblem);
    }
    OneTimeBoot(listing.bootManager.bootsequence, find, bootLetter, uefi);
}

void Diagnosis::OneTimeBoot(const std::vector<std::wstring>& sequence,
                            const std::function<const BootEntry*(const std::wstring&)>& find,
                            char bootLetter, bool uefi) {
    // The boot manager runs the first entry of the sequence its store has, once, without the menu.
    for (const std::wstring& id : sequence) {
        const BootEntry* entry = find(id);
        if (entry == nullptr) {
            continue;
        }
        const std::wstring name = L"启动项 \"" + entry->description + L"\"";
        // A tool (the memory tester) runs and the machine then starts as it always does.
        const bool loader = IsNtldrEntry(*entry) || !entry->osdevice.empty() ||
                            EndsWith(entry->path, L"\\winload.exe") ||
                            EndsWith(entry->path, L"\\winload.efi");
        if (!loader) {
            Link(L"下次启动（仅一次）: " + name + L"，之后按默认启动项启动");
            return;
        }
        Link(L"下次启动（仅一次）: " + name);
        const Reach reach = ReachOfEntry(*entry, bootLetter, uefi);
        d_.boots = reach.problem.empty();
        d_.problem =
            d_.boots ? std::wstring() : L"下次启动（仅一次）的" + name + L" " + reach.problem;
        d_.unseen = !d_.boots && reach.unseen;
        return;
    }
}

}  // namespace qn::diagnosis_detail
