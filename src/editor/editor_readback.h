#pragma once

#include <set>
#include <string>
#include <vector>

#include "boot/bcd_listing.h"
#include "boot/boot_ini_document.h"

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

// boot.ini as the boot.ini reader sees it: the "[operating systems]" lines exactly (ARC paths and
// values, in order, two lines with the same ARC path as two), the timeout text and the raw
// "default" value.
std::vector<std::wstring> BootIniReadbackDifferences(const std::vector<BootIniLine>& meantLines,
                                                     const std::wstring& meantTimeout,
                                                     const std::wstring& meantDefault,
                                                     const BcdListing& readBack,
                                                     const std::wstring& readDefault);

// boot.ini's lines as the save meant the file, byte for byte and with their line ends, the lines
// the user did not touch too: the first line that differs, and how many lines each has when that
// differs. The message box is small, so one line tells it all.
std::vector<std::wstring> BootIniLineDifferences(const BootIniDocument& meant,
                                                 const BootIniDocument& found);

}  // namespace qn
