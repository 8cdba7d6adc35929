#include "repair/undo_left_state.h"

namespace qn {

std::vector<UndoItem> WhatTheRunLeft(FileSystem& files, const UndoRecord& record) {
    (void)files;
    (void)record;
    return {};
}

}  // namespace qn
