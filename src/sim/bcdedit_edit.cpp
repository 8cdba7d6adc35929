// bcdedit's changing commands: /create, /set, /deletevalue, /displayorder, /default, /timeout
// and /delete, with the errors the real tool gives (exit code 1).
#include <algorithm>

#include "sim/bcd_elements.h"
#include "sim/bcd_ids.h"
#include "sim/bcdedit_session.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

bool IsSwitch(const std::wstring& word, std::wstring_view name) {
    return LowerCase(word) == name;
}

ToolOutcome SavedOrDenied(BcdeditSession& session, ToolText what) {
    if (!Save(session)) {
        return Failed(session, what, ToolText::AccessDenied);
    }
    return Succeeded(session);
}

// The object a command names, or nullopt when the store has none.
BcdObject* Named(BcdeditSession& session, const std::wstring& text) {
    const auto id = ResolveId(session, text);
    return id ? FindObject(session.store, *id) : nullptr;
}

BcdObject* BootManager(BcdeditSession& session) {
    return FindObject(session.store, kBootmgrGuid);
}

// The canonical identifier of an existing object, for elements that point at one.
std::optional<std::wstring> ExistingId(BcdeditSession& session, std::wstring_view text) {
    const auto id = ResolveId(session, text);
    return id && FindObject(session.store, *id) != nullptr ? id : std::nullopt;
}

// Elements that must name objects of this store; inherit and recovery lists may name settings
// the store does not hold.
bool MustExist(const ElementDefinition& definition) {
    const std::wstring name = definition.name;
    return name == L"default" || name == L"displayorder" || name == L"toolsdisplayorder" ||
           name == L"bootsequence" || name == L"resumeobject";
}

// {fwbootmgr}'s bootsequence is the firmware's BootNext, which holds one entry the firmware has
// (in its order, or already the next boot). /deletevalue clears it.
ToolOutcome FirmwareBootNextCommand(BcdeditSession& session, const std::vector<std::wstring>& args,
                                    bool remove) {
    std::optional<FirmwareEntry>& next = session.machine.FirmwareBootNext();
    if (remove) {
        if (args.size() != 2) {
            return SyntaxError(session);
        }
        if (!next) {
            return Failed(session, ToolText::DeleteValueFailed, ToolText::ElementNotFound);
        }
        next.reset();
        return Succeeded(session);
    }
    if (args.size() != 3) {
        return Failed(session, ToolText::SetFailed, ToolText::ParameterIncorrect);
    }
    const auto id = ResolveId(session, args[2]);
    std::vector<FirmwareEntry> known = session.machine.FirmwareEntries();
    if (next) {
        known.push_back(*next);
    }
    const auto entry = std::find_if(known.begin(), known.end(), [&](const FirmwareEntry& e) {
        return id && LowerCase(e.id) == LowerCase(*id);
    });
    if (entry == known.end()) {
        return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
    }
    next = *entry;
    return Succeeded(session);
}

