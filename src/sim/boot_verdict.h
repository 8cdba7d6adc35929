#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qn::sim {

// One line of the boot menu and the installation it really starts.
struct MenuItem {
    std::wstring text;
    std::optional<int> disk;       // the scenario's disk number; nullopt: reaches nothing
    std::optional<int> partition;  // 1-based place in that disk's table
    std::wstring product;          // the installation's product name; empty: reaches nothing
    bool isDefault = false;
};

// What the firmware would start now. boots: the default item starts a Windows installation;
// otherwise problem names the first broken link in words.
struct BootVerdict {
    bool boots = false;
    std::wstring firmware;  // "bios" or "uefi"
    std::optional<int> timeout;
    std::vector<MenuItem> menu;
    std::wstring problem;
};

// The verdict as JSON (UTF-8), the one schema tests and tools read:
// {"boots":B,"firmware":"bios","timeout":N|null,"menu":[{"text":"...","disk":N|null,
//  "partition":K|null,"product":"..."|null,"default":B}],"problem":"..."}
std::string VerdictJson(const BootVerdict& verdict);

}  // namespace qn::sim
