#pragma once

#include <span>
#include <string>
#include <vector>

#include "disk/storage_port.h"
#include "platform/file_system.h"
#include "record/undo_record.h"

namespace qn {

// Saves what a run is about to change before it changes it, into a folder of its own, and
// writes the record that undo reads. Lives for one run.
class UndoRecorder {
public:
    // folder: where the copies go (created by Open); operation and time name the run.
    UndoRecorder(FileSystem& files, StoragePort& storage, std::wstring folder,
                 std::wstring operation, std::wstring time);

    // Creates the folder; false when it cannot, and the recorder then records nothing.
    bool Open();
    bool IsOpen() const { return open_; }

    // The boot files of a partition's root ("C:"): bootmgr, BOOTNXT, ntldr, NTDETECT.COM,
    // boot.ini and the folders \Boot, \EFI\Microsoft and \EFI\Boot with all they hold. Each file
    // is copied with its attributes; what does not exist is recorded as absent, so undo can
    // remove what a run creates. The paths that could not be copied (left to undo untouched).
    std::vector<std::wstring> SaveBootFiles(const std::wstring& drive);

    // The sectors bootsect is about to rewrite: the volume's first sectors and, withMbr, its
    // disk's sector 0. Saved once per run (the state before the first bootsect). False when a
    // read or the copy failed.
    bool SaveBootCode(char letter, bool withMbr);

    // What the run made that undo must leave: a backup beside a store, and the running system's
    // exported store, which undo imports.
    void KeepBackup(const std::wstring& path);
    // The UEFI boot order as the diagnosis read it before the run (bcdboot changes it).
    void SaveFirmwareOrder(const std::vector<std::wstring>& identifiers);
    // origin: SystemStoreOrigin, or the store file exported with /store.
    void StoreExported(const std::wstring& origin, const std::wstring& path);
    // A file about to be written for a moment (bcdboot's message module) with these bytes:
    // recorded first, so a run killed before it removes the file again leaves a record of it.
    void WillWriteTemporary(const std::wstring& path, std::span<const std::uint8_t> bytes);

    // The record is written when the recorder opens and again after each save, before the change
    // it protects. Finish adds what the run left and the line that marks the run complete; the
    // record's path, or empty when nothing was saved or the file cannot be written.
    std::wstring Finish();
    // Removes the folder and all it holds: the run changed nothing, so there is nothing to undo.
    void Discard();

    const UndoRecord& Record() const { return record_; }

private:
    void SaveTree(const std::wstring& path, const std::wstring& copy,
                  std::vector<std::wstring>& unsaved);
    void SaveFile(const std::wstring& path, const std::wstring& copy,
                  std::vector<std::wstring>& unsaved);
    bool SaveSectors(const std::wstring& device, std::uint32_t count, const std::wstring& name);
    bool Saved(UndoItemKind kind, const std::wstring& target) const;
    // Records which volume the letter names, once; undo refuses when it names another.
    void NoteVolume(char letter);
    // Writes the record as it stands (complete: the run's last line too); false when it or a
    // copy's check could not be written.
    bool Persist(bool complete);

    FileSystem& files_;
    StoragePort& storage_;
    UndoRecord record_;
    bool open_ = false;
    std::size_t noted_ = 0;  // items whose copies' size and checksum are noted
};

// What tells a volume from another behind the same letter: its serial number and file system
// ("1A2B3C4D NTFS"); empty when the volume cannot be asked.
std::wstring VolumeIdentity(StoragePort& storage, char letter);

// A store's file and the registry's logs beside it ("\Boot\BCD", "\Boot\BCD.LOG1"): Windows holds
// the running system's open, so it is exported and imported, never copied as a file.
bool IsStoreFile(const std::wstring& path);

// The running system's store as a record names it: "system " and the identity of the volume that
// system runs from (another Windows, or Windows PE, has another); empty when that volume cannot
// be asked. bcdedit /import without /store goes into that system's store.
std::wstring SystemStoreOrigin(FileSystem& files, StoragePort& storage);

// Writes a record whose copies are already elsewhere (the editor's backups beside the store):
// creates record.folder and its "undo.txt". The record's path, or empty when either failed.
std::wstring WriteUndoRecord(FileSystem& files, UndoRecord record);

// The folder a run's copies go to: "QNBootRepair_undo_<stamp>" in parent, "_2", "_3" ... when
// that is taken; empty when every name is.
std::wstring FreeUndoFolder(FileSystem& files, const std::wstring& parent,
                            const std::wstring& stamp);

// How many sectors of a volume's start are saved: NTFS keeps boot code in its first 16.
inline constexpr std::uint32_t kBootRecordSectors = 16;

}  // namespace qn
