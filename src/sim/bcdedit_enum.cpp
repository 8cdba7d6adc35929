// bcdedit /enum: which objects a listing shows, in bcdedit's order, and how it names them.
#include <algorithm>
#include <cwctype>

#include "sim/bcd_enum_render.h"
#include "sim/bcd_ids.h"
#include "sim/bcdedit_session.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

// /enum all lists the firmware first, then the boot manager, the boot applications by kind,
// and the inheritable settings last.
int Rank(std::uint32_t type) {
    switch (type) {
        case kBcdTypeFwBootmgr:
            return 0;
        case kBcdTypeFwApplication:
            return 1;
        case kBcdTypeBootmgr:
            return 2;
        case kBcdTypeOsLoader:
            return 3;
        case kBcdTypeResume:
            return 4;
        case kBcdTypeMemDiag:
            return 5;
        case kBcdTypeNtldr:
            return 6;
        default:
            break;
    }
    return (type & 0xF0000000) == 0x20000000 ? 8 : 7;
}

// The system store of a UEFI machine also shows the firmware's boot entries, which live in
// the firmware's variables rather than in the file. Windows Boot Manager's entry is the store's
// own {bootmgr}: withBootManager shows that section in its place in the order (/enum firmware),
// otherwise it is left to the store's listing (/enum all).
std::vector<BcdObject> FirmwareObjects(const BcdeditSession& session, bool withBootManager) {
    std::vector<BcdObject> objects;
    if (!session.systemStore || session.machine.RunningFirmware() != Firmware::Uefi) {
        return objects;
    }
    BcdObject manager;
    manager.id = kFwBootmgrGuid;
    manager.type = kBcdTypeFwBootmgr;
    std::vector<std::wstring> order;
    for (const FirmwareEntry& entry : session.machine.FirmwareEntries()) {
        order.push_back(entry.id);
    }
    if (!order.empty()) {
        manager.elements.push_back(IdListElement(L"displayorder", order));
    }
    // BootNext shows as the one-time boot sequence; an entry outside the order still has its own
    // section.
    std::vector<FirmwareEntry> entries = session.machine.FirmwareEntries();
    if (const auto& next = session.machine.FirmwareBootNext()) {
        manager.elements.push_back(IdListElement(L"bootsequence", {next->id}));
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const FirmwareEntry& entry) { return entry.id == next->id; })) {
            entries.push_back(*next);
        }
    }
    manager.elements.push_back(IntegerElement(L"timeout", 2));
    objects.push_back(manager);
    for (const FirmwareEntry& entry : entries) {
        if (entry.id == kBootmgrGuid) {
            const BcdObject* manager = FindObject(session.store, kBootmgrGuid);
            if (withBootManager && manager != nullptr) {
                objects.push_back(*manager);
            }
            if (manager != nullptr) {
                continue;
            }
        }
        BcdObject application;
        application.id = entry.id;
        application.type = kBcdTypeFwApplication;
        application.elements.push_back(PartitionElement(L"device", entry.volume));
        application.elements.push_back(TextElement(L"path", entry.path));
        application.elements.push_back(TextElement(L"description", entry.description));
        objects.push_back(application);
    }
    return objects;
}

// The objects a listing of kind shows ("all", "active", "firmware", a type, an identifier); none
// for an identifier that names no object.
std::optional<std::vector<BcdObject>> ObjectsShown(const BcdeditSession& session,
                                                   const std::wstring& kind) {
    std::vector<BcdObject> shown;
    auto ofTypes = [&](auto wanted) {
        for (const BcdObject& object : session.store.objects) {
            if (wanted(object.type)) {
                shown.push_back(object);
            }
        }
    };
    if (kind == L"all") {
        shown = FirmwareObjects(session, false);
        ofTypes([](std::uint32_t) { return true; });
        std::stable_sort(shown.begin(), shown.end(), [](const BcdObject& a, const BcdObject& b) {
            return Rank(a.type) < Rank(b.type);
        });
    } else if (kind == L"active") {
        if (const BcdObject* manager = FindObject(session.store, kBootmgrGuid)) {
            shown.push_back(*manager);
            if (const BcdElement* order = FindElement(*manager, L"displayorder")) {
                for (const std::wstring& id : order->ids) {
                    if (const BcdObject* object = FindObject(session.store, id)) {
                        shown.push_back(*object);
                    }
                }
            }
        }
    } else if (kind == L"firmware") {
        shown = FirmwareObjects(session, true);
        // Without the firmware's boot manager (BIOS) bcdedit still shows Windows' own.
        if (shown.empty()) {
            ofTypes([](std::uint32_t t) { return t == kBcdTypeBootmgr; });
        }
    } else if (kind == L"bootmgr") {
        ofTypes([](std::uint32_t t) { return t == kBcdTypeBootmgr; });
    } else if (kind == L"osloader") {
        ofTypes([](std::uint32_t t) { return t == kBcdTypeOsLoader; });
    } else if (kind == L"resume") {
        ofTypes([](std::uint32_t t) { return t == kBcdTypeResume; });
    } else if (kind == L"ntldr") {
        ofTypes([](std::uint32_t t) { return t == kBcdTypeNtldr; });
    } else if (kind == L"inherit") {
        ofTypes([](std::uint32_t t) { return (t & 0xF0000000) == 0x20000000; });
    } else if (kind == L"bootapp") {
        ofTypes([](std::uint32_t t) { return Rank(t) >= 3 && Rank(t) <= 7; });
    } else {
        const auto id = ResolveId(session, kind);
        const BcdObject* object = id ? FindObject(session.store, *id) : nullptr;
        if (object == nullptr) {
            return std::nullopt;
        }
        shown.push_back(*object);
    }
    return shown;
}

}  // namespace

ToolOutcome BcdeditEnum(BcdeditSession& session) {
    if (session.arguments.size() > 1) {
        return SyntaxError(session);
    }
    const std::wstring kind =
        session.arguments.empty() ? L"active" : LowerCase(session.arguments.front());
    const auto found = ObjectsShown(session, kind);
    if (!found) {
        return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
    }
    const std::vector<BcdObject>& shown = *found;
    if (shown.empty()) {
        return {0, Text(session.language, ToolText::NoMatchingObjects) + L"\r\n"};
    }
    const SimMachine& machine = session.machine;
    const auto current = ResolveId(session, L"{current}");
    const auto byDefault = ResolveId(session, L"{default}");
    EnumStyle style;
    style.language = session.language;
    style.device = [&machine](const BcdDevice& device) { return machine.DeviceText(device); };
    style.id = [&](const std::wstring& id) -> std::wstring {
        if (session.verbose) {
            return id;
        }
        if (const WellKnownId* known = WellKnownByGuid(id)) {
            return known->alias;
        }
        if (current && id == *current) {
            return L"{current}";
        }
        if (byDefault && id == *byDefault) {
            return L"{default}";
        }
        return id;
    };
    return {0, RenderEnumeration(shown, style)};
}

}  // namespace qn::sim
