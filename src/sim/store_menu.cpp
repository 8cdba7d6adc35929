// What Windows' boot manager offers: the entries of its display order, each followed to the
// installation it really starts.
#include <algorithm>
#include <cwctype>

#include "sim/bcd_ids.h"
#include "sim/boot_chain.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

bool EndsWith(const std::wstring& text, std::wstring_view tail) {
    return text.size() >= tail.size() &&
           LowerCase(text.substr(text.size() - tail.size())) == LowerCase(std::wstring(tail));
}

std::wstring TextOf(const BcdObject& object, const wchar_t* name) {
    const BcdElement* element = FindElement(object, name);
    return element != nullptr && element->kind == BcdValueKind::Text ? element->text
                                                                     : std::wstring();
}

// The volume a device element names; "boot" is the partition the boot manager started from.
const DiskVolume* DeviceVolume(const SimMachine& machine, const DiskVolume& bootVolume,
                               const BcdObject& object, const wchar_t* name,
                               std::wstring& problem) {
    const BcdElement* element = FindElement(object, name);
    if (element == nullptr || element->kind != BcdValueKind::Device) {
        problem = std::wstring(L"has no ") + name;
        return nullptr;
    }
    if (element->device.kind == BcdDeviceKind::Boot) {
        return &bootVolume;
    }
    const DiskVolume* volume = machine.VolumeById(element->device.volume);
    if (volume == nullptr) {
        problem = std::wstring(L"names a volume that is not on this machine (") + name + L")";
    }
    return volume;
}

Reach ReachOfLoader(const SimMachine& machine, const DiskVolume& bootVolume,
                    const BcdObject& object, bool uefi) {
    Reach reach;
    const DiskVolume* device = DeviceVolume(machine, bootVolume, object, L"device", reach.problem);
    if (device == nullptr) {
        return reach;
    }
    const DiskVolume* os = DeviceVolume(machine, bootVolume, object, L"osdevice", reach.problem);
    if (os == nullptr) {
        return reach;
    }
    const std::wstring path = TextOf(object, L"path");
    const wchar_t* loader = uefi ? L"winload.efi" : L"winload.exe";
    if (path.empty()) {
        reach.problem = L"has no path";
        return reach;
    }
    if (!EndsWith(path, std::wstring(L"\\") + loader)) {
        reach.problem = L"starts " + path +
                        (uefi ? L", which a UEFI boot manager cannot run"
                              : L", which a BIOS boot manager cannot run");
        return reach;
    }
    // A locked BitLocker volume is no broken link: the boot manager unlocks it (with the TPM, or
    // with the recovery key it asks for) and starts the Windows inside. The program, which cannot
    // look inside, must say that it could not check, never that there is no Windows.
    const ScenarioInstall* install = os->partition->install ? &*os->partition->install : nullptr;
    if (install == nullptr) {
        reach.problem = L"names a volume without Windows";
        return reach;
    }
    if (!HasFile(machine, *device, path)) {
        reach.problem = L"names a loader that is missing: " + path;
        return reach;
    }
    if (LowerCase(TextOf(object, L"systemroot")) != L"\\windows") {
        reach.problem = L"has no systemroot \\Windows";
        return reach;
    }
    reach.disk = static_cast<int>(os->disk->number);
    reach.partition = os->position;
    reach.product = install->productName;
    return reach;
}

Reach ReachOf(const SimMachine& machine, const DiskVolume& bootVolume, const BcdObject& object,
              bool uefi) {
    if (object.type == kBcdTypeOsLoader) {
        return ReachOfLoader(machine, bootVolume, object, uefi);
    }
    Reach reach;
    if (object.type != kBcdTypeNtldr) {
        reach.problem = L"starts no Windows";
        return reach;
    }
    if (uefi) {
        reach.problem = L"chains to ntldr, which UEFI firmware cannot run";
        return reach;
    }
    const DiskVolume* device = DeviceVolume(machine, bootVolume, object, L"device", reach.problem);
    if (device == nullptr) {
        return reach;
    }
    if (LowerCase(TextOf(object, L"path")) != L"\\ntldr") {
        reach.problem = L"has no path \\ntldr";
        return reach;
    }
    return ReachThroughNtldr(machine, *device);
}

}  // namespace

void MenuFromStore(const SimMachine& machine, const DiskVolume& volume, const BcdStoreData& store,
                   bool uefi, BootVerdict& verdict) {
    const BcdObject* manager = FindObject(store, kBootmgrGuid);
    if (manager == nullptr) {
        verdict.problem = L"the store has no boot manager ({bootmgr})";
        return;
    }
    if (const BcdElement* timeout = FindElement(*manager, L"timeout")) {
        verdict.timeout = static_cast<int>(std::min<std::uint64_t>(timeout->number, 0x7FFFFFFF));
    }
    const BcdElement* order = FindElement(*manager, L"displayorder");
    const BcdElement* defaultElement = FindElement(*manager, L"default");
    const std::wstring defaultId = defaultElement != nullptr ? defaultElement->text : L"";
    std::vector<std::wstring> shown = order != nullptr ? order->ids : std::vector<std::wstring>{};
    // The default is offered even when the display order leaves it out.
    if (!defaultId.empty() && FindObject(store, defaultId) != nullptr &&
        std::find(shown.begin(), shown.end(), defaultId) == shown.end()) {
        shown.push_back(defaultId);
    }
    std::wstring defaultProblem;
    bool defaultShown = false;
    for (const std::wstring& id : shown) {
        const BcdObject* object = FindObject(store, id);
        if (object == nullptr) {
            continue;  // the boot manager skips what its store no longer has
        }
        const Reach reach = ReachOf(machine, volume, *object, uefi);
        MenuItem item;
        item.text = TextOf(*object, L"description");
        item.disk = reach.disk;
        item.partition = reach.partition;
        item.product = reach.product;
        item.isDefault = id == defaultId;
        if (item.isDefault) {
            defaultShown = true;
            verdict.boots = reach.problem.empty();
            defaultProblem = reach.problem;
        }
        verdict.menu.push_back(std::move(item));
    }
    if (verdict.menu.empty()) {
        verdict.problem = L"the boot manager has no entry to show";
    } else if (!defaultShown) {
        verdict.problem = defaultId.empty() ? L"the boot manager has no default entry"
                                            : L"the default entry is not in the store";
    } else if (!verdict.boots) {
        verdict.problem = L"default entry " + defaultProblem;
    }
    // A one-time boot sequence runs its first entry the store has at this start, without the
    // menu. A Windows loader decides the start; a tool (the memory tester) runs and the machine
    // starts as usual after it.
    const BcdElement* sequence = FindElement(*manager, L"bootsequence");
    for (const std::wstring& id :
         sequence != nullptr ? sequence->ids : std::vector<std::wstring>{}) {
        const BcdObject* object = FindObject(store, id);
        if (object == nullptr) {
            continue;
        }
        if (object->type == kBcdTypeOsLoader || object->type == kBcdTypeNtldr) {
            const Reach reach = ReachOf(machine, volume, *object, uefi);
            verdict.boots = reach.problem.empty();
            verdict.problem = verdict.boots
                                  ? std::wstring()
                                  : L"the one-time boot sequence's entry " + reach.problem;
        }
        break;
    }
}

}  // namespace qn::sim
