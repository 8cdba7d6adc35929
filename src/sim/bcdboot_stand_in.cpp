// The stand-in bcdboot: copies the boot files of one Windows to a system partition for the
// firmware kinds asked for, creates or updates the store there, and on UEFI firmware puts
// "Windows Boot Manager" into the firmware's boot order.
#include <algorithm>

#include "sim/bcd_ids.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"
#include "sim/stand_in_tools.h"
#include "sim/store_access.h"

namespace qn::sim {
namespace {

// What the files of one firmware kind need on the system partition, with room to spare.
constexpr std::uint64_t kBiosBytesNeeded = 8ull << 20;
constexpr std::uint64_t kUefiBytesNeeded = 16ull << 20;
constexpr unsigned long kCopyFailed = 1;
constexpr unsigned long kBadCommandLine = 87;  // ERROR_INVALID_PARAMETER

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
        options.bios = machine.FirmwareKind() == Firmware::Bios;
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
};

constexpr Copy kBiosFiles[] = {
    {L"\\Boot\\PCAT\\bootmgr", L"\\bootmgr"},
    {L"\\Boot\\PCAT\\memtest.exe", L"\\Boot\\memtest.exe"},
    {L"\\Boot\\Fonts\\wgl4_boot.ttf", L"\\Boot\\Fonts\\wgl4_boot.ttf"},
};
constexpr Copy kUefiFiles[] = {
    {L"\\Boot\\EFI\\bootmgfw.efi", L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi"},
    {L"\\Boot\\EFI\\bootmgr.efi", L"\\EFI\\Microsoft\\Boot\\bootmgr.efi"},
    {L"\\Boot\\EFI\\memtest.efi", L"\\EFI\\Microsoft\\Boot\\memtest.efi"},
    {L"\\Boot\\EFI\\bootmgfw.efi", L"\\EFI\\Boot\\bootx64.efi"},
    {L"\\Boot\\Fonts\\wgl4_boot.ttf", L"\\EFI\\Microsoft\\Boot\\Fonts\\wgl4_boot.ttf"},
};

class Bcdboot {
public:
    Bcdboot(SimMachine& machine, Options options)
        : machine_(machine), files_(machine.Files()), options_(std::move(options)) {}

    bool Run() {
        std::wstring folder = LowerCase(options_.source);
        while (folder.size() > 3 && folder.back() == L'\\') {
            folder.pop_back();
            options_.source.pop_back();
        }
        windows_ = machine_.VolumeAtLetter(options_.source[0]);
        if (windows_ == nullptr || !windows_->partition->install || folder.size() < 3 ||
            folder.substr(1) != L":\\windows" || !files_.IsDirectory(options_.source)) {
            return false;
        }
        system_ = options_.target ? machine_.VolumeAtLetter(*options_.target)
                                  : machine_.SystemPartition();
        if (system_ == nullptr) {
            return false;
        }
        // Everything is checked before anything is written, so a failure changes nothing.
        if ((options_.bios && !CanWrite(kBiosFiles, kBiosBytesNeeded, false)) ||
            (options_.uefi && !CanWrite(kUefiFiles, kUefiBytesNeeded, true))) {
            return false;
        }
        if (options_.bios) {
            Install(kBiosFiles, false);
        }
        if (options_.uefi) {
            Install(kUefiFiles, true);
            if (machine_.FirmwareKind() == Firmware::Uefi) {
                UpdateFirmware();
            }
        }
        return true;
    }

private:
    template <std::size_t N>
    bool CanWrite(const Copy (&copies)[N], std::uint64_t needed, bool uefi) {
        const ScenarioPartition& p = *system_->partition;
        const std::wstring fs = LowerCase(p.fileSystem);
        if (uefi ? fs != L"fat32" && fs != L"fat"
                 : fs != L"ntfs" && fs != L"fat32" && fs != L"fat") {
            return false;
        }
        if (p.freeBytes && *p.freeBytes < needed) {
            return false;
        }
        const std::wstring loader = uefi ? L"\\System32\\winload.efi" : L"\\System32\\winload.exe";
        if (!files_.IsFile(options_.source + loader)) {
            return false;
        }
        for (const Copy& copy : copies) {
            if (!files_.IsFile(options_.source + copy.from)) {
                return false;
            }
        }
        return true;
    }

    template <std::size_t N>
    void Install(const Copy (&copies)[N], bool uefi) {
        for (const Copy& copy : copies) {
            const std::wstring target = machine_.PathOn(*system_, copy.to);
            const std::wstring parent = target.substr(0, target.rfind(L'\\'));
            files_.AddDirectory(parent);
            files_.AddFile(target, *files_.FileBytes(options_.source + copy.from));
        }
        if (!uefi) {
            files_.SetAttributes(machine_.PathOn(*system_, L"\\bootmgr"),
                                 kAttributeReadOnly | kAttributeHidden | kAttributeSystem);
        }
        const std::wstring storePath =
            machine_.PathOn(*system_, uefi ? L"\\EFI\\Microsoft\\Boot\\BCD" : L"\\Boot\\BCD");
        files_.AddDirectory(storePath.substr(0, storePath.rfind(L'\\')));
        OpenedStore opened = OpenStoreFile(files_, storePath);
        // A store that cannot be read is replaced by a new one.
        BcdStoreData store =
            opened.state == StoreState::Ok ? std::move(opened.data) : BcdStoreData{};
        UpdateStore(store, uefi);
        SaveStoreFile(files_, storePath, store);
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
        const std::wstring windowsVolume = windows_->id;
        // The entries of this Windows so far; /m keeps the first one's identifier.
        std::vector<std::wstring> previous;
        for (const BcdObject& object : store.objects) {
            const BcdElement* os = FindElement(object, L"osdevice");
            if (object.type == kBcdTypeOsLoader && os != nullptr &&
                os->device.kind == BcdDeviceKind::Partition && os->device.volume == windowsVolume) {
                previous.push_back(object.id);
            }
        }
        const BcdObject* manager = FindObject(store, kBootmgrGuid);
        const BcdElement* order = FindElement(*manager, L"displayorder");
        std::optional<std::size_t> place;
        if (order != nullptr && !previous.empty()) {
            const auto at = std::find(order->ids.begin(), order->ids.end(), previous.front());
            if (at != order->ids.end()) {
                place = static_cast<std::size_t>(at - order->ids.begin());
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

        BcdObject& bootmgr = *FindObject(store, kBootmgrGuid);
        PutElement(bootmgr, PartitionElement(L"device", system_->id));
        PutElement(bootmgr, TextElement(L"path", uefi ? L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi"
                                                      : L"\\bootmgr"));
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
        const bool last = options_.addLast || options_.preserve;
        if (options_.preserve && place && *place <= ids.size()) {
            ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(*place), loaderId);
        } else if (last) {
            ids.push_back(loaderId);
        } else {
            ids.insert(ids.begin(), loaderId);
        }
        PutElement(bootmgr, IdListElement(L"displayorder", ids));
        const BcdElement* defaultElement = FindElement(bootmgr, L"default");
        const bool keep = (options_.keepDefault || last) && defaultElement != nullptr &&
                          FindObject(store, defaultElement->text) != nullptr;
        if (!keep) {
            PutElement(bootmgr, IdElement(L"default", loaderId));
        }

        BcdObject& memdiag = *FindObject(store, kMemDiagGuid);
        PutElement(memdiag, PartitionElement(L"device", system_->id));
        PutElement(memdiag, TextElement(L"path", uefi ? L"\\EFI\\Microsoft\\Boot\\memtest.efi"
                                                      : L"\\boot\\memtest.exe"));
        PutElement(memdiag, TextElement(L"description", L"Windows Memory Diagnostic"));
        PutElement(memdiag, TextElement(L"locale", options_.locale));
        PutElement(memdiag, IdListElement(L"inherit", {kGlobalSettingsGuid}));
        PutElement(memdiag, BooleanElement(L"badmemoryaccess", true));
        PutElement(*FindObject(store, kLoaderSettingsGuid),
                   IdListElement(L"inherit", {kGlobalSettingsGuid}));
        PutElement(*FindObject(store, kResumeSettingsGuid),
                   IdListElement(L"inherit", {kGlobalSettingsGuid}));
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

}  // namespace

ToolOutcome RunBcdboot(SimMachine& machine, const std::vector<std::wstring>& arguments) {
    const ToolLanguage language = machine.Language();
    auto options = Parse(machine, arguments);
    if (!options) {
        return {kBadCommandLine,
                Text(language, ToolText::ParameterIncorrect) +
                    L"\r\nbcdboot <source> [/l <locale>] [/s <volume-letter> [/f <firmware>]] "
                    L"[/v] [/m [{OS Loader GUID}]] [/addlast or /p] [/d] [/c]\r\n"};
    }
    Bcdboot run(machine, std::move(*options));
    if (!run.Run()) {
        return {kCopyFailed, Text(language, ToolText::CopyFailed) + L"\r\n"};
    }
    return {0, Text(language, ToolText::BootFilesCreated) + L"\r\n"};
}

}  // namespace qn::sim
