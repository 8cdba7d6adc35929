#pragma once

#include <string_view>

#include "boot/bcd_listing.h"
#include "platform/code_page.h"

namespace qn {

// Parses the output of one "bcdedit ... /enum ... /v" run into listing: the boot manager fields
// found are set, loader entries are appended in the order of the output. The text stays in the
// bytes bcdedit wrote; only the values kept are decoded, in the code page of kind (a console
// tool writes redirected output in the OEM code page).
//
// Output grammar: sections separated by blank lines, each a title, a line of dashes and one
// "name  value" line per element; displayorder continues on indented lines of one identifier.
// Localised bcdedit translates the titles and the identifier's name, so sections are told apart
// by what does not change: the identifier is the first element, the boot manager's is
// {bootmgr}, the firmware boot manager's {fwbootmgr} (or their GUIDs under /v), and firmware
// applications carry "(101fffff" in their titles. Firmware sections are skipped. A loader entry
// is kept only when it has a description, a path and a device; the identifiers of the others go
// to incompleteIds.
void ParseBcdEnum(BcdListing& listing, std::string_view text, CodePage& codePage,
                  CodePageKind kind);

}  // namespace qn
