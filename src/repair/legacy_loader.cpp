#include "repair/legacy_loader.h"

#include <algorithm>

#include "boot/bcd_commands.h"
#include "boot/boot_ini_writer.h"
#include "boot/extract_resource.h"
#include "boot/resource_ids.h"
#include "boot/text_helpers.h"
#include "disk/arc_key_of_letter.h"
#include "repair/needed_commands.h"
#include "run/menu_names.h"

namespace qn {
namespace {

constexpr wchar_t kSwitches[] = L" /noexecute=optin /fastdetect /noexecute=alwaysoff";

struct LoaderFiles {
    std::wstring ini, ntldr, ntdetect;
};

void SetAttributesIfThere(FileSystem& files, const LoaderFiles& loader, std::uint32_t attributes) {
    for (const std::wstring* path : {&loader.ini, &loader.ntldr, &loader.ntdetect}) {
        if (files.PathExists(*path)) {
            files.SetAttributes(*path, attributes);
        }
    }
}

// ntldr and NTDETECT.COM from the program; a copy already on the partition is kept when the
// program carries none.
std::optional<StepFailure> PutLoaderFiles(RepairRun& run, const LoaderFiles& loader) {
    RepairPorts& ports = run.Ports();
    const std::pair<const std::wstring*, int> files[] = {{&loader.ntldr, kResNtldr},
                                                         {&loader.ntdetect, kResNtdetect}};
    for (const auto& [path, id] : files) {
        if (ExtractResource(ports.files, ports.resources, *path, id, kBinResourceType)) {
            run.Note(L"已写入 " + *path);
        } else if (ports.files.PathExists(*path)) {
            run.Note(L"保留原有的 " + *path + L"（程序未内置，或无法替换它）");
        } else {
            const std::wstring name = path->substr(path->rfind(L'\\') + 1);
            return StepFailure{L"缺少 " + name + L"（程序未内置，引导分区上也没有）"};
        }
    }
    return std::nullopt;
}

bool IsNtldrId(const std::wstring& id) {
    return EqualsIgnoringCase(id, kNtldrGuid) || EqualsIgnoringCase(id, kNtldrId);
}

// The entry that lets the BCD boot manager start ntldr, made or brought up to date. known: the
// store as the BCD part of the run last read it; without it the store is read here. Only what
// is not so already is set.
std::optional<StepFailure> ChainFromBootManager(RepairRun& run, const BootTarget& target,
                                                const std::wstring& description,
                                                const BcdListing* known) {
    BcdTool bcdedit = run.Bcdedit();
    if (bcdedit.path.empty()) {
        return StepFailure{L"缺少 bcdedit.exe（程序未内置，系统中也没有）"};
    }
    BcdListing read;
    if (known == nullptr) {
        EnumAllEntries(bcdedit, target.store, read);
        known = &read;
    }
    const auto entry = std::find_if(known->entries.begin(), known->entries.end(),
                                    [](const BootEntry& e) { return IsNtldrId(e.identifier); });
    const BootEntry* found = entry != known->entries.end() ? &*entry : nullptr;
    // An {ntldr} entry already there (an earlier repair, an upgraded XP, one without a path) is
    // reused: creating it again only fails.
    const bool exists = found != nullptr || std::any_of(known->incompleteIds.begin(),
                                                        known->incompleteIds.end(), IsNtldrId);
    const std::wstring device = L"partition=" + DriveText(target.partition.letter);
    const auto& order = known->bootManager.displayorder;
    const bool last = !order.empty() && IsNtldrId(order.back());
    return RunNeededCommands(
        run,
        {
            {!exists, CreateNtldrEntryCommand(target.store, description)},
            {exists && (found == nullptr || found->description != description),
             SetDescriptionCommand(target.store, kNtldrId, description)},
            {found == nullptr || !EqualsIgnoringCase(found->path, L"\\ntldr"),
             SetNtldrPathCommand(target.store)},
            {found == nullptr || !EqualsIgnoringCase(found->device, device),
             SetNtldrDeviceCommand(target.store, static_cast<wchar_t>(target.partition.letter))},
            {found == nullptr || found->locale != L"zh-CN", SetNtldrLocaleCommand(target.store)},
            {!last, DisplayOrderAddLastCommand(target.store, kNtldrId)},
        });
}

// What every system's part of the setup shares.
struct LegacySetup {
    const RepairRequest& request;
    const BootTarget& target;
    LoaderFiles loader;
    std::map<char, std::wstring> names;
    bool bcdVariant = false;
    const BcdListing* known = nullptr;  // the store as the run last read it
    bool defaultWritten = false;        // the first system with a line becomes the default
};

LegacyOutcome RefuseOnGpt(RepairRun& run, const std::vector<const WindowsInstall*>& systems) {
    LegacyOutcome outcome;
    for (const WindowsInstall* system : systems) {
        run.Row(LegacyRowText(*system) + L"...");
        run.FailedRow(LegacyRowText(*system),
                      {L"Vista 以前的系统无法从 EFI 系统分区 (GPT) 启动，已跳过"}, true);
        ++outcome.failed;
    }
    return outcome;
}

// boot.ini is backed up before anything changes it; without a backup nothing is written.
std::optional<StepFailure> PrepareBootIni(RepairRun& run, const LoaderFiles& loader,
                                          bool clearExisting) {
    RepairPorts& ports = run.Ports();
    BootIniPorts iniPorts{ports.profile, ports.files, ports.resources, ports.clock};
    SetAttributesIfThere(ports.files, loader, kAttributeNormal);
    const bool hadIni = ports.files.PathExists(loader.ini);
    const RewritePreparation prepared = PrepareBootIniRewrite(iniPorts, loader.ini, clearExisting);
    if (!prepared.backupPath.empty()) {
        run.AddBackup(prepared.backupPath);
        run.Row(L"已备份 " + loader.ini + L" 至 " + prepared.backupPath);
    }
    if (!prepared.ready) {
        return StepFailure{hadIni && prepared.backupPath.empty()
                               ? L"无法备份 " + loader.ini + L"，未作更改"
                               : L"无法写入 " + loader.ini};
    }
    return std::nullopt;
}

// The system's line in "[operating systems]"; the first line written brings the default and the
// timeout with it.
std::optional<StepFailure> WriteMenuLine(RepairRun& run, LegacySetup& setup,
                                         const WindowsInstall& system) {
    RepairPorts& ports = run.Ports();
    const std::wstring& ini = setup.loader.ini;
    const auto key = ArcKeyOfLetter(ports.storage, ports.inventory, system.driveLetter,
                                    setup.target.partition.disk);
    if (!key) {
        return StepFailure{L"无法确定 " + DriveText(system.driveLetter) + L" 所在的磁盘"};
    }
    const auto name = setup.names.find(system.driveLetter);
    const std::wstring value =
        L"\"" + (name != setup.names.end() ? name->second : system.displayName) + L"\"" + kSwitches;
    bool written = ports.profile.WriteString(L"operating systems", *key, value, ini);
    if (!setup.defaultWritten) {
        setup.defaultWritten = true;
        written = ports.profile.WriteString(L"boot loader", L"default", *key, ini) && written;
        written =
            ports.profile.WriteString(L"boot loader", L"timeout", setup.request.timeoutText, ini) &&
            written;
    }
    run.Note(L"boot.ini: " + *key + L"=" + value + (written ? L"" : L"（写入失败）"));
    if (!written) {
        return StepFailure{L"无法写入 " + ini};
    }
    return std::nullopt;
}

// One system's part: the loader files (and the chain from the boot manager) come with the first.
// Its first failure is reported; what follows is still tried.
std::optional<StepFailure> SetUpSystem(RepairRun& run, LegacySetup& setup,
                                       const WindowsInstall& system, bool first) {
    std::optional<StepFailure> failure;
    if (first) {
        failure = PutLoaderFiles(run, setup.loader);
        if (setup.bcdVariant) {
            auto chained = ChainFromBootManager(run, setup.target, system.displayName, setup.known);
            failure = failure ? failure : chained;
        }
    }
    FileSystem& files = run.Ports().files;
    SetAttributesIfThere(files, setup.loader, kAttributeNormal);
    auto lineFailure = WriteMenuLine(run, setup, system);
    failure = failure ? failure : lineFailure;
    SetAttributesIfThere(files, setup.loader, kBootFileAttributes);
    return failure;
}

}  // namespace

std::wstring LegacyRowText(const WindowsInstall& system) {
    return L"正在修复: " + DriveText(system.driveLetter) + system.displayName;
}

LegacyOutcome SetUpLegacyLoader(RepairRun& run, const RepairRequest& request,
                                const BootTarget& target,
                                const std::vector<const WindowsInstall*>& systems, bool bcdVariant,
                                const BcdListing* known) {
    if (systems.empty()) {
        return {};
    }
    if (target.partition.style == PartitionStyle::Gpt) {
        return RefuseOnGpt(run, systems);
    }
    LegacySetup setup{request,
                      target,
                      LoaderFiles{target.drive + L"\\boot.ini", target.drive + L"\\ntldr",
                                  target.drive + L"\\NTDETECT.COM"},
                      DistinctMenuNames(request.installations),
                      bcdVariant,
                      known};
    const std::optional<StepFailure> iniFailure =
        PrepareBootIni(run, setup.loader, request.clearExisting);

    LegacyOutcome outcome;
    bool first = true;
    for (const WindowsInstall* system : systems) {
        const std::wstring row = LegacyRowText(*system);
        run.Row(row + L"...");
        const std::optional<StepFailure> failure =
            iniFailure ? iniFailure : SetUpSystem(run, setup, *system, first);
        if (failure) {
            run.FailedRow(row, *failure, true);
            ++outcome.failed;
        } else {
            run.ReplaceRow(row + L"......成功");
            ++outcome.repaired;
        }
        first = false;
    }
    return outcome;
}

}  // namespace qn
