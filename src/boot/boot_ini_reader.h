#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boot/bcd_listing.h"
#include "platform/profile_file.h"
#include "platform/random_source.h"

namespace qn {

// What boot.ini reading keeps of overlong text: "timeout" and "default" are cut to this many
// characters less one; a menu line of kBootIniLineChars or more is left out, because cut short
// it would be written back broken on the next save.
inline constexpr std::size_t kBootIniValueChars = 260;
inline constexpr std::size_t kBootIniLineChars = 4096;

// Every line of the section in file order, as the profile functions give them.
std::vector<std::wstring> ReadIniSectionLines(ProfileFile& profile, const std::wstring& section,
                                              const std::wstring& path);

// One "[operating systems]" line as a BootEntry: device is the ARC path (the text before the
// first "=", as it stands), osdevice the trimmed rest (what a save writes back), description the
// menu text between its quotes. Nothing for an empty line or one without "=".
std::optional<BootEntry> BootEntryFromIniLine(std::wstring_view line, std::wstring identifier);

// Reads boot.ini into a listing (FromBcd 0). Identifiers are new GUIDs at every read, valid only
// within this listing. A missing file gives timeout "3" and no entries.
BcdListing ReadBootIni(ProfileFile& profile, RandomSource& random, const std::wstring& path);

}  // namespace qn
