// The stand-in bcdedit: global options (/store, /v), the command, and the store it works on.
#include <cwctype>

#include "sim/bcd_ids.h"
#include "sim/bcdedit_session.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"
#include "sim/stand_in_tools.h"
#include "sim/store_access.h"

namespace qn::sim {
namespace {

// "/store" or "-store".
bool IsOption(const std::wstring& lower, std::wstring_view name) {
    return lower.size() == name.size() + 1 && (lower[0] == L'/' || lower[0] == L'-') &&
           lower.compare(1, std::wstring::npos, name) == 0;
}

using Command = ToolOutcome (*)(BcdeditSession&);

struct CommandEntry {
    const wchar_t* name;
    Command run;
    bool needsStore;  // /import replaces the store and does not read it
};

constexpr CommandEntry kCommands[] = {
    {L"enum", BcdeditEnum, true},
    {L"export", BcdeditExport, true},
    {L"import", BcdeditImport, false},
    {L"create", BcdeditCreate, true},
    {L"set", BcdeditSet, true},
    {L"deletevalue", BcdeditDeleteValue, true},
    {L"displayorder", BcdeditDisplayOrder, true},
    {L"default", BcdeditDefault, true},
    {L"timeout", BcdeditTimeout, true},
    {L"delete", BcdeditDelete, true},
};

}  // namespace

ToolOutcome Succeeded(const BcdeditSession& session) {
    return {0, Text(session.language, ToolText::OperationOk) + L"\r\n"};
}

ToolOutcome Failed(const BcdeditSession& session, ToolText what, ToolText why) {
    return {1, Text(session.language, what) + L"\r\n" + Text(session.language, why) + L"\r\n"};
}

ToolOutcome SyntaxError(const BcdeditSession& session) {
    const std::wstring first =
        session.command.empty()
            ? Text(session.language, ToolText::UnknownCommand)
            : Text(session.language, ToolText::CommandNotValid, session.command);
    return {1, first + L"\r\n" + Text(session.language, ToolText::RunBcdeditHelp) + L"\r\n" +
                   Text(session.language, ToolText::ParameterIncorrect) + L"\r\n"};
}

std::optional<std::wstring> ResolveId(const BcdeditSession& session, std::wstring_view text) {
    const std::wstring lower = LowerCase(std::wstring(text));
    if (lower == L"{current}") {
        const DiskVolume* running = session.machine.RunningVolume();
        if (!session.systemStore || running == nullptr) {
            return std::nullopt;
        }
        for (const BcdObject& object : session.store.objects) {
            const BcdElement* os = FindElement(object, L"osdevice");
            if (object.type == kBcdTypeOsLoader && os != nullptr &&
                os->device.kind == BcdDeviceKind::Partition && os->device.volume == running->id) {
                return object.id;
            }
        }
        return std::nullopt;
    }
    if (lower == L"{default}") {
        const BcdObject* manager = FindObject(session.store, kBootmgrGuid);
        const BcdElement* value = manager ? FindElement(*manager, L"default") : nullptr;
        return value != nullptr ? std::optional<std::wstring>(value->text) : std::nullopt;
    }
    return ResolveKnownId(text);
}

bool Save(BcdeditSession& session) {
    return SaveStoreFile(session.machine.Files(), session.storePath, session.store);
}

ToolOutcome RunBcdedit(SimMachine& machine, const std::vector<std::wstring>& arguments) {
    BcdeditSession session{machine, machine.Language(), {}, false, false, {}, {}, {}};
    std::optional<std::wstring> store;
    std::wstring command;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring lower = LowerCase(arguments[i]);
        if (IsOption(lower, L"store")) {
            if (store || i + 1 >= arguments.size()) {
                return SyntaxError(session);
            }
            store = arguments[++i];
        } else if (IsOption(lower, L"v")) {
            session.verbose = true;
        } else if (command.empty()) {
            if (lower.empty() || (lower[0] != L'/' && lower[0] != L'-')) {
                return SyntaxError(session);
            }
            command = lower.substr(1);
        } else {
            session.arguments.push_back(arguments[i]);
        }
    }
    if (command.empty()) {
        command = L"enum";  // bcdedit alone lists the active entries
    }
    const CommandEntry* entry = nullptr;
    for (const CommandEntry& known : kCommands) {
        if (command == known.name) {
            entry = &known;
        }
    }
    if (entry == nullptr) {
        return SyntaxError(session);
    }
    session.command = entry->name;
    if (store) {
        if (store->empty()) {
            return Failed(session, ToolText::StoreNotOpened, ToolText::ParameterIncorrect);
        }
        session.storePath = *store;
    } else {
        session.storePath = machine.SystemStorePath();
        session.systemStore = true;
        // No partition the firmware started from: the system store has no device to live on.
        if (session.storePath.empty()) {
            return Failed(session, ToolText::StoreNotOpened, ToolText::SystemDeviceNotFound);
        }
    }
    if (entry->needsStore) {
        OpenedStore opened = OpenStoreFile(machine.Files(), session.storePath);
        if (opened.state == StoreState::Missing) {
            const std::size_t slash = session.storePath.rfind(L'\\');
            // A file in a drive's root has the drive for its folder.
            const bool folder =
                slash == 2 ? machine.VolumeAtLetter(session.storePath[0]) != nullptr
                           : slash != std::wstring::npos &&
                                 machine.Files().IsDirectory(session.storePath.substr(0, slash));
            return Failed(session, ToolText::StoreNotOpened,
                          folder ? ToolText::FileNotFound : ToolText::PathNotFound);
        }
        if (opened.state == StoreState::Unreadable) {
            return Failed(session, ToolText::StoreNotOpened, ToolText::RegistryCorrupt);
        }
        session.store = std::move(opened.data);
    }
    return entry->run(session);
}

}  // namespace qn::sim