// {fwbootmgr} lives in the firmware, not in the store's file: its display order is the firmware's
// boot order. The sim keeps the entries in that order; an entry left out of it is dropped, as
// the firmware no longer starts it. Only the system store of a UEFI machine shows it. Windows
// Boot Manager ({bootmgr}) may be named when the firmware has no entry for it: the firmware
// then gets one made from the system store's boot manager (its device and path), as Windows
// keeps the two in step.
std::optional<ToolOutcome> FirmwareOrderCommand(BcdeditSession& session,
                                                const std::vector<std::wstring>& args,
                                                bool remove) {
    if (args.size() < 2 || LowerCase(args[0]) != L"{fwbootmgr}") {
        return std::nullopt;
    }
    if (!session.systemStore || session.machine.RunningFirmware() != Firmware::Uefi) {
        return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
    }
    if (LowerCase(args[1]) == L"bootsequence") {
        return FirmwareBootNextCommand(session, args, remove);
    }
    enum class Mode { Replace, AddFirst, AddLast, Remove } mode = Mode::Replace;
    std::vector<std::wstring> named;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::wstring lower = LowerCase(args[i]);
        const Mode asked = lower == L"/addfirst"  ? Mode::AddFirst
                           : lower == L"/addlast" ? Mode::AddLast
                           : lower == L"/remove"  ? Mode::Remove
                                                  : Mode::Replace;
        if (asked != Mode::Replace && mode == Mode::Replace) {
            mode = asked;
        } else if (asked != Mode::Replace || (!lower.empty() && lower[0] == L'/')) {
            return SyntaxError(session);
        } else {
            named.push_back(args[i]);
        }
    }
    if (LowerCase(args[1]) != L"displayorder" || (remove && args.size() != 2) ||
        (!remove && named.empty()) || (mode != Mode::Replace && named.size() != 1)) {
        return Failed(session, ToolText::SetFailed, ToolText::ParameterIncorrect);
    }
    std::vector<FirmwareEntry>& entries = session.machine.FirmwareEntries();
    std::vector<FirmwareEntry> listed;
    for (const std::wstring& text : named) {
        const auto id = ResolveId(session, text);
        const auto entry = std::find_if(
            entries.begin(), entries.end(),
            [&](const FirmwareEntry& e) { return id && LowerCase(e.id) == LowerCase(*id); });
        if (entry != entries.end()) {
            listed.push_back(*entry);
            continue;
        }
        const BcdObject* manager = id && *id == kBootmgrGuid ? BootManager(session) : nullptr;
        const BcdElement* device = manager ? FindElement(*manager, L"device") : nullptr;
        const BcdElement* path = manager ? FindElement(*manager, L"path") : nullptr;
        if (mode == Mode::Remove || device == nullptr ||
            device->device.kind != BcdDeviceKind::Partition || path == nullptr) {
            return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
        }
        const BcdElement* description = FindElement(*manager, L"description");
        listed.push_back(FirmwareEntry{kBootmgrGuid,
                                       description ? description->text : L"Windows Boot Manager",
                                       device->device.volume, path->text});
    }
    auto without = [&](const FirmwareEntry& gone) {
        std::erase_if(entries, [&](const FirmwareEntry& e) { return e.id == gone.id; });
    };
    switch (mode) {
        case Mode::Replace:
            entries = listed;
            break;
        case Mode::AddFirst:
            without(listed.front());
            entries.insert(entries.begin(), listed.front());
            break;
        case Mode::AddLast:
            without(listed.front());
            entries.push_back(listed.front());
            break;
        case Mode::Remove:
            without(listed.front());
            break;
    }
    if (remove) {
        entries.clear();
    }
    return Succeeded(session);
}

}  // namespace

ToolOutcome BcdeditCreate(BcdeditSession& session) {
    std::optional<std::wstring> id;
    std::optional<std::wstring> description;
    std::optional<std::wstring> application;
    const auto& args = session.arguments;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (IsSwitch(args[i], L"/d") && i + 1 < args.size() && !description) {
            description = args[++i];
        } else if (IsSwitch(args[i], L"/application") && i + 1 < args.size() && !application) {
            application = LowerCase(args[++i]);
        } else if (!id && i == 0 && !args[i].empty() && args[i][0] == L'{') {
            id = args[i];
        } else {
            return SyntaxError(session);
        }
    }
    std::uint32_t type = 0;
    std::wstring newId;
    if (application) {
        if (*application == L"osloader") {
            type = kBcdTypeOsLoader;
        } else if (*application == L"resume") {
            type = kBcdTypeResume;
        } else {
            return SyntaxError(session);
        }
    }
    if (id) {
        const WellKnownId* known = WellKnownByAlias(*id);
        const auto guid = ResolveKnownId(*id);
        if (!guid) {
            return Failed(session, ToolText::CreateFailed, ToolText::ParameterIncorrect);
        }
        if (known == nullptr && type == 0) {
            return SyntaxError(session);  // a new GUID needs the kind of application
        }
        if (known != nullptr) {
            type = known->type;
        }
        newId = *guid;
    } else {
        if (type == 0) {
            return SyntaxError(session);
        }
        newId = session.machine.NewGuid();
    }
    const bool isApplication = (type & 0xF0000000) == 0x10000000;
    if (isApplication && (!description || description->empty())) {
        return Failed(session, ToolText::CreateFailed, ToolText::ParameterIncorrect);
    }
    if (FindObject(session.store, newId) != nullptr) {
        return Failed(session, ToolText::CreateFailed, ToolText::ObjectExists);
    }
    BcdObject object;
    object.id = newId;
    object.type = type;
    if (description) {
        object.elements.push_back(TextElement(L"description", *description));
    }
    session.store.objects.push_back(std::move(object));
    if (!Save(session)) {
        return Failed(session, ToolText::CreateFailed, ToolText::AccessDenied);
    }
    // A well-known entry is announced by its name, a new one by its GUID.
    const std::wstring shown = id && WellKnownByAlias(*id) ? LowerCase(*id) : newId;
    return {0, Text(session.language, ToolText::EntryCreated, shown) + L"\r\n"};
}

