#pragma once

#include <optional>
#include <string>
#include <vector>

#include "boot/bcd_listing.h"
#include "boot/boot_ini_document.h"
#include "editor/editor_readback.h"
#include "platform/code_page.h"

namespace qn {

// boot.ini as the editor's save leaves it: the file as it is, edited in place
// (boot/boot_ini_document.h). Only the timeout, the default and the "[operating systems]" lines of
// the rows the user changed, moved, removed or added change; every other line stays byte for
// byte. A line's value is its quoted menu text and the loader switches; a save keeps a line byte
// for byte unless the row's description was changed, which then replaces the quoted text alone.

// The line's value with its menu text replaced by description: the switches (everything after
// the closing quote) stay as they are. The value itself when description is empty or the same
// as the menu text read; nullopt when the value has no quoted menu text to replace or the
// description holds a double quote (which would end the text early) or a line break.
std::optional<std::wstring> RenamedIniValue(const BootEntry& line, const std::wstring& description);

// The "[operating systems]" lines a save with these rows leaves, in order: each row's line (its
// ARC path and value from lines, by identifier); rows lines does not know, and a row repeating
// an earlier one, have none. Rows with the same ARC path keep a line each: ntldr shows both.
std::vector<BootIniLine> MeantBootIniLines(const BcdListing& working, const BcdListing& lines);

struct BootIniEdit {
    std::wstring refusal;           // why nothing may be written; empty when document is the save
    BootIniDocument document;       // the file as the save leaves it
    std::vector<BootIniLine> menu;  // its menu lines as the boot.ini reader reads them
    std::wstring timeout;           // its "timeout"
    std::wstring defaultArc;        // its "default"; empty when it has none
};

// The save of working's rows into file. loaded is the listing the rows came from, read from this
// file or from the file before an earlier save of the same rows: each of the file's menu lines
// must be one of loaded's entries (as read, or renamed by such a save), or the file was changed
// by someone else since and is refused. A row's line is the line of its entry, found by position
// among the menu lines, so two rows with the same ARC path stay two lines. The timeout is
// working's; the default the ARC path of its default row, or left as it is without one. A missing
// key is added at the end of "[boot loader]", a missing "[boot loader]" before the first section,
// a missing "[operating systems]" at the end.
BootIniEdit EditBootIniDocument(const BootIniDocument& file, const BcdListing& loaded,
                                const BcdListing& working, CodePage& codePage);

}  // namespace qn
