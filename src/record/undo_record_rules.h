#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "record/undo_record.h"

namespace qn {

// The boot files of a volume's root that a repair may change.
inline constexpr std::array<std::wstring_view, 5> kUndoRootFiles = {
    L"bootmgr", L"BOOTNXT", L"ntldr", L"NTDETECT.COM", L"boot.ini"};

// What a record may name. Undo runs elevated and deletes, copies and writes sectors on the word of
// a text file anyone could have put on a drive root, so the word is only taken for what a repair
// or an editor save touches:
// - files and folders: the boot files of a volume's root (bootmgr, BOOTNXT, ntldr, NTDETECT.COM,
//   boot.ini) and the folders \Boot, \EFI\Microsoft, \EFI\Boot with what they hold, \EFI itself
//   only as an emptied parent; a store an editor save changed elsewhere only with its backup
//   beside it ("<store>_<time stamp>");
// - every drive such a path is on named by the record's volume line (its identity);
// - copies inside the record's own folder, or the run's backups beside what they saved;
// - full local paths only: no "..", no device or UNC path, no drive root, no stream;
// - what the run left only of a file the record names otherwise, under that item's rules.
// Why the item is refused ("指向不允许撤销的位置 C:\Windows"); nothing when it may stand.
std::optional<std::wstring> ForbiddenItem(const UndoRecord& record, const UndoItem& item);

// path lies inside folder ("C:\Boot\x" in "C:\Boot"), as Windows compares paths.
bool IsInsideFolder(const std::wstring& path, const std::wstring& folder);

// A path the program could have written: "X:\a\b" with no empty, "." or ".." part, no character
// a file name cannot hold, and not a drive root.
bool IsPlainLocalPath(const std::wstring& path);

}  // namespace qn
