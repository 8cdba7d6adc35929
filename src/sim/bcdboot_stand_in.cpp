// The stand-in bcdboot: copies the boot files of one Windows to a system partition for the
// firmware kinds asked for, creates or updates the store there, and on UEFI firmware puts
// "Windows Boot Manager" into the firmware's boot order.
#include <algorithm>

#include "sim/bcd_ids.h"
#include "sim/loader_image.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"
#include "sim/stand_in_tools.h"
#include "sim/store_access.h"

namespace qn::sim {
namespace {

// bcdboot ends with the Win32 error of what failed.
constexpr unsigned long kFileNotFound = 2;
constexpr unsigned long kAccessDenied = 5;
constexpr unsigned long kPathNotFound = 3;
constexpr unsigned long kInvalidDrive = 15;
constexpr unsigned long kBadCommandLine = 87;  // ERROR_INVALID_PARAMETER
constexpr unsigned long kDiskFull = 112;
constexpr unsigned long kUnrecognizedVolume = 1005;
constexpr unsigned long kNotFound = 1168;
// What a new store takes on the partition.
constexpr std::uint64_t kStoreBytes = 32ull << 10;

struct Options {
    std::wstring source;
    std::wstring locale = L"en-US";
    std::optional<wchar_t> target;
    bool bios = false;
    bool uefi = false;
    bool merge = false;
    bool addLast = false;
    bool preserve = false;     // /p
    bool keepDefault = false;  // /d
};

std::optional<Options> Parse(const SimMachine& machine, const std::vector<std::wstring>& args) {
    Options options;
    std::optional<std::wstring> firmware;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring lower = LowerCase(args[i]);
        auto value = [&]() -> std::optional<std::wstring> {
            return i + 1 < args.size() ? std::optional<std::wstring>(args[++i]) : std::nullopt;
        };
        if (lower == L"/l") {
            const auto locale = value();
            if (!locale || locale->empty()) {
                return std::nullopt;
            }
            options.locale = *locale;
        } else if (lower == L"/s") {
            const auto letter = value();
            if (!letter || letter->size() < 2 || letter->size() > 3 || (*letter)[1] != L':' ||
                (letter->size() == 3 && (*letter)[2] != L'\\') || !std::iswalpha((*letter)[0])) {
                return std::nullopt;
            }
            options.target = static_cast<wchar_t>(std::towupper((*letter)[0]));
        } else if (lower == L"/f") {
            firmware = value();
            if (!firmware) {
                return std::nullopt;
            }
        } else if (lower == L"/m") {
            options.merge = true;
            // An optional loader to merge from: the sim merges the Windows' own entry.
            if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] == L'{') {
                ++i;
            }
        } else if (lower == L"/addlast") {
            options.addLast = true;
        } else if (lower == L"/p") {
            options.preserve = true;
        } else if (lower == L"/d") {
            options.keepDefault = true;
        } else if (lower == L"/c" || lower == L"/v") {
            // Nothing of an older store is carried over here anyway, and the sim is not verbose.
        } else if (options.source.empty() && !lower.empty() && lower[0] != L'/') {
            options.source = args[i];
        } else {
            return std::nullopt;
        }
    }
    if (options.source.empty() || (options.addLast && options.preserve)) {
        return std::nullopt;
    }
    if (firmware) {
        // The firmware kind is only chosen for a system partition named with /s.
        const std::wstring kind = LowerCase(*firmware);
        if (!options.target || (kind != L"bios" && kind != L"uefi" && kind != L"all")) {
            return std::nullopt;
        }
        options.bios = kind != L"uefi";
        options.uefi = kind != L"bios";
    } else {
        options.bios = machine.RunningFirmware() == Firmware::Bios;
        options.uefi = !options.bios;
    }
    return options;
}

// bcdboot names the entry after the Windows it found: "Windows 7", "Windows 10".
std::wstring LoaderDescription(const ScenarioInstall& install) {
    const std::wstring& name = install.productName;
    const std::size_t at = name.find(L"Windows ");
    if (at == std::wstring::npos) {
        return L"Windows";
    }
    std::size_t end = name.find(L' ', at + 8);
    if (end != std::wstring::npos && name.compare(at + 8, end - at - 8, L"Server") == 0) {
        end = name.find(L' ', end + 1);
    }
    return name.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
}

