#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "record/undo_record.h"

namespace qn {

// The record as the file holds it: UTF-8 lines ended by CR LF, a first line that names the
// format, "operation=" and "time=" lines, then one line per item with tab-separated fields:
//     file	C:\bootmgr	D:\...\files\C\bootmgr	39
//     folder	C:\Boot
//     unsaved	C:\Boot\BCD.LOG
//     backup	C:\Boot\BCD_20261208155233
//     absent-file	C:\ntldr
//     absent-folder	C:\EFI\Microsoft
//     absent-parent	C:\EFI
//     exported-store		C:\...\BCD_20261208155233
//     mbr	0	D:\...\disk0_sector0.bin
//     boot-record	C:	D:\...\C_boot_record.bin
//     volume	C:	1A2B3C4D NTFS
//     firmware-order		{9dea862c-5cdd-4e70-acc1-f32b344d4795} {e1b8...}
//     left-file	C:\bootmgr	412345	1c291ca3
//     left-absent	C:\ntldr
//     left-unread	C:\Boot\BCD
// Every line ends with a tab and the CRC-32 of the line before it (8 lowercase hex digits);
// a copy's line carries its size and CRC-32 before that, and so does a "left-file" line for the
// file as the run left it (one "left-" line per file at most); the last line of a run that
// finished is "complete".
std::string FormatUndoRecord(const UndoRecord& record);

struct UndoRecordError {
    std::wstring text;  // Chinese, names the line
};

// Reads a record written by FormatUndoRecord, folder set to folder. The whole file is refused
// when any line is not understood, does not match its checksum, or names what undo may not touch
// (ForbiddenItem): undo never does half of what a record says because the rest could not be read.
// A record without its last line is read as an interrupted run's (complete false).
std::variant<UndoRecord, UndoRecordError> ParseUndoRecord(std::string_view text,
                                                          const std::wstring& folder);

// A firmware boot order as the record keeps it: identifiers separated by blanks, "none" for an
// empty order; nullopt for anything else.
std::optional<std::vector<std::wstring>> FirmwareOrderFromText(const std::wstring& text);
std::wstring FirmwareOrderText(const std::vector<std::wstring>& ids);

// Records larger than this are not ours.
inline constexpr std::uint64_t kMaxUndoRecordBytes = 4u << 20;

}  // namespace qn