ToolOutcome BcdeditSet(BcdeditSession& session) {
    std::vector<std::wstring> args = session.arguments;
    // Without an identifier the running system's entry is meant.
    if (!args.empty() && !args.front().empty() && args.front().front() != L'{') {
        args.insert(args.begin(), L"{current}");
    }
    if (auto firmware = FirmwareOrderCommand(session, args, false)) {
        return *firmware;
    }
    if (args.size() < 3) {
        return SyntaxError(session);
    }
    BcdObject* object = Named(session, args[0]);
    if (object == nullptr) {
        return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
    }
    const ElementDefinition* definition = FindElementDefinition(args[1], object->type);
    if (definition == nullptr) {
        return Failed(session, ToolText::ElementNotApplicable, ToolText::RunBcdeditHelp);
    }
    const std::vector<std::wstring> words(args.begin() + 2, args.end());
    const SimMachine& machine = session.machine;
    const DeviceResolver devices = [&machine](std::wstring_view text) {
        return machine.DeviceFromText(text);
    };
    const IdResolver ids = [&](std::wstring_view text) {
        return MustExist(*definition) ? ExistingId(session, text) : ResolveId(session, text);
    };
    auto parsed = ParseElementValue(*definition, words, devices, ids);
    if (const auto* error = std::get_if<ValueError>(&parsed)) {
        if (*error == ValueError::UnknownId) {
            return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
        }
        if (*error == ValueError::BadDevice) {
            return Failed(session, ToolText::SetFailed, ToolText::DeviceNotValid);
        }
        return Failed(session, ToolText::SetFailed, ToolText::ParameterIncorrect);
    }
    PutElement(*object, std::move(std::get<BcdElement>(parsed)));
    return SavedOrDenied(session, ToolText::SetFailed);
}

ToolOutcome BcdeditDeleteValue(BcdeditSession& session) {
    std::vector<std::wstring> args = session.arguments;
    if (args.size() == 1) {
        args.insert(args.begin(), L"{current}");
    }
    if (auto firmware = FirmwareOrderCommand(session, args, true)) {
        return *firmware;
    }
    if (args.size() != 2) {
        return SyntaxError(session);
    }
    BcdObject* object = Named(session, args[0]);
    if (object == nullptr) {
        return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
    }
    const ElementDefinition* definition = FindElementDefinition(args[1], object->type);
    if (definition == nullptr) {
        return Failed(session, ToolText::ElementNotApplicable, ToolText::RunBcdeditHelp);
    }
    if (!RemoveElement(*object, definition->name)) {
        return Failed(session, ToolText::DeleteValueFailed, ToolText::ElementNotFound);
    }
    return SavedOrDenied(session, ToolText::SetFailed);
}

