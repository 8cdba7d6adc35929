#pragma once

#include <vector>

#include "platform/file_system.h"
#include "repair/undo_record.h"

namespace qn {

// What a run left of the files and folders its record names, as the last items of the record
// (before its completion line): undo compares them with what is there when it runs, so a file
// changed since (a Windows update of bootmgfw.efi, another system's loader) is not rolled back
// unasked.
std::vector<UndoItem> WhatTheRunLeft(FileSystem& files, const UndoRecord& record);

}  // namespace qn