struct Copy {
    const wchar_t* from;  // under the Windows folder
    const wchar_t* to;    // on the system partition
    std::uint64_t bytes;  // what the real file takes (the sim's files hold a short mark only)
};

// In the order bcdboot copies them.
constexpr Copy kBiosFiles[] = {
    {L"\\Boot\\PCAT\\bootmgr", L"\\bootmgr", 400ull << 10},
    {L"\\Boot\\PCAT\\memtest.exe", L"\\Boot\\memtest.exe", 1100ull << 10},
    {L"\\Boot\\Fonts\\wgl4_boot.ttf", L"\\Boot\\Fonts\\wgl4_boot.ttf", 46ull << 10},
};
constexpr Copy kUefiFiles[] = {
    {L"\\Boot\\EFI\\bootmgfw.efi", L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi", 1500ull << 10},
    {L"\\Boot\\EFI\\bootmgr.efi", L"\\EFI\\Microsoft\\Boot\\bootmgr.efi", 1500ull << 10},
    {L"\\Boot\\EFI\\memtest.efi", L"\\EFI\\Microsoft\\Boot\\memtest.efi", 1300ull << 10},
    {L"\\Boot\\Fonts\\wgl4_boot.ttf", L"\\EFI\\Microsoft\\Boot\\Fonts\\wgl4_boot.ttf", 46ull << 10},
};
// Windows Boot Manager again as the firmware's fallback loader, named for the architecture of the
// boot files (the Windows copied from), after the others.
constexpr std::uint64_t kFallbackBytes = 1500ull << 10;

// Why a run failed: its exit code and the diagnostics bcdboot prints before its summary line.
struct Failure {
    unsigned long code = 0;
    std::wstring diagnostic;  // after "BFSVC Error: "
};

Failure Failed(unsigned long code, std::wstring what) {
    wchar_t hex[16] = {};
    std::swprintf(hex, 16, L"%lx", code);
    return {code, what + L" Error code = 0x" + hex};
}

class Bcdboot {
public:
    Bcdboot(SimMachine& machine, Options options)
        : machine_(machine), files_(machine.Files()), options_(std::move(options)) {}

    std::optional<Failure> Run() {
        std::wstring folder = LowerCase(options_.source);
        while (folder.size() > 3 && folder.back() == L'\\') {
            folder.pop_back();
            options_.source.pop_back();
        }
        windows_ = machine_.VolumeAtLetter(options_.source[0]);
        // A locked BitLocker volume shows nothing of its files to anyone but the boot manager.
        if (windows_ != nullptr && machine_.VolumeLocked(*windows_)) {
            return Failed(kAccessDenied,
                          L"Failed to open the source directory " + options_.source + L"!");
        }
        if (windows_ == nullptr || !files_.IsDirectory(options_.source)) {
            return Failed(kPathNotFound,
                          L"Failed to open the source directory " + options_.source + L"!");
        }
        if (!windows_->partition->install || folder.size() < 3 ||
            folder.substr(1) != L":\\windows") {
            return Failed(kFileNotFound,
                          L"Failed to find a Windows installation at " + options_.source + L"!");
        }
        if (options_.target) {
            system_ = machine_.VolumeAtLetter(*options_.target);
            if (system_ == nullptr) {
                return Failed(kInvalidDrive, std::wstring(L"Failed to open the volume ") +
                                                 *options_.target + L":!");
            }
        } else {
            system_ = machine_.SystemPartition();
            if (system_ == nullptr) {
                return Failed(kNotFound, L"Failed to find the system partition!");
            }
        }
        if (machine_.VolumeLocked(*system_)) {
            return Failed(kAccessDenied,
                          L"Failed to open the volume " + Shown(*system_, L"") + L"!");
        }
        // The source and the partition are checked before anything is written; a copy that fails
        // later leaves what was copied before it.
        if (auto failure = Check(false)) {
            return failure;
        }
        if (auto failure = Check(true)) {
            return failure;
        }
        if (options_.bios) {
            if (auto failure = Install(
                    std::vector<Copy>(std::begin(kBiosFiles), std::end(kBiosFiles)), false)) {
                return failure;
            }
        }
        if (options_.uefi) {
            std::vector<Copy> copies(std::begin(kUefiFiles), std::end(kUefiFiles));
            const std::wstring fallback =
                FallbackLoaderFor(windows_->partition->install->x64 ? FirmwareArchitecture::X64
                                                                    : FirmwareArchitecture::X86);
            copies.insert(copies.end() - 1,
                          Copy{L"\\Boot\\EFI\\bootmgfw.efi", fallback.c_str(), kFallbackBytes});
            if (auto failure = Install(copies, true)) {
                return failure;
            }
            // Only without /s does bcdboot touch the firmware's boot entries.
            if (machine_.RunningFirmware() == Firmware::Uefi && !options_.target) {
                UpdateFirmware();
            }
        }
        return std::nullopt;
    }

private:
    std::wstring Shown(const DiskVolume& volume, const std::wstring& rooted) const {
        const wchar_t letter = machine_.LetterOf(volume);
        return letter != 0 ? std::wstring(1, letter) + L":" + rooted
                           : L"\\\\?\\Volume{" + volume.id + L"}" + rooted;
    }

    std::optional<Failure> Check(bool uefi) {
        if (!(uefi ? options_.uefi : options_.bios)) {
            return std::nullopt;
        }
        const std::wstring fs = LowerCase(system_->partition->fileSystem);
        if (uefi ? fs != L"fat32" && fs != L"fat"
                 : fs != L"ntfs" && fs != L"fat32" && fs != L"fat") {
            return Failed(kUnrecognizedVolume, L"The system partition " + Shown(*system_, L"") +
                                                   L" has a file system the firmware cannot "
                                                   L"read (" +
                                                   system_->partition->fileSystem + L")!");
        }
        const std::wstring loader = uefi ? L"\\System32\\winload.efi" : L"\\System32\\winload.exe";
        if (!files_.IsFile(options_.source + loader)) {
            return Failed(kFileNotFound,
                          L"Failed to find the OS loader " + options_.source + loader + L"!");
        }
        return std::nullopt;
    }

    std::optional<Failure> Install(const std::vector<Copy>& copies, bool uefi) {
        for (const Copy& copy : copies) {
            const std::wstring source = options_.source + copy.from;
            const std::wstring target = machine_.PathOn(*system_, copy.to);
            const auto fail = [&](unsigned long code) {
                return Failed(code, L"Failed to copy file " + source + L" to " +
                                        Shown(*system_, copy.to) + L"!");
            };
            const auto* bytes = files_.FileBytes(source);
            if (bytes == nullptr) {
                return fail(kFileNotFound);
            }
            // Replacing a file gives its room back first; CopyFile removes a copy it could not
            // finish, so a file that does not fit leaves no trace, but those before it stay.
            const auto* old = files_.FileBytes(target);
            machine_.ReleaseBytes(*system_, old != nullptr ? old->size() : 0);
            if (!machine_.UseBytes(*system_, copy.bytes)) {
                if (old != nullptr) {
                    machine_.UseBytes(*system_, old->size());
                }
                return fail(kDiskFull);
            }
            const std::wstring parent = target.substr(0, target.rfind(L'\\'));
            files_.AddDirectory(parent);
            files_.AddFile(target, *bytes);
        }
        if (!uefi) {
            files_.SetAttributes(machine_.PathOn(*system_, L"\\bootmgr"),
                                 kAttributeReadOnly | kAttributeHidden | kAttributeSystem);
        }
        const std::wstring rootedStore = uefi ? L"\\EFI\\Microsoft\\Boot\\BCD" : L"\\Boot\\BCD";
        const std::wstring storePath = machine_.PathOn(*system_, rootedStore);
        if (!files_.IsFile(storePath) && !machine_.UseBytes(*system_, kStoreBytes)) {
            return Failed(kDiskFull,
                          L"Failed to create the BCD store " + Shown(*system_, rootedStore) + L"!");
        }
        files_.AddDirectory(storePath.substr(0, storePath.rfind(L'\\')));
        OpenedStore opened = OpenStoreFile(files_, storePath);
        // A store that cannot be read is replaced by a new one.
        BcdStoreData store =
            opened.state == StoreState::Ok ? std::move(opened.data) : BcdStoreData{};
        UpdateStore(store, uefi);
        SaveStoreFile(files_, storePath, store);
        return std::nullopt;
    }

    BcdObject& Ensure(BcdStoreData& store, const std::wstring& id, std::uint32_t type) {
        if (BcdObject* existing = FindObject(store, id)) {
            return *existing;
        }
        store.objects.push_back(BcdObject{id, type, {}});
        return store.objects.back();
    }

    void UpdateStore(BcdStoreData& store, bool uefi) {
        const bool fresh = FindObject(store, kBootmgrGuid) == nullptr;
        Ensure(store, kBootmgrGuid, kBcdTypeBootmgr);
        Ensure(store, kMemDiagGuid, kBcdTypeMemDiag);
        Ensure(store, kGlobalSettingsGuid, kBcdTypeSettings);
        Ensure(store, kLoaderSettingsGuid, kBcdTypeLoaderSettings);
        Ensure(store, kResumeSettingsGuid, kBcdTypeResumeSettings);
        const std::wstring loaderId = ReplaceLoaders(store);
        WriteLoader(store, loaderId, uefi);
        WriteBootManager(store, loaderId, uefi, fresh);
        WriteMemDiag(store, uefi);
        PutElement(*FindObject(store, kLoaderSettingsGuid),
                   IdListElement(L"inherit", {kGlobalSettingsGuid}));
        PutElement(*FindObject(store, kResumeSettingsGuid),
                   IdListElement(L"inherit", {kGlobalSettingsGuid}));
    }

    // The entries of this Windows so far go, with their resume objects; /m keeps the first one's
    // identifier. The identifier of the entry to write.
    std::wstring ReplaceLoaders(BcdStoreData& store) {
        std::vector<std::wstring> previous;
        for (const BcdObject& object : store.objects) {
            const BcdElement* os = FindElement(object, L"osdevice");
            if (object.type == kBcdTypeOsLoader && os != nullptr &&
                os->device.kind == BcdDeviceKind::Partition && os->device.volume == windows_->id) {
                previous.push_back(object.id);
            }
        }
        const std::wstring loaderId =
            options_.merge && !previous.empty() ? previous.front() : machine_.NewGuid();
        for (const std::wstring& old : previous) {
            if (old == loaderId) {
                continue;
            }
            if (const BcdObject* object = FindObject(store, old)) {
                if (const BcdElement* resume = FindElement(*object, L"resumeobject")) {
                    DeleteObject(store, std::wstring(resume->text), true);
                }
            }
            DeleteObject(store, old, true);
        }
        return loaderId;
    }

    // The Windows' loader entry and its resume object, written anew.
    void WriteLoader(BcdStoreData& store, const std::wstring& loaderId, bool uefi) {
        const std::wstring windowsVolume = windows_->id;
        const std::wstring ext = uefi ? L".efi" : L".exe";
        const std::wstring resumeId = machine_.NewGuid();
        BcdObject& resume = Ensure(store, resumeId, kBcdTypeResume);
        resume.elements = {PartitionElement(L"device", windowsVolume),
                           TextElement(L"path", L"\\Windows\\system32\\winresume" + ext),
                           TextElement(L"description", L"Windows Resume Application"),
                           TextElement(L"locale", options_.locale),
                           IdListElement(L"inherit", {kResumeSettingsGuid}),
                           PartitionElement(L"filedevice", windowsVolume),
                           TextElement(L"filepath", L"\\hiberfil.sys")};
        BcdObject& loader = Ensure(store, loaderId, kBcdTypeOsLoader);
        loader.elements = {
            PartitionElement(L"device", windowsVolume),
            TextElement(L"path", L"\\Windows\\system32\\winload" + ext),
            TextElement(L"description", LoaderDescription(*windows_->partition->install)),
            TextElement(L"locale", options_.locale),
            IdListElement(L"inherit", {kLoaderSettingsGuid}),
            PartitionElement(L"osdevice", windowsVolume),
            TextElement(L"systemroot", L"\\Windows"),
            IdElement(L"resumeobject", resumeId),
            TextElement(L"nx", L"OptIn")};
    }

    // fresh: the store had no boot manager before, so its timeout is bcdboot's own.
    void WriteBootManager(BcdStoreData& store, const std::wstring& loaderId, bool uefi,
                          bool fresh) {
        BcdObject& bootmgr = *FindObject(store, kBootmgrGuid);
        PutElement(bootmgr, PartitionElement(L"device", system_->id));
        // The BIOS boot code finds bootmgr by its name; only the firmware's entry needs a path.
        if (uefi) {
            PutElement(bootmgr, TextElement(L"path", L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi"));
        } else {
            RemoveElement(bootmgr, L"path");
        }
        PutElement(bootmgr, TextElement(L"description", L"Windows Boot Manager"));
        PutElement(bootmgr, TextElement(L"locale", options_.locale));
        PutElement(bootmgr, IdListElement(L"inherit", {kGlobalSettingsGuid}));
        PutElement(bootmgr, IdListElement(L"toolsdisplayorder", {kMemDiagGuid}));
        if (fresh) {
            PutElement(bootmgr, IntegerElement(L"timeout", 30));
        }
        const BcdElement* current = FindElement(bootmgr, L"displayorder");
        std::vector<std::wstring> ids = current ? current->ids : std::vector<std::wstring>{};
        std::erase(ids, loaderId);
        // /addlast and /p are about the firmware's entry: the store's new entry comes first and
        // is the default (unless /d keeps one that is still there).
        ids.insert(ids.begin(), loaderId);
        PutElement(bootmgr, IdListElement(L"displayorder", ids));
        const BcdElement* defaultElement = FindElement(bootmgr, L"default");
        const bool keep = options_.keepDefault && defaultElement != nullptr &&
                          FindObject(store, defaultElement->text) != nullptr;
        if (!keep) {
            PutElement(bootmgr, IdElement(L"default", loaderId));
        }
    }

    void WriteMemDiag(BcdStoreData& store, bool uefi) {
        BcdObject& memdiag = *FindObject(store, kMemDiagGuid);
        PutElement(memdiag, PartitionElement(L"device", system_->id));
        PutElement(memdiag, TextElement(L"path", uefi ? L"\\EFI\\Microsoft\\Boot\\memtest.efi"
                                                      : L"\\boot\\memtest.exe"));
        PutElement(memdiag, TextElement(L"description", L"Windows Memory Diagnostic"));
        PutElement(memdiag, TextElement(L"locale", options_.locale));
        PutElement(memdiag, IdListElement(L"inherit", {kGlobalSettingsGuid}));
        PutElement(memdiag, BooleanElement(L"badmemoryaccess", true));
    }

    void UpdateFirmware() {
        auto& entries = machine_.FirmwareEntries();
        FirmwareEntry entry{kBootmgrGuid, L"Windows Boot Manager", system_->id,
                            L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi"};
        const auto existing =
            std::find_if(entries.begin(), entries.end(),
                         [](const FirmwareEntry& e) { return e.id == kBootmgrGuid; });
        if (existing != entries.end() && options_.preserve) {
            *existing = entry;
            return;
        }
        if (existing != entries.end()) {
            entries.erase(existing);
        }
        if (options_.addLast) {
            entries.push_back(entry);
        } else {
            entries.insert(entries.begin(), entry);
        }
    }

    SimMachine& machine_;
    fake::FakeFileSystem& files_;
    Options options_;
    const DiskVolume* windows_ = nullptr;
    const DiskVolume* system_ = nullptr;
};

// What bcdboot /? prints, and what it prints for a command line it does not take.
std::wstring HelpText(ToolLanguage language) {
    const bool chinese = language == ToolLanguage::ZhCn;
    std::wstring text =
        chinese
            ? L"Bcdboot - Bcd 启动文件创建和修复工具。\r\n\r\n"
              L"bcdboot.exe 命令行工具用于将关键启动文件复制到系统分区，\r\n"
              L"并创建新的系统 BCD 存储。\r\n\r\n"
            : L"Bcdboot - Bcd boot file creation and repair tool.\r\n\r\n"
              L"The bcdboot.exe command-line tool is used to copy critical boot files to the\r\n"
              L"system partition and to create a new system BCD store.\r\n\r\n";
    text +=
        L"bcdboot <source> [/l <locale>] [/s <volume-letter> [/f <firmware>]] [/v]\r\n"
        L"                 [/m [{OS Loader ID}]] [/addlast or /p] [/d] [/c]\r\n\r\n";
    struct Option {
        const wchar_t* name;
        const wchar_t* zh;
        const wchar_t* en;
    };
    static constexpr Option kOptions[] = {
        {L"source", L"指定 Windows 系统根目录的位置。",
         L"Specifies the location of the windows system root."},
        {L"/l", L"指定初始化 BCD 存储时使用的区域设置。默认值为美国英语。",
         L"Specifies an optional locale parameter to use when initializing the BCD store. The "
         L"default is US English."},
        {L"/s", L"指定接收启动环境文件的目标系统分区的卷号。默认值为固件标识的系统分区。",
         L"Specifies an optional volume letter parameter to designate the target system partition "
         L"where boot environment files are copied. The default is the system partition identified "
         L"by the firmware."},
        {L"/v", L"启用详细模式。", L"Enables verbose mode."},
        {L"/m", L"若提供了 OS 加载器 GUID，则将给定的加载器对象与系统模板合并，生成可启动项。",
         L"If an OS loader GUID is provided, this option merges the given loader object within the "
         L"system template to produce a bootable entry."},
        {L"/d", L"指定保留现有的默认 Windows 启动项。",
         L"Specifies that the existing default windows boot entry should be preserved."},
        {L"/f", L"与 /s 一起使用，指定目标系统分区的固件类型: UEFI、BIOS 或 ALL。",
         L"Used with the /s command, specifies the firmware type of the target system partition. "
         L"Options for <firmware> are 'UEFI', 'BIOS', or 'ALL'."},
        {L"/addlast",
         L"指定将 Windows 启动管理器的固件项添加到最后。默认添加到最前。不能与 /p 一起使用。",
         L"Specifies that the windows boot manager firmware entry should be added last. The "
         L"default behavior is to add it first. Cannot be used with /p."},
        {L"/p",
         L"指定保留 Windows 启动管理器固件项的位置。若该项不存在，则添加到最前。不能与 /addlast "
         L"一起使用。",
         L"Specifies that the windows boot manager firmware entry position should be preserved. If "
         L"entry does not exist, new entry will be added in the first position. Cannot be used "
         L"with /addlast."},
        {L"/c", L"指定不迁移系统模板中的任何现有对象。",
         L"Specifies that any existing objects from the system template should not be migrated."},
    };
    for (const Option& option : kOptions) {
        std::wstring name = option.name;
        name.resize(11, L' ');
        text += L"  " + name + (chinese ? option.zh : option.en) + L"\r\n\r\n";
    }
    text +=
        L"Examples: bcdboot c:\\windows /l en-us\r\n"
        L"          bcdboot c:\\windows /s h:\r\n"
        L"          bcdboot c:\\windows /s h: /f UEFI\r\n"
        L"          bcdboot c:\\windows /d /addlast\r\n"
        L"          bcdboot c:\\windows /p\r\n";
    return text;
}

}  // namespace

ToolOutcome RunBcdboot(SimMachine& machine, const std::vector<std::wstring>& arguments) {
    const ToolLanguage language = machine.Language();
    auto options = Parse(machine, arguments);
    if (!options) {
        return {kBadCommandLine, HelpText(language)};
    }
    Bcdboot run(machine, std::move(*options));
    if (const auto failure = run.Run()) {
        // The diagnostics come even without /v, in English whatever the system's language.
        return {failure->code, L"BFSVC Error: " + failure->diagnostic + L"\r\n" +
                                   Text(language, ToolText::CopyFailed) + L"\r\n"};
    }
    return {0, Text(language, ToolText::BootFilesCreated) + L"\r\n"};
}

}  // namespace qn::sim
