#include "repair/editor_save_commands.h"

#include "boot/bcd_commands.h"

namespace qn {

std::vector<SaveCommand> BcdSaveCommands(const std::wstring& store, const BcdListing& working) {
    std::vector<SaveCommand> commands;
    const BootManagerInfo& manager = working.bootManager;
    commands.push_back({TimeoutCommand(store, manager.timeout), kBootmgrId, L"timeout"});
    if (!manager.defaultId.empty()) {
        commands.push_back({DefaultCommand(store, manager.defaultId), kBootmgrId, L"default"});
    }
    commands.push_back({GraphicsResolutionCommand(store), kBootmgrId, L"graphicsresolution"});
    commands.push_back(
        {DisplayOrderCommand(store, manager.displayorder), kBootmgrId, L"displayorder"});
    for (const BootEntry& entry : working.entries) {
        if (entry.identifier.empty()) {
            continue;
        }
        if (!entry.description.empty()) {
            commands.push_back({SetDescriptionCommand(store, entry.identifier, entry.description),
                                entry.identifier, L"description"});
        }
        if (!entry.locale.empty()) {
            commands.push_back({SetLocaleCommand(store, entry.identifier, entry.locale),
                                entry.identifier, L"locale"});
        }
    }
    return commands;
}

}  // namespace qn
