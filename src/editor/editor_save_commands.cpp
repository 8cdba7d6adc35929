#include "editor/editor_save_commands.h"

#include <cwctype>

#include "boot/bcd_commands.h"
#include "boot/text_helpers.h"
#include "editor/editor_menu.h"

namespace qn {
namespace {

// "0030" and "30" are the same number of seconds.
std::wstring Seconds(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L" \t0");
    if (first == std::wstring_view::npos) {
        return text.find(L'0') != std::wstring_view::npos ? L"0" : L"";
    }
    const std::size_t last = text.find_last_not_of(L" \t");
    return std::wstring(text.substr(first, last - first + 1));
}

const BootEntry* Loaded(const BcdListing& loaded, const std::wstring& id) {
    for (const BootEntry& entry : loaded.entries) {
        if (EqualsIgnoringCase(entry.identifier, id)) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<SaveCommand> BcdSaveCommands(const std::wstring& store, const BcdListing& working,
                                         const BcdListing& loaded) {
    std::vector<SaveCommand> commands;
    const BootManagerInfo& manager = working.bootManager;
    if (Seconds(manager.timeout) != Seconds(loaded.bootManager.timeout)) {
        commands.push_back({TimeoutCommand(store, manager.timeout), kBootmgrId, L"timeout"});
    }
    if (!manager.defaultId.empty() &&
        !EqualsIgnoringCase(manager.defaultId, loaded.bootManager.defaultId)) {
        commands.push_back({DefaultCommand(store, manager.defaultId), kBootmgrId, L"default"});
    }
    commands.push_back({GraphicsResolutionCommand(store), kBootmgrId, L"graphicsresolution"});
    if (!SameOrder(manager.displayorder, loaded.bootManager.displayorder)) {
        commands.push_back({DisplayOrderCommand(store, WrittenOrder(working, loaded)), kBootmgrId,
                            L"displayorder"});
    }
    for (const BootEntry& entry : working.entries) {
        if (entry.identifier.empty()) {
            continue;
        }
        const BootEntry* before = Loaded(loaded, entry.identifier);
        if (!entry.description.empty() &&
            (before == nullptr || entry.description != before->description)) {
            commands.push_back({SetDescriptionCommand(store, entry.identifier, entry.description),
                                entry.identifier, L"description"});
        }
        if (!entry.locale.empty() &&
            (before == nullptr || !EqualsIgnoringCase(entry.locale, before->locale))) {
            commands.push_back({SetLocaleCommand(store, entry.identifier, entry.locale),
                                entry.identifier, L"locale"});
        }
    }
    return commands;
}

}  // namespace qn
