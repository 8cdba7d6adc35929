#include "repair/bcd_repair.h"

#include "boot/bcd_commands.h"
#include "boot/command_line_quoting.h"
#include "boot/crc32.h"
#include "boot/extract_resource.h"
#include "boot/resource_ids.h"
#include "boot/text_helpers.h"
#include "disk/windows_install.h"
#include "repair/boot_code_step.h"
#include "repair/firmware_entry_step.h"
#include "repair/legacy_loader.h"
#include "repair/needed_commands.h"
#include "repair/store_backup.h"
#include "run/menu_names.h"

namespace qn {
namespace {

// bcdboot, with the message module a carried bcdboot looks for under the Windows folder while
// it runs. A file of that name that is already there is not ours: it is left alone.
std::optional<StepFailure> RunBcdboot(RepairRun& run, const BootTarget& target,
                                      const std::wstring& windowsFolder,
                                      const std::wstring& extraSwitch) {
    RepairPorts& ports = run.Ports();
    std::wstring module;
    if (run.Tool(CarriedTool::Bcdboot).source == ToolSource::Embedded) {
        const std::wstring path = windowsFolder + kMessageModuleInWindows;
        const bool absent = !ports.files.PathExists(path);
        const auto bytes = ports.resources.Find(kResMessageModule, kBinResourceType);
        if (absent && run.Undo() != nullptr) {
            run.Undo()->WillWriteTemporary(path, bytes);
        }
        if (absent && ports.leftovers != nullptr) {
            ports.leftovers->AddFile(LeftoverFile{path, bytes.size(), Crc32(bytes)});
        }
        if (absent && ExtractResource(ports.files, ports.resources, path, kResMessageModule,
                                      kBinResourceType)) {
            module = path;
            run.Note(L"已为 bcdboot 写入 " + path);
        }
    }
    auto failure =
        run.RunTool(CarriedTool::Bcdboot, BcdbootParameters(target, windowsFolder, extraSwitch));
    if (!module.empty()) {
        if (!ports.files.RemoveFile(module)) {
            // Stays listed: the next start removes it.
            run.Note(L"未能删除 " + module);
        } else {
            if (ports.leftovers != nullptr) {
                ports.leftovers->ForgetFile(module);
            }
            run.Note(L"已删除 " + module);
        }
    }
    return failure;
}

struct SystemOutcome {
    std::wstring id;  // its entry's identifier; empty when none was found
    bool ok = false;
};

// What one enumeration says is already so: the entry last in the menu and under its name.
bool IsLastInMenu(const BcdListing& listing, const std::wstring& id) {
    const auto& order = listing.bootManager.displayorder;
    return !order.empty() && EqualsIgnoringCase(order.back(), id);
}

bool HasDescription(const BcdListing& listing, const std::wstring& id, const std::wstring& name) {
    for (const BootEntry& entry : listing.entries) {
        if (EqualsIgnoringCase(entry.identifier, id)) {
            return entry.description == name;
        }
    }
    return false;
}

// One Vista-or-later system: bcdboot, its entry found again, and its place and name in the
// menu. listing: the store as the enumeration after bcdboot read it, with this step's changes.
SystemOutcome RepairOneSystem(RepairRun& run, const RepairRequest& request,
                              const BootTarget& target, const WindowsInstall& system,
                              const std::wstring& menuName, BcdListing& listing) {
    const std::wstring row =
        L"正在修复: " + DriveText(system.driveLetter) + L" " + system.displayName;
    run.Row(row + L"...");
    const std::wstring windowsFolder = DriveText(system.driveLetter) + L"\\Windows";
    std::optional<StepFailure> failure =
        RunBcdboot(run, target, windowsFolder, request.bcdbootSwitch);

    const std::wstring store = target.partition.HasLetter() ? target.store : std::wstring();
    std::wstring id;
    listing = {};
    BcdTool bcdedit = run.Bcdedit();
    if (!bcdedit.path.empty()) {
        id = FindLoaderIdByLetter(bcdedit, target.store, target.partition.HasLetter(),
                                  system.driveLetter, &listing);
    }
    // A failed bcdboot says more than the missing entry it explains.
    if (id.empty() && !failure) {
        if (bcdedit.path.empty()) {
            failure = StepFailure{L"缺少 bcdedit.exe（程序未内置，系统中也没有）"};
        } else if (auto enumeration = run.LastRunFailure(CarriedTool::Bcdedit)) {
            failure = enumeration;
        } else {
            failure = StepFailure{L"BCD 中没有找到它的启动项"};
        }
    }
    if (!id.empty()) {
        auto commandFailure = RunNeededCommands(
            run,
            {{!IsLastInMenu(listing, id), DisplayOrderAddLastCommand(store, id)},
             {!HasDescription(listing, id, menuName), SetDescriptionCommand(store, id, menuName)}});
        if (!failure) {
            failure = commandFailure;
        }
        // The next step reads this one's result from the same enumeration.
        auto& order = listing.bootManager.displayorder;
        std::erase_if(order,
                      [&](const std::wstring& shown) { return EqualsIgnoringCase(shown, id); });
        order.push_back(id);
    }
    if (failure) {
        run.FailedRow(row, *failure, true);
    } else {
        run.ReplaceRow(row + L"......成功");
    }
    return {id, !failure};
}

void SplitByVersion(const RepairRequest& request, std::vector<const WindowsInstall*>& modern,
                    std::vector<const WindowsInstall*>& legacy) {
    for (const auto& [letter, system] : request.installations) {
        if (system.selected != 0) {
            (system.version >= kVistaVersion ? modern : legacy).push_back(&system);
        }
    }
}

}  // namespace

std::wstring BcdbootParameters(const BootTarget& target, const std::wstring& windowsFolder,
                               const std::wstring& extraSwitch) {
    const std::wstring folder = QuoteArgument(windowsFolder);
    const std::wstring extra = extraSwitch.empty() ? std::wstring() : L" " + extraSwitch;
    if (!target.partition.HasLetter()) {
        return folder + L" /l zh-CN" + extra;
    }
    return folder + L" /s " + target.drive +
           (target.partition.style == PartitionStyle::Mbr ? L" /f BIOS" : L" /f UEFI") +
           L" /l zh-CN" + extra;
}

bool RepairBootNt6(RepairRun& run, const RepairRequest& request, const BootTarget& target) {
    std::vector<const WindowsInstall*> modern;
    std::vector<const WindowsInstall*> legacy;
    SplitByVersion(request, modern, legacy);
    BackUpAndClearStore(run, request, target);

    const std::wstring store = target.partition.HasLetter() ? target.store : std::wstring();
    const std::map<char, std::wstring> names = DistinctMenuNames(request.installations);
    std::wstring defaultId;
    int repaired = 0;
    // The store after the last bcdboot: the menu's settings below are made only where it
    // differs, once per run.
    BcdListing listing;
    bool anyEntry = false;
    for (const WindowsInstall* system : modern) {
        const auto name = names.find(system->driveLetter);
        const SystemOutcome outcome =
            RepairOneSystem(run, request, target, *system,
                            name != names.end() ? name->second : system->displayName, listing);
        repaired += outcome.ok ? 1 : 0;
        anyEntry = anyEntry || !outcome.id.empty();
        if (system == modern.front()) {
            defaultId = outcome.id;
        }
    }
    const BootManagerInfo& manager = listing.bootManager;
    if (anyEntry && manager.timeout != request.timeoutText) {
        if (auto failure =
                run.RunTool(CarriedTool::Bcdedit, TimeoutCommand(store, request.timeoutText))) {
            run.FailedRow(L"设置启动菜单等待时间", *failure, false);
        }
    }
    if (!defaultId.empty() && !EqualsIgnoringCase(manager.defaultId, defaultId)) {
        if (auto failure = run.RunTool(CarriedTool::Bcdedit, DefaultCommand(store, defaultId))) {
            run.FailedRow(L"设置默认启动项", *failure, false);
        }
    }
    if (!EqualsIgnoringCase(manager.graphicsResolution, L"1024x768")) {
        if (auto failure = run.RunTool(CarriedTool::Bcdedit, GraphicsResolutionCommand(store))) {
            run.FailedRow(L"设置启动菜单的分辨率", *failure, false);
        }
    }
    // The listing is still the store's picture for ntldr's entry: nothing above touches it.
    const bool read = !listing.bootManager.identifier.empty();
    const LegacyOutcome older =
        SetUpLegacyLoader(run, request, target, legacy, true, read ? &listing : nullptr);
    if (target.partition.style != PartitionStyle::Mbr) {
        if (repaired > 0) {
            PutBootManagerIntoFirmwareOrder(run, request, target);
        }
        return true;  // UEFI firmware reads no boot code
    }
    return WriteBootCodeIfSafe(run, target, BootCodeKind::Nt60, !request.keepMbr,
                               repaired + older.repaired, older.failed);
}

bool RepairBootNt5(RepairRun& run, const RepairRequest& request, const BootTarget& target) {
    std::vector<const WindowsInstall*> systems;
    for (const auto& [letter, system] : request.installations) {
        if (system.selected != 0) {
            systems.push_back(&system);
        }
    }
    const LegacyOutcome outcome = SetUpLegacyLoader(run, request, target, systems, false);
    // No legacy system starts from a GPT disk: nothing there for NT5 boot code to start.
    if (target.partition.style == PartitionStyle::Gpt) {
        return true;
    }
    return WriteBootCodeIfSafe(run, target, BootCodeKind::Nt52, !request.keepMbr, outcome.repaired,
                               0);
}

}  // namespace qn
