#pragma once

#include <string>
#include <string_view>
#include <vector>

// The entries' identifiers are told apart with IsBootmgrIdentifier, which the reader shares with
// the store's.
#include "boot/bcd_enum_text.h"
#include "platform/code_page.h"

namespace qn {

// One UEFI boot entry (Boot####) as bcdedit shows it in the system store.
struct FirmwareBootEntry {
    std::wstring identifier;   // "{9dea862c-...}" for Windows' own, a GUID otherwise
    std::wstring description;  // "Windows Boot Manager", "ubuntu"; empty when not shown
    std::wstring device;       // "partition=S:" as bcdedit shows it; empty when not shown
    std::wstring path;         // "\EFI\ubuntu\shimx64.efi"; empty when not shown
    bool windows = false;      // Windows Boot Manager: {bootmgr}, or a bootmgfw.efi path
};

// The firmware's boot order.
struct FirmwareBootOrder {
    bool found = false;  // the output had the firmware boot manager ({fwbootmgr})
    std::vector<FirmwareBootEntry> entries;
    // The one-time next boot ({fwbootmgr}'s bootsequence, the firmware's BootNext), with its own
    // section as the entries have theirs; it need not be in the order. Empty: none.
    std::vector<FirmwareBootEntry> bootSequence;
    // The store's own boot manager ({bootmgr}), in the order or not: where an entry the firmware
    // gets for it would point. Its identifier is empty when the output had no such section.
    FirmwareBootEntry bootManager;
};

// Reads the firmware's boot order from the output of "bcdedit /enum all /v" (or "/enum firmware
// /v") on the system store of a UEFI machine: the display order and the boot sequence of
// {fwbootmgr} and, for each entry in them, what the entry's own section says (its description,
// device and path). The
// sections are told apart by their identifiers, never by their localised titles; element names
// other than the identifier's are the same in every language. Text is decoded in the code page of
// kind (bcdedit's redirected output is in the OEM code page).
FirmwareBootOrder ParseFirmwareBootOrder(std::string_view text, CodePage& codePage,
                                         CodePageKind kind);

}  // namespace qn
