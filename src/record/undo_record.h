#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qn {

// What one saved thing is and how undo brings it back.
enum class UndoItemKind {
    File,           // a file that existed: copied to saved with its attributes; copied back
    Folder,         // a folder that existed, its files all recorded: undo removes what a run
                    // added to it
    Unsaved,        // a file that existed but could not be copied (a store Windows holds open):
                    // never touched by undo, which says it could not bring it back
    AbsentFile,     // a boot file that did not exist: deleted if a run created it
    AbsentFolder,   // a boot folder that did not exist: removed with all it holds if a run made it
    AbsentParent,   // a folder that only holds boot folders (\EFI) and did not exist: removed
                    // only when empty again, as other systems put their loaders there too
    KeptBackup,     // a backup the run made beside a store: undo leaves it where it is
    ExportedStore,  // the running system's store, exported to saved: "bcdedit /import" brings it
    Volume,         // which volume a drive letter named: undo goes on only while it still does
    FirmwareOrder,  // the UEFI boot order before bcdboot changed it: identifiers, or "none"
    MbrCode,        // sector 0 of a disk, saved before bootsect; only its boot code goes back
    BootRecord,     // a volume's first sectors, saved before bootsect
    // What the run left of a file it names (a File's or Absent*'s path, or a file in a Folder's or
    // AbsentFolder's tree): undo compares it with what is there now, so what changed since (a
    // Windows update, another system's loader) is not rolled back unasked.
    LeftFile,    // a file: its size and CRC-32 in savedBytes and savedCrc
    LeftAbsent,  // no file there
    LeftUnread,  // a file that could not be read (a store Windows holds open): not compared
    // A file the run puts in place only while a tool runs (bcdboot's message module), recorded
    // before it is written with the size and CRC-32 it will have: undo removes it while it is
    // still that file, so a run killed during the tool leaves nothing behind.
    Temporary,
};

struct UndoItem {
    UndoItemKind kind = UndoItemKind::File;
    // File, Folder, Unsaved, Absent*, KeptBackup, Left*: the path; MbrCode: the disk's number
    // ("0"); BootRecord, Volume: the volume's drive ("C:"); ExportedStore: the store it came from,
    // the running system's ("system 1A2B3C4D NTFS", the identity of that system's volume) or a
    // file.
    std::wstring target;
    // The copy, the export or the sector file; a Volume's identity ("1A2B3C4D NTFS"); empty for
    // path-only kinds.
    std::wstring saved;
    std::uint32_t attributes = 0;  // File: the attribute bits it had
    // The copy as it was written (File, MbrCode, BootRecord, ExportedStore): undo refuses a
    // record whose copy no longer is what the run saved. LeftFile: the file as the run left it.
    std::uint64_t savedBytes = 0;
    std::uint32_t savedCrc = 0;
};

// Kinds whose saved field is a copy undo reads back.
inline bool HasCopy(UndoItemKind kind) {
    return kind == UndoItemKind::File || kind == UndoItemKind::MbrCode ||
           kind == UndoItemKind::BootRecord || kind == UndoItemKind::ExportedStore;
}

// Kinds whose line holds a path, a size and a CRC-32.
inline bool HasSizeAndCrc(UndoItemKind kind) {
    return kind == UndoItemKind::LeftFile || kind == UndoItemKind::Temporary;
}

// Kinds that say what the run left rather than what it saved.
inline bool IsLeftState(UndoItemKind kind) {
    return kind == UndoItemKind::LeftFile || kind == UndoItemKind::LeftAbsent ||
           kind == UndoItemKind::LeftUnread;
}

// Everything a run saved before it changed anything, in the order it was saved; undo goes
// through it backwards. Written next to the copies as "undo.txt".
struct UndoRecord {
    std::wstring operation;  // "自动修复", "MBR修复", ...
    std::wstring time;       // when the run started, as its log says it
    std::wstring folder;     // where the copies are
    std::vector<UndoItem> items;
    // The run finished and wrote its last line; a record without it is an interrupted run's.
    bool complete = true;
};

inline constexpr wchar_t kUndoRecordName[] = L"undo.txt";
// How an exported store's origin names the running system's store.
inline constexpr wchar_t kSystemStoreOriginPrefix[] = L"system ";
// The record's name once an undo brought everything back: it is not offered again.
inline constexpr wchar_t kUndoneRecordName[] = L"undo.done.txt";

}  // namespace qn
