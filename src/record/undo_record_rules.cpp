#include "record/undo_record_rules.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <string_view>

#include "boot/resource_ids.h"
#include "boot/text_helpers.h"

namespace qn {
namespace {

constexpr std::array<std::wstring_view, 3> kBootFolders = {L"Boot", L"EFI\\Microsoft",
                                                           L"EFI\\Boot"};

bool StartsWithFolder(std::wstring_view rest, std::wstring_view folder) {
    return rest.size() > folder.size() && rest[folder.size()] == L'\\' &&
           EqualsIgnoringCase(rest.substr(0, folder.size()), folder);
}

// The path after "X:\".
std::wstring_view Rest(const std::wstring& path) {
    return std::wstring_view(path).substr(3);
}

bool IsBootFolder(const std::wstring& path) {
    const std::wstring_view rest = Rest(path);
    return std::any_of(kBootFolders.begin(), kBootFolders.end(), [&](std::wstring_view folder) {
        return EqualsIgnoringCase(rest, folder) || StartsWithFolder(rest, folder);
    });
}

bool IsBootFile(const std::wstring& path) {
    const std::wstring_view rest = Rest(path);
    return std::any_of(kUndoRootFiles.begin(), kUndoRootFiles.end(),
                       [&](std::wstring_view name) { return EqualsIgnoringCase(rest, name); }) ||
           std::any_of(kBootFolders.begin(), kBootFolders.end(),
                       [&](std::wstring_view folder) { return StartsWithFolder(rest, folder); });
}

// "<what>_<14 digits>" or "..._<N>" after that: how the program names a backup beside a file.
bool IsBackupOf(const std::wstring& backup, const std::wstring& what) {
    if (backup.size() < what.size() + 15 ||
        !EqualsIgnoringCase(std::wstring_view(backup).substr(0, what.size()), what) ||
        backup[what.size()] != L'_') {
        return false;
    }
    std::wstring_view tail = std::wstring_view(backup).substr(what.size() + 1);
    auto digits = [](std::wstring_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(),
                                            [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    };
    if (!digits(tail.substr(0, 14))) {
        return false;
    }
    tail.remove_prefix(14);
    return tail.empty() || (tail.front() == L'_' && tail.size() <= 4 && digits(tail.substr(1)));
}

// A backup the program made beside a store or boot.ini: "C:\Boot\BCD_20261208103000".
bool IsProgramBackup(const std::wstring& path) {
    const std::size_t stamp = path.rfind(L'_');
    const std::size_t last = path.find_last_of(L'\\');
    for (std::size_t at = stamp; at != std::wstring::npos && at > last;
         at = path.rfind(L'_', at - 1)) {
        if (IsBackupOf(path, path.substr(0, at))) {
            return true;
        }
        if (at == 0) {
            break;
        }
    }
    return false;
}

bool VolumeNamed(const UndoRecord& record, const std::wstring& path) {
    return std::any_of(record.items.begin(), record.items.end(), [&](const UndoItem& item) {
        return item.kind == UndoItemKind::Volume &&
               EqualsIgnoringCase(item.target, std::wstring_view(path).substr(0, 2));
    });
}

// A left line only speaks of a file the record already names: a File's, AbsentFile's or
// Unsaved's path, or a file in the tree of one of its (Absent)Folders.
bool Described(const UndoRecord& record, const std::wstring& path) {
    return std::any_of(record.items.begin(), record.items.end(), [&](const UndoItem& item) {
        switch (item.kind) {
            case UndoItemKind::File:
            case UndoItemKind::AbsentFile:
            case UndoItemKind::Unsaved:
                return EqualsIgnoringCase(item.target, path);
            case UndoItemKind::Folder:
            case UndoItemKind::AbsentFolder:
                return IsInsideFolder(path, item.target);
            default:
                return false;
        }
    });
}

std::wstring Refused(const std::wstring& what) {
    return L"指向不允许撤销的位置 " + what;
}

}  // namespace

bool IsInsideFolder(const std::wstring& path, const std::wstring& folder) {
    return !folder.empty() && path.size() > folder.size() + 1 &&
           EqualsIgnoringCase(std::wstring_view(path).substr(0, folder.size()), folder) &&
           path[folder.size()] == L'\\';
}

bool IsPlainLocalPath(const std::wstring& path) {
    if (path.size() < 4 || path.size() > 32000 || std::iswalpha(path[0]) == 0 || path[1] != L':' ||
        path[2] != L'\\') {
        return false;
    }
    std::size_t at = 3;
    while (at <= path.size()) {
        std::size_t end = path.find(L'\\', at);
        if (end == std::wstring::npos) {
            end = path.size();
        }
        const std::wstring_view part = std::wstring_view(path).substr(at, end - at);
        if (part.empty() || part == L"." || part == L".." || part.back() == L'.' ||
            part.back() == L' ') {
            return false;
        }
        for (wchar_t c : part) {
            if (c < 0x20 || std::wstring_view(L"<>:\"/|?*").find(c) != std::wstring_view::npos) {
                return false;
            }
        }
        at = end + 1;
    }
    return true;
}

std::optional<std::wstring> ForbiddenItem(const UndoRecord& record, const UndoItem& item) {
    const bool copyInside =
        IsInsideFolder(item.saved, record.folder) && IsPlainLocalPath(item.saved);
    switch (item.kind) {
        case UndoItemKind::File:
            if (!IsPlainLocalPath(item.target)) {
                return Refused(item.target);
            }
            if (IsBootFile(item.target) && VolumeNamed(record, item.target) && copyInside) {
                return std::nullopt;
            }
            // An editor save: the store or boot.ini it changed, and the backup it made beside it.
            if (IsPlainLocalPath(item.saved) && IsBackupOf(item.saved, item.target)) {
                return std::nullopt;
            }
            return copyInside || IsBootFile(item.target)
                       ? Refused(item.target + L"（或其副本 " + item.saved + L"）")
                       : Refused(item.target);
        case UndoItemKind::Unsaved:
        case UndoItemKind::AbsentFile:
            return IsPlainLocalPath(item.target) && IsBootFile(item.target) &&
                           VolumeNamed(record, item.target)
                       ? std::nullopt
                       : std::optional(Refused(item.target));
        case UndoItemKind::Folder:
        case UndoItemKind::AbsentFolder:
            return IsPlainLocalPath(item.target) && IsBootFolder(item.target) &&
                           VolumeNamed(record, item.target)
                       ? std::nullopt
                       : std::optional(Refused(item.target));
        case UndoItemKind::AbsentParent:
            return IsPlainLocalPath(item.target) && EqualsIgnoringCase(Rest(item.target), L"EFI") &&
                           VolumeNamed(record, item.target)
                       ? std::nullopt
                       : std::optional(Refused(item.target));
        case UndoItemKind::KeptBackup:
            // Undo leaves it alone; only a name the program gives its backups stands.
            return IsPlainLocalPath(item.target) && IsProgramBackup(item.target)
                       ? std::nullopt
                       : std::optional(Refused(item.target));
        case UndoItemKind::ExportedStore:
            // A store file it goes back into is one the export was made from, beside it.
            if (!item.target.starts_with(kSystemStoreOriginPrefix) &&
                (!IsPlainLocalPath(item.target) || !IsBackupOf(item.saved, item.target))) {
                return Refused(item.target);
            }
            return copyInside || (IsPlainLocalPath(item.saved) && IsProgramBackup(item.saved))
                       ? std::nullopt
                       : std::optional(Refused(item.saved));
        case UndoItemKind::MbrCode:
            return copyInside ? std::nullopt : std::optional(Refused(item.saved));
        case UndoItemKind::BootRecord:
            return copyInside && VolumeNamed(record, item.target + L"\\")
                       ? std::nullopt
                       : std::optional(Refused(item.target + L" " + item.saved));
        case UndoItemKind::Volume:
        case UndoItemKind::FirmwareOrder:
            return std::nullopt;  // checked by the line's own reading
        case UndoItemKind::Temporary:
            // The one file a run writes outside its boot folders, for a moment.
            return IsPlainLocalPath(item.target) &&
                           EqualsIgnoringCase(Rest(item.target),
                                              std::wstring(L"Windows") + kMessageModuleInWindows) &&
                           VolumeNamed(record, item.target)
                       ? std::nullopt
                       : std::optional(Refused(item.target));
        case UndoItemKind::LeftFile:
        case UndoItemKind::LeftAbsent:
        case UndoItemKind::LeftUnread:
            // Under the rules of the item it describes, which must stand in the record too.
            return IsPlainLocalPath(item.target) && Described(record, item.target)
                       ? std::nullopt
                       : std::optional(Refused(item.target));
    }
    return Refused(item.target);
}

}  // namespace qn
