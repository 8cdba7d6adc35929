#pragma once

#include <memory>
#include <string>
#include <vector>

#include "boot/bcd_listing.h"
#include "editor/editor_menu.h"
#include "editor/editor_ports.h"

namespace qn {

// The boot entry editor's save ("SaveBootEntries" without the window): checks, the
// backup, the writes (every bcdedit run and the boot.ini rewrite examined), reading the result
// back, and the message the user sees.

inline constexpr wchar_t kBcdFileItem[] = L"BCD";
inline constexpr wchar_t kBootIniFileItem[] = L"boot.ini";

struct EditorSaveRequest {
    bool fileSelected = false;  // "CmbBootFile" has a selected item
    std::wstring fileItem;      // its text: kBcdFileItem or kBootIniFileItem
    std::wstring timeout;       // "edBeTimeout"
    std::vector<RowValues> rows;
    const BcdListing* loaded = nullptr;  // CurrentListing
    bool loadPending = false;            // a newer load has not delivered yet
    std::wstring bcdedit;                // BcdEditPath
    std::wstring store;                  // the store file; empty: the system store
    std::wstring bootIniPath;
    // The backup an earlier save of this listing made, named again when this one is refused
    // (every save that writes makes its own first).
    std::wstring backup;
    // Where the record of a new backup goes ("QNBootRepair_undo_<stamp>" is made in it, as a
    // repair's is beside its log); empty: no record.
    std::wstring undoParent;
};

struct EditorSaveOutcome {
    enum class Result {
        Refused,  // nothing was written
        Saved,    // everything written and read back as meant
        Failed,   // something failed or did not read back as meant
    };
    Result result = Result::Refused;
    std::wstring title;  // "提示信息" or "错误信息"
    std::wstring message;
    std::wstring backup;      // the backup this save made (or was given)
    std::wstring undoRecord;  // the record undo reads, written with a new backup; else empty
    // Refused because the default entry is no longer among the rows: the page checks its first
    // row, for the user to confirm or change before saving again.
    bool chooseDefault = false;
    // A store as read back after a save that left it changed: what the next save of the same
    // rows compares with (the rows' identifiers stay valid). Null when the store is as loaded.
    std::shared_ptr<const BcdListing> stored;
};

EditorSaveOutcome SaveEditedEntries(EditorPorts& ports, const EditorSaveRequest& request);

}  // namespace qn
