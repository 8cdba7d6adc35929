#pragma once

#include <string>
#include <vector>

#include "boot/bcd_listing.h"
#include "platform/code_page.h"
#include "platform/process_launcher.h"

namespace qn {

// The bcdedit.exe that reads and changes stores, and what runs it.
struct BcdTool {
    ProcessLauncher& processes;
    CodePage& codePage;
    std::wstring path;  // full path of bcdedit.exe
};

// Runs one changing command (a parameter string of bcd_commands.h) hidden and waits for it.
ProcessResult RunBcdedit(const BcdTool& tool, const std::wstring& parameters);

// Enumerates every entry of the store (empty: the system store) into listing. A run that does
// not start or writes nothing leaves the listing empty; the result tells which happened.
ProcessResult EnumAllEntries(const BcdTool& tool, const std::wstring& store, BcdListing& listing);

// The identifier of the loader entry that boots the Windows on the partition with this drive
// letter ("partition=D:" in its osdevice, or in its device when a Windows loader has no
// osdevice), the first such in the listing's order; empty when there is none.
std::wstring LoaderIdOfLetter(const BcdListing& listing, CodePage& codePage, char letter);

// Enumerates the whole store (useStore false: the system store) and finds that loader in it;
// empty when there is none or the store cannot be read. listing, when given, receives the
// enumeration: what the caller decides next from it costs no second run.
std::wstring FindLoaderIdByLetter(const BcdTool& tool, const std::wstring& store, bool useStore,
                                  char letter, BcdListing* listing = nullptr);

struct DeleteAllResult {
    ProcessResult enumeration;
    std::vector<std::wstring> deleted;  // identifiers whose delete ran and exited with 0
    std::vector<std::wstring> failed;   // not started, or bcdedit reported an error
};

// Removes from the system store every entry its boot manager lists in its display order.
// Entries that are not displayed stay.
DeleteAllResult DeleteAllEntries(const BcdTool& tool);

}  // namespace qn
