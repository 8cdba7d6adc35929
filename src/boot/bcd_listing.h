#pragma once

#include <cstdint>
#include <vector>

#include "boot/boot_entry.h"
#include "boot/boot_manager_info.h"

namespace qn {

// One enumeration of a BCD store or of a boot.ini file.
struct BcdListing {
    std::uint8_t FromBcd = 0;  // 1 read from a BCD store, 0 from boot.ini; set by the reader
    BootManagerInfo bootManager;
    std::vector<BootEntry> entries;  // in the order of the output or the file
    // Sections of a store that are no whole entry (no description, path or device): their
    // identifiers, so an editor keeps them in the menu instead of losing them.
    std::vector<std::wstring> incompleteIds;
};

// Marks the entries whose identifier is the boot manager's default, as the editor shows them.
inline void MarkDefaultEntries(BcdListing& listing) {
    for (BootEntry& entry : listing.entries) {
        entry.isDefault =
            !entry.identifier.empty() && entry.identifier == listing.bootManager.defaultId;
    }
}

}  // namespace qn
