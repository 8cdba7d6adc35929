#pragma once

#include <set>
#include <string>
#include <vector>

#include "boot/bcd_listing.h"

namespace qn {

// After a save the editor reads the configuration back and compares it with what the save
// meant; each difference is one line of the message, so nothing that did not take is hidden.

// BCD: display order, default (when a row was checked: without one the save sent none),
// timeout (as a number), and each row's description and locale where the save wrote one.
// Elements whose command failed (skipTargets: "{id} element", "{bootmgr} timeout") are left
// out: their failure is reported already. Identifiers compare without regard to case; loaded
// names them by their descriptions in the text.
std::vector<std::wstring> BcdReadbackDifferences(const BcdListing& working,
                                                 const BcdListing& loaded,
                                                 const BcdListing& readBack,
                                                 const std::set<std::wstring>& skipTargets);

// One menu line of boot.ini as a save means to leave it.
struct BootIniLine {
    std::wstring arcPath;
    std::wstring value;
};

// boot.ini: the "[operating systems]" lines exactly (ARC paths and values byte for byte, in
// order), the timeout text and the raw "default" value.
std::vector<std::wstring> BootIniReadbackDifferences(const std::vector<BootIniLine>& meantLines,
                                                     const std::wstring& meantTimeout,
                                                     const std::wstring& meantDefault,
                                                     const BcdListing& readBack,
                                                     const std::wstring& readDefault);

}  // namespace qn
