#include "record/undo_left_state.h"

#include <set>

#include "boot/crc32.h"
#include "boot/text_helpers.h"
#include "record/undo_record_text.h"

namespace qn {
namespace {

// Files bigger than this are no boot file: they are not compared.
constexpr std::uint64_t kMaxLeftFileBytes = 256u << 20;

void AddFilesInTree(FileSystem& files, const std::wstring& folder,
                    std::vector<std::wstring>& found) {
    const auto entries = files.ListDirectory(folder);
    if (!entries) {
        return;
    }
    for (const DirEntry& entry : *entries) {
        const std::wstring path = folder + L"\\" + entry.name;
        if (!entry.isDirectory) {
            found.push_back(path);
        } else if (!entry.isLink) {
            AddFilesInTree(files, path, found);
        }
    }
}

}  // namespace

std::vector<std::wstring> FilesInTree(FileSystem& files, const std::wstring& folder) {
    std::vector<std::wstring> found;
    AddFilesInTree(files, folder, found);
    return found;
}

std::optional<UndoItem> LeftStateOf(FileSystem& files, const std::wstring& path) {
    UndoItem item;
    item.target = path;
    const auto size = files.FileSize(path);
    if (!size) {
        if (files.PathExists(path)) {
            return std::nullopt;  // a folder
        }
        item.kind = UndoItemKind::LeftAbsent;
        return item;
    }
    const auto bytes =
        *size <= kMaxLeftFileBytes ? files.ReadFileBytes(path, kMaxLeftFileBytes) : std::nullopt;
    if (!bytes) {
        item.kind = UndoItemKind::LeftUnread;
        return item;
    }
    item.kind = UndoItemKind::LeftFile;
    item.savedBytes = bytes->size();
    item.savedCrc = Crc32(*bytes);
    return item;
}

bool SameAsLeft(const UndoItem& left, const std::optional<UndoItem>& now) {
    if (left.kind == UndoItemKind::LeftUnread) {
        return true;
    }
    if (!now || now->kind != left.kind) {
        return false;
    }
    return left.kind != UndoItemKind::LeftFile ||
           (now->savedBytes == left.savedBytes && now->savedCrc == left.savedCrc);
}

std::vector<UndoItem> WhatTheRunLeft(FileSystem& files, const UndoRecord& record) {
    std::vector<UndoItem> left;
    std::set<std::wstring> noted;
    auto note = [&](const std::wstring& path) {
        if (!noted.insert(LowerCase(path)).second) {
            return;
        }
        if (auto state = LeftStateOf(files, path)) {
            left.push_back(std::move(*state));
        }
    };
    for (const UndoItem& item : record.items) {
        switch (item.kind) {
            case UndoItemKind::File:
            case UndoItemKind::AbsentFile:
                note(item.target);
                break;
            case UndoItemKind::Folder:
            case UndoItemKind::AbsentFolder:
                for (const std::wstring& path : FilesInTree(files, item.target)) {
                    note(path);
                }
                break;
            default:
                break;
        }
    }
    return left;
}

LeftStates::LeftStates(const UndoRecord& record) {
    for (const UndoItem& item : record.items) {
        if (IsLeftState(item.kind)) {
            byPath_.emplace(LowerCase(item.target), &item);
        }
    }
    listsEveryFile_ = record.complete && !byPath_.empty();
}

const UndoItem* LeftStates::Find(const std::wstring& path) const {
    const auto found = byPath_.find(LowerCase(path));
    return found == byPath_.end() ? nullptr : found->second;
}

}  // namespace qn
