#pragma once

#include <string>
#include <vector>

namespace qn {

// The settings of a store's boot manager section.
struct BootManagerInfo {
    std::wstring identifier;
    std::wstring defaultId;  // the default entry's identifier ("default" is a keyword)
    std::vector<std::wstring> displayorder;
    // The one-time boot sequence: the boot manager runs its first entry at the next start, once,
    // without the menu. Empty: none.
    std::vector<std::wstring> bootsequence;
    std::wstring timeout;             // seconds, as text
    std::wstring graphicsResolution;  // "1024x768"; empty: the boot manager's own
};

}  // namespace qn
