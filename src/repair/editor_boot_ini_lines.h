#pragma once

#include <optional>
#include <string>
#include <vector>

#include "boot/bcd_listing.h"
#include "repair/editor_readback.h"

namespace qn {

// boot.ini menu lines as the editor's save writes them. A line's value is its quoted menu text
// and the loader switches; a save keeps the value byte for byte unless the row's description
// was changed, which then replaces the quoted text alone.

// The line's value with its menu text replaced by description: the switches (everything after
// the closing quote) stay as they are. The value itself when description is empty or the same
// as the menu text read; nullopt when the value has no quoted menu text to replace or the
// description holds a double quote (which would end the text early).
std::optional<std::wstring> RenamedIniValue(const BootEntry& line, const std::wstring& description);

// The "[operating systems]" lines a save with these rows leaves, in order: each row's line
// (its ARC path and value from lines, by identifier), a later row with the same ARC path
// (compared as the profile functions do, without regard to case) replacing the earlier line's
// value in place.
std::vector<BootIniLine> MeantBootIniLines(const BcdListing& working, const BcdListing& lines);

}  // namespace qn
