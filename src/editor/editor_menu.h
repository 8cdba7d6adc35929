#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boot/bcd_listing.h"

namespace qn {

// Which entries of a loaded listing the boot entry editor shows, and how its rows become the
// working listing a save writes. No window is needed for any of it.

// What an entry of a listing is to the boot menu. The enumeration keeps every section with a
// description, a path and a device, so a store's resume object and memory tester arrive as
// entries too; they are told apart by their application file, which no translation of bcdedit
// changes.
enum class EntryRole {
    MenuEntry,     // a Windows loader, the legacy loader, a boot sector or any other application
    ResumeObject,  // winresume: resumes a hibernated system, never a menu item of its own
    MemoryTester,  // memtest / {memdiag}: belongs to the tools menu (toolsdisplayorder)
};
EntryRole RoleOfEntry(const BootEntry& entry);

// Why the editor cannot change an entry of the menu (it keeps it in its place and the user may
// still remove it); None for an entry it can edit.
enum class RowLock {
    None,
    LossyName,   // its name came through a console code page that could not hold it
    Incomplete,  // a section of the store without a name, a path or a device
    Missing,     // the display order names an identifier the store has no section for (bcdedit
                 // cannot write it into an order again)
};

// The text a locked row shows where its name would be, or after it; empty for None.
std::wstring RowLockText(RowLock lock);

// A name read through a console code page that cannot hold all of it: the tool printed "?" (or
// the decoder made U+FFFD) where the store holds another character. Written back, the question
// marks would replace the real name, so such a name is never sent.
bool NameReadLossily(std::wstring_view name);

struct MenuRow {
    BootEntry entry;
    RowLock lock = RowLock::None;
};

struct EditorMenu {
    // One per identifier of the display order, in display order: what the boot menu shows now,
    // whatever the entry is (the user may remove it). An identifier whose entry the editor
    // cannot change is a locked row, so a save keeps it in its place.
    std::vector<MenuRow> rows;
    // What "CmbBootEntry" offers to add, in listing order: every entry that can be a menu item
    // and has an identifier. Resume objects and the memory tester are not offered, so they never
    // become boot menu items by mistake.
    std::vector<BootEntry> candidates;
};
EditorMenu MenuOfListing(const BcdListing& listing);

// "CmbBootEntry"'s item text: the identifier, two blanks, the description.
std::wstring CandidateText(const BootEntry& entry);

// The first entry with exactly this identifier; null when there is none.
const BootEntry* FindEntryById(const BcdListing& listing, std::wstring_view identifier);

// What a save reads back from one row of "listBceEdit".
struct RowValues {
    std::wstring identifier;   // user data of the description edit box
    std::wstring description;  // text of the description edit box
    std::wstring locale;       // selected item of the locale combo; empty without one
    bool isDefault = false;    // the row's check box
    bool locked = false;       // a row the editor keeps in its place but never writes
};

// The working listing of a save: the rows in order (display order and entries), the last
// checked row as default, timeout as typed. Rows without an identifier are left out: bcdedit
// cannot name them and boot.ini cannot find their line. A locked row keeps its place in the
// display order and has no entry (nothing of it is written).
BcdListing WorkingListing(const std::vector<RowValues>& rows, const std::wstring& timeout,
                          std::uint8_t fromBcd);

// The display order a save writes for working: its identifiers less those loaded names without
// any section of the store (bcdedit refuses to write an identifier it cannot find).
std::vector<std::wstring> WrittenOrder(const BcdListing& working, const BcdListing& loaded);

// Two display orders name the same identifiers in the same places (bcdedit ignores case).
bool SameOrder(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b);

// Where the selected row goes for a move up (direction -1) or down (1); nullopt when there is
// no selection or it is at that end already.
std::optional<int> MoveTarget(int selected, int count, int direction);

}  // namespace qn