ToolOutcome BcdeditDisplayOrder(BcdeditSession& session) {
    enum class Mode { Replace, AddFirst, AddLast, Remove } mode = Mode::Replace;
    std::vector<std::wstring> named;
    for (const std::wstring& argument : session.arguments) {
        const std::wstring lower = LowerCase(argument);
        const Mode asked = lower == L"/addfirst"  ? Mode::AddFirst
                           : lower == L"/addlast" ? Mode::AddLast
                           : lower == L"/remove"  ? Mode::Remove
                                                  : Mode::Replace;
        if (asked != Mode::Replace) {
            if (mode != Mode::Replace) {
                return SyntaxError(session);
            }
            mode = asked;
            continue;
        }
        if (!lower.empty() && lower[0] == L'/') {
            return SyntaxError(session);
        }
        named.push_back(argument);
    }
    // Removing takes out what the list names, whether the store still has it or not.
    std::vector<std::wstring> ids;
    for (const std::wstring& text : named) {
        const auto id = mode == Mode::Remove ? ResolveId(session, text) : ExistingId(session, text);
        if (!id) {
            return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
        }
        ids.push_back(*id);
    }
    if (ids.empty() || (mode != Mode::Replace && ids.size() != 1)) {
        return SyntaxError(session);
    }
    BcdObject* manager = BootManager(session);
    if (manager == nullptr) {
        return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
    }
    const BcdElement* existing = FindElement(*manager, L"displayorder");
    std::vector<std::wstring> order = existing ? existing->ids : std::vector<std::wstring>{};
    switch (mode) {
        case Mode::Replace:
            order = ids;
            break;
        case Mode::AddFirst:
            std::erase(order, ids.front());
            order.insert(order.begin(), ids.front());
            break;
        case Mode::AddLast:
            std::erase(order, ids.front());
            order.push_back(ids.front());
            break;
        case Mode::Remove:
            std::erase(order, ids.front());
            break;
    }
    if (order.empty()) {
        RemoveElement(*manager, L"displayorder");
    } else {
        PutElement(*manager, IdListElement(L"displayorder", order));
    }
    return SavedOrDenied(session, ToolText::SetFailed);
}

ToolOutcome BcdeditDefault(BcdeditSession& session) {
    if (session.arguments.size() != 1) {
        return SyntaxError(session);
    }
    const auto id = ExistingId(session, session.arguments.front());
    BcdObject* manager = BootManager(session);
    if (!id || manager == nullptr) {
        return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
    }
    PutElement(*manager, IdElement(L"default", *id));
    return SavedOrDenied(session, ToolText::SetFailed);
}

ToolOutcome BcdeditTimeout(BcdeditSession& session) {
    if (session.arguments.size() != 1) {
        return SyntaxError(session);
    }
    BcdObject* manager = BootManager(session);
    if (manager == nullptr) {
        return Failed(session, ToolText::ReferenceFailed, ToolText::FileNotFound);
    }
    auto parsed = ParseElementValue(*FindElementDefinition(L"timeout", kBcdTypeBootmgr),
                                    session.arguments, nullptr, nullptr);
    if (!std::holds_alternative<BcdElement>(parsed)) {
        return Failed(session, ToolText::SetFailed, ToolText::ParameterIncorrect);
    }
    PutElement(*manager, std::move(std::get<BcdElement>(parsed)));
    return SavedOrDenied(session, ToolText::SetFailed);
}

ToolOutcome BcdeditDelete(BcdeditSession& session) {
    std::optional<std::wstring> target;
    bool force = false;
    bool cleanup = true;
    for (const std::wstring& argument : session.arguments) {
        const std::wstring lower = LowerCase(argument);
        if (lower == L"/f") {
            force = true;
        } else if (lower == L"/cleanup") {
            cleanup = true;
        } else if (lower == L"/nocleanup") {
            cleanup = false;
        } else if (!target && !lower.empty() && lower[0] != L'/') {
            target = argument;
        } else {
            return SyntaxError(session);
        }
    }
    if (!target) {
        return SyntaxError(session);
    }
    const auto id = ResolveId(session, *target);
    if (!id || FindObject(session.store, *id) == nullptr) {
        return Failed(session, ToolText::DeleteFailed, ToolText::FileNotFound);
    }
    if (WellKnownByGuid(*id) != nullptr && !force) {
        return Failed(session, ToolText::DeleteFailed, ToolText::WellKnownNeedsForce);
    }
    DeleteObject(session.store, *id, cleanup);
    return SavedOrDenied(session, ToolText::DeleteFailed);
}

}  // namespace qn::sim
