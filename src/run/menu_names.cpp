#include "run/menu_names.h"

#include "boot/text_helpers.h"

namespace qn {

std::map<char, std::wstring> DistinctMenuNames(const InstallationTable& installations) {
    std::map<char, std::wstring> names;
    for (const auto& [letter, system] : installations) {
        if (system.selected == 0) {
            continue;
        }
        bool shared = false;
        for (const auto& [other, twin] : installations) {
            shared = shared || (other != letter && twin.selected != 0 &&
                                EqualsIgnoringCase(twin.displayName, system.displayName));
        }
        names[letter] =
            shared ? system.displayName + L" (" + DriveText(letter) + L")" : system.displayName;
    }
    return names;
}

}  // namespace qn
