#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "record/undo_record.h"

namespace qn {

// What a run left of the files and folders its record names, as the last items of the record
// (before its completion line): undo compares them with what is there when it runs, so a file
// changed since (a Windows update of bootmgfw.efi, another system's loader) is not rolled back
// unasked. One LeftFile, LeftAbsent or LeftUnread item per file: each File's, AbsentFile's path,
// and every file in the trees of the Folders and AbsentFolders as they are now.
std::vector<UndoItem> WhatTheRunLeft(FileSystem& files, const UndoRecord& record);

// A path as a left item says it now: LeftFile with its size and CRC-32, LeftAbsent, LeftUnread
// for a file that cannot be read; nothing for a folder.
std::optional<UndoItem> LeftStateOf(FileSystem& files, const std::wstring& path);

// Whether now is what the run left; a file that could not be read then is not compared.
bool SameAsLeft(const UndoItem& left, const std::optional<UndoItem>& now);

// The files in a folder's tree, links to folders never followed: what a left item is kept for.
std::vector<std::wstring> FilesInTree(FileSystem& files, const std::wstring& folder);

// A record's left items by path (compared as Windows compares paths).
class LeftStates {
public:
    explicit LeftStates(const UndoRecord& record);
    // The item for path; null when the record has none.
    const UndoItem* Find(const std::wstring& path) const;
    bool Any() const { return !byPath_.empty(); }
    // Every file the run left in its folders has an item: one without came later. Only a record
    // that finished says so (an interrupted one may have lost its last lines).
    bool ListsEveryFile() const { return listsEveryFile_; }

private:
    std::map<std::wstring, const UndoItem*> byPath_;
    bool listsEveryFile_ = false;
};

}  // namespace qn
