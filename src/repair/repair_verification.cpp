#include "repair/repair_verification.h"

#include <algorithm>
#include <optional>

#include "boot/bcd_commands.h"
#include "boot/boot_ini_reader.h"
#include "boot/text_helpers.h"
#include "repair/arc_path.h"
#include "repair/legacy_loader.h"
#include "repair/menu_names.h"

namespace qn {
namespace {

constexpr float kVistaVersion = 6.0f;

bool Same(const std::wstring& a, const std::wstring& b) {
    return EqualsIgnoringCase(a, b);
}

bool Listed(const std::vector<std::wstring>& ids, const std::wstring& id) {
    return std::any_of(ids.begin(), ids.end(), [&](const std::wstring& x) { return Same(x, id); });
}

std::wstring PartitionOf(char letter) {
    return L"partition=" + std::wstring(1, static_cast<wchar_t>(letter)) + L":";
}

// A boot file that is not there, or is there with nothing in it (damaged), cannot start.
std::optional<std::wstring> MissingOrEmpty(FileSystem& files, const std::wstring& path) {
    const auto size = files.FileSize(path);
    if (!size) {
        return L"缺少 " + path;
    }
    if (*size == 0) {
        return path + L" 已损坏（0 字节）";
    }
    return std::nullopt;
}

// What the configuration reads as, once per verification.
struct ReadBack {
    bool storeRead = false;
    BcdListing store;
    BcdListing bootIni;
};

void CheckModern(RepairRun& run, const BootTarget& target, const ReadBack& read,
                 SystemCheck& check) {
    FileSystem& files = run.Ports().files;
    if (!read.storeRead) {
        check.reason = L"无法读取 BCD 存储";
        return;
    }
    const std::wstring own = PartitionOf(check.letter);
    const BootEntry* found = nullptr;
    const BootEntry* inMenu = nullptr;
    for (const BootEntry& entry : read.store.entries) {
        const std::wstring& os = entry.osdevice.empty() ? entry.device : entry.osdevice;
        if (!Same(os, own)) {
            continue;
        }
        found = found ? found : &entry;
        if (!inMenu && Listed(read.store.bootManager.displayorder, entry.identifier)) {
            inMenu = &entry;
        }
    }
    if (found == nullptr) {
        check.reason = L"BCD 中没有它的启动项";
        return;
    }
    if (inMenu == nullptr) {
        check.reason = L"它的启动项不在启动菜单中";
        return;
    }
    check.menuText = inMenu->description;
    if (!Same(inMenu->device, own)) {
        check.reason = L"启动项的 device 指向其他分区 (" + inMenu->device + L")";
        return;
    }
    const std::wstring loader =
        std::wstring(1, static_cast<wchar_t>(check.letter)) + L":" + inMenu->path;
    if (auto problem = MissingOrEmpty(files, loader)) {
        check.reason = *problem;
        return;
    }
    if (target.hasLetter) {
        const std::wstring manager = target.drive + (target.style == PartitionStyle::Gpt
                                                         ? L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi"
                                                         : L"\\bootmgr");
        if (auto problem = MissingOrEmpty(files, manager)) {
            check.reason = *problem;
            return;
        }
    }
    check.bootable = true;
    check.isDefault = Same(read.store.bootManager.defaultId, inMenu->identifier);
}

void CheckLegacy(RepairRun& run, const BootTarget& target, bool bcdEngine, const ReadBack& read,
                 SystemCheck& check) {
    RepairPorts& ports = run.Ports();
    if (target.style == PartitionStyle::Gpt) {
        check.reason = L"Vista 以前的系统无法从 EFI 系统分区启动";
        return;
    }
    const auto key = ArcKeyOfLetter(ports.storage, ports.inventory, check.letter);
    const auto line = std::find_if(read.bootIni.entries.begin(), read.bootIni.entries.end(),
                                   [&](const BootEntry& e) { return key && Same(e.device, *key); });
    if (line == read.bootIni.entries.end()) {
        check.reason = L"boot.ini 中没有它的启动项";
        return;
    }
    check.menuText = line->description;
    for (const wchar_t* file : {L"\\ntldr", L"\\NTDETECT.COM"}) {
        if (auto problem = MissingOrEmpty(ports.files, target.drive + file)) {
            check.reason = *problem;
            return;
        }
    }
    bool chainIsDefault = !bcdEngine;
    if (bcdEngine) {
        const auto chain = std::find_if(
            read.store.entries.begin(), read.store.entries.end(), [](const BootEntry& e) {
                return Same(e.identifier, kNtldrGuid) || Same(e.identifier, kNtldrId);
            });
        if (!read.storeRead || chain == read.store.entries.end()) {
            check.reason = L"BCD 中没有 {ntldr} 启动项";
            return;
        }
        if (!Listed(read.store.bootManager.displayorder, chain->identifier) &&
            !Listed(read.store.bootManager.displayorder, kNtldrId)) {
            check.reason = L"{ntldr} 启动项不在启动菜单中";
            return;
        }
        if (!Same(chain->device, PartitionOf(target.letter))) {
            check.reason = L"{ntldr} 启动项的 device 指向其他分区 (" + chain->device + L")";
            return;
        }
        chainIsDefault = Same(read.store.bootManager.defaultId, chain->identifier) ||
                         Same(read.store.bootManager.defaultId, kNtldrId);
    }
    check.bootable = true;
    check.isDefault = chainIsDefault && line->isDefault;
}

// Twins are told apart only by their menu lines, so the user hears which line is whose, and
// hears it when a line does not read as the run wrote it.
std::wstring MenuTextNote(const SystemCheck& check, const std::wstring& expected,
                          const std::wstring& displayName) {
    if (check.menuText.empty()) {
        return {};
    }
    if (!Same(check.menuText, expected)) {
        return L"，但启动菜单中显示为 “" + check.menuText + L"”，应为 “" + expected + L"”";
    }
    if (!Same(expected, displayName)) {
        return L"，启动菜单中显示为 “" + expected + L"”";
    }
    return {};
}

}  // namespace

std::vector<SystemCheck> VerifyRepair(RepairRun& run, const RepairRequest& request,
                                      const BootTarget& target, bool bcdEngine,
                                      bool bootCodeWritten) {
    RepairPorts& ports = run.Ports();
    ReadBack read;
    bool anyLegacy = false;
    for (const auto& [letter, system] : request.installations) {
        anyLegacy = anyLegacy || (system.selected != 0 && system.version < kVistaVersion);
    }
    if (bcdEngine) {
        BcdTool bcdedit = run.Bcdedit();
        if (!bcdedit.path.empty()) {
            EnumAllEntries(bcdedit, target.hasLetter ? target.store : std::wstring(), read.store);
            read.storeRead = !run.LastRunFailure(CarriedTool::Bcdedit);
        }
    }
    if (anyLegacy && target.style != PartitionStyle::Gpt) {
        read.bootIni = ReadBootIni(ports.profile, ports.random, target.drive + L"\\boot.ini");
        for (BootEntry& entry : read.bootIni.entries) {
            entry.isDefault = entry.identifier == read.bootIni.bootManager.defaultId;
        }
    }

    const std::map<char, std::wstring> names = DistinctMenuNames(request.installations);
    std::vector<SystemCheck> checks;
    for (const auto& [letter, system] : request.installations) {
        if (system.selected == 0) {
            continue;
        }
        SystemCheck check;
        check.letter = letter;
        check.name = system.displayName;
        if (system.version >= kVistaVersion) {
            CheckModern(run, target, read, check);
        } else {
            CheckLegacy(run, target, bcdEngine, read, check);
        }
        const std::wstring who =
            L"验证: " + std::wstring(1, static_cast<wchar_t>(letter)) + L": " + system.displayName;
        const auto expected = names.find(letter);
        const std::wstring menuNote =
            MenuTextNote(check, expected != names.end() ? expected->second : system.displayName,
                         system.displayName);
        if (!bootCodeWritten) {
            // What starts now depends on boot code this run left as it was and cannot read.
            check.certain = false;
            run.Row(who + L" 无法确认能否启动: 引导代码没有改写" +
                    (check.reason.empty() ? L"" : L"；" + check.reason) + menuNote);
        } else if (check.bootable) {
            run.Row(who + L" 可以启动" + (check.isDefault ? L"（默认启动项）" : L"") + menuNote);
        } else {
            run.FailureRow(who + L" 无法启动: " + check.reason);
        }
        checks.push_back(std::move(check));
    }
    const bool defaultNamed =
        std::any_of(checks.begin(), checks.end(), [](const SystemCheck& c) { return c.isDefault; });
    if (!defaultNamed && read.storeRead) {
        const auto entry = std::find_if(
            read.store.entries.begin(), read.store.entries.end(), [&](const BootEntry& e) {
                return Same(e.identifier, read.store.bootManager.defaultId);
            });
        run.Row(entry == read.store.entries.end()
                    ? std::wstring(L"验证: 启动菜单没有有效的默认启动项")
                    : L"验证: 默认启动项为 " + entry->description);
    }
    return checks;
}

}  // namespace qn
