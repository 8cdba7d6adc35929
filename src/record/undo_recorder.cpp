#include "record/undo_recorder.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>

#include "boot/crc32.h"
#include "boot/text_helpers.h"
#include "boot/whole_file.h"
#include "boot/work_dir.h"
#include "disk/device_paths.h"
#include "disk/storage_queries.h"
#include "record/undo_left_state.h"
#include "record/undo_record_rules.h"
#include "record/undo_record_text.h"

namespace qn {
namespace {

// Parents before children, so undo (which goes backwards) removes children first. \EFI itself
// is only their parent: other systems keep their loaders in it, and undo never clears it out.
constexpr const wchar_t* kBootFolders[] = {L"Boot", L"EFI", L"EFI\\Microsoft", L"EFI\\Boot"};
constexpr const wchar_t* kParentFolders[] = {L"EFI"};

// Copies bigger than this are not a boot file's or a store's.
constexpr std::uint64_t kMaxCopyBytes = 256u << 20;

// Each copy's size and checksum go into its line, read back as written, so undo can tell a copy
// that changed since. A copy that cannot be read back is not one undo can trust: false.
bool NoteCopies(FileSystem& files, UndoRecord& record, std::size_t from = 0) {
    for (std::size_t i = from; i < record.items.size(); ++i) {
        UndoItem& item = record.items[i];
        if (!HasCopy(item.kind)) {
            continue;
        }
        const auto bytes = files.ReadFileBytes(item.saved, kMaxCopyBytes);
        if (!bytes) {
            return false;
        }
        item.savedBytes = bytes->size();
        item.savedCrc = Crc32(*bytes);
    }
    return true;
}

// Replaced whole each time, never appended to: a power cut leaves the record before or after
// the change, and the checksums catch anything else.
std::wstring WriteRecordFile(FileSystem& files, const UndoRecord& record) {
    const std::string text = FormatUndoRecord(record);
    const std::wstring path = record.folder + L"\\" + kUndoRecordName;
    if (!ReplaceFileDurably(files, path,
                            {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})) {
        return {};
    }
    return path;
}

}  // namespace

std::wstring VolumeIdentity(StoragePort& storage, char letter) {
    const auto info = storage.VolumeInfo(DriveText(letter) + L"\\");
    if (!info) {
        return {};
    }
    wchar_t serial[16] = {};
    std::swprintf(serial, 16, L"%08X", static_cast<unsigned>(info->serialNumber));
    std::wstring identity = serial;
    if (!info->fileSystemName.empty()) {
        identity += L" " + info->fileSystemName;
    }
    for (wchar_t& c : identity) {
        if (c == L'\t' || c == L'\r' || c == L'\n') {
            c = L' ';
        }
    }
    return identity.substr(0, 64);
}

std::wstring FreeUndoFolder(FileSystem& files, const std::wstring& parent,
                            const std::wstring& stamp) {
    std::wstring stem = parent;
    if (!stem.empty() && stem.back() != L'\\') {
        stem += L'\\';
    }
    stem += L"QNBootRepair_undo_" + stamp;
    for (int attempt = 1; attempt <= 99; ++attempt) {
        const std::wstring candidate =
            stem + (attempt == 1 ? std::wstring() : L"_" + std::to_wstring(attempt));
        if (!files.PathExists(candidate)) {
            return candidate;
        }
    }
    return {};
}

UndoRecorder::UndoRecorder(FileSystem& files, StoragePort& storage, std::wstring folder,
                           std::wstring operation, std::wstring time)
    : files_(files), storage_(storage) {
    record_.folder = std::move(folder);
    record_.operation = std::move(operation);
    record_.time = std::move(time);
}

bool UndoRecorder::Open() {
    // A folder that already exists may be someone else's: only a new one is ours.
    const bool made =
        !record_.folder.empty() && files_.MakeDirectory(record_.folder) == CreateDirResult::Created;
    open_ = made && files_.MakeDirectory(record_.folder + L"\\files") == CreateDirResult::Created;
    // The record is there before the first change: a run that dies half-way leaves one.
    if (open_ && !Persist(false)) {
        Discard();
    } else if (made && !open_) {
        DeleteTree(files_, record_.folder);
    }
    return open_;
}

bool UndoRecorder::Persist(bool complete) {
    if (!NoteCopies(files_, record_, noted_)) {
        return false;
    }
    noted_ = record_.items.size();
    record_.complete = complete;
    return !WriteRecordFile(files_, record_).empty();
}

// Paths compare as Windows compares them: "\EFI\microsoft" is "\EFI\Microsoft".
bool UndoRecorder::Saved(UndoItemKind kind, const std::wstring& target) const {
    return std::any_of(record_.items.begin(), record_.items.end(), [&](const UndoItem& item) {
        return item.kind == kind && EqualsIgnoringCase(item.target, target);
    });
}

void UndoRecorder::SaveFile(const std::wstring& path, const std::wstring& copy,
                            std::vector<std::wstring>& unsaved) {
    const auto attributes = files_.Attributes(path);
    if (attributes && files_.CopyFileTo(path, copy, false)) {
        record_.items.push_back({UndoItemKind::File, path, copy, *attributes});
    } else {
        record_.items.push_back({UndoItemKind::Unsaved, path, {}, 0});
        unsaved.push_back(path);
    }
}

void UndoRecorder::SaveTree(const std::wstring& path, const std::wstring& copy,
                            std::vector<std::wstring>& unsaved) {
    const auto entries = files_.ListDirectory(path);
    if (!entries || files_.MakeDirectory(copy) == CreateDirResult::Failed) {
        // Undo must not clear out a folder whose files it does not know.
        record_.items.push_back({UndoItemKind::Unsaved, path, {}, 0});
        unsaved.push_back(path);
        return;
    }
    record_.items.push_back({UndoItemKind::Folder, path, {}, 0});
    for (const DirEntry& entry : *entries) {
        const std::wstring child = path + L"\\" + entry.name;
        if (entry.isLink) {
            // Never followed; undo leaves a link and what it points at alone.
            record_.items.push_back({UndoItemKind::Unsaved, child, {}, 0});
        } else if (entry.isDirectory) {
            if (!Saved(UndoItemKind::Folder, child)) {
                SaveTree(child, copy + L"\\" + entry.name, unsaved);
            }
        } else {
            SaveFile(child, copy + L"\\" + entry.name, unsaved);
        }
    }
}

std::vector<std::wstring> UndoRecorder::SaveBootFiles(const std::wstring& drive) {
    std::vector<std::wstring> unsaved;
    if (!open_ || drive.size() != 2 || drive[1] != L':') {
        return unsaved;
    }
    NoteVolume(static_cast<char>(drive[0]));
    const std::wstring copies = record_.folder + L"\\files\\" + drive.substr(0, 1);
    if (files_.MakeDirectory(copies) == CreateDirResult::Failed) {
        unsaved.push_back(drive + L"\\");
        return unsaved;
    }
    for (std::wstring_view root : kUndoRootFiles) {
        const std::wstring name(root);
        const std::wstring path = drive + L"\\" + name;
        if (Saved(UndoItemKind::File, path) || Saved(UndoItemKind::AbsentFile, path)) {
            continue;
        }
        if (files_.FileSize(path)) {
            SaveFile(path, copies + L"\\" + name, unsaved);
        } else if (!files_.PathExists(path)) {
            record_.items.push_back({UndoItemKind::AbsentFile, path, {}, 0});
        }
    }
    for (const wchar_t* name : kBootFolders) {
        const std::wstring path = drive + L"\\" + name;
        if (Saved(UndoItemKind::Folder, path) || Saved(UndoItemKind::AbsentFolder, path)) {
            continue;
        }
        const bool parent = std::any_of(std::begin(kParentFolders), std::end(kParentFolders),
                                        [&](const wchar_t* p) { return std::wstring(p) == name; });
        const auto attributes = files_.Attributes(path);
        if (!attributes) {
            record_.items.push_back(
                {parent ? UndoItemKind::AbsentParent : UndoItemKind::AbsentFolder, path, {}, 0});
        } else if (!parent && files_.ListDirectory(path)) {
            // "EFI\Microsoft" is copied to "files\X\EFI\Microsoft": its parent first.
            const std::wstring copy = copies + L"\\" + name;
            for (std::size_t at = copy.find(L'\\', copies.size() + 1); at != std::wstring::npos;
                 at = copy.find(L'\\', at + 1)) {
                files_.MakeDirectory(copy.substr(0, at));
            }
            SaveTree(path, copy, unsaved);
        }
    }
    if (!Persist(false)) {
        unsaved.push_back(record_.folder + L"\\" + kUndoRecordName);
    }
    return unsaved;
}

bool UndoRecorder::SaveSectors(const std::wstring& device, std::uint32_t count,
                               const std::wstring& name) {
    auto opened = storage_.OpenDevice(device, DeviceAccess::Read);
    if (!opened) {
        return false;
    }
    auto bytes = opened->ReadSectors(0, count);
    // A small volume may hold fewer sectors than asked for; its first one is what matters most.
    if (!bytes && count > 1) {
        bytes = opened->ReadSectors(0, 1);
    }
    const std::wstring path = record_.folder + L"\\" + name;
    return bytes && !files_.PathExists(path) && WriteWholeFile(files_, path, *bytes);
}

bool UndoRecorder::SaveBootCode(char letter, bool withMbr) {
    if (!open_) {
        return false;
    }
    bool ok = true;
    NoteVolume(letter);
    const std::wstring drive = DriveText(letter);
    if (!Saved(UndoItemKind::BootRecord, drive)) {
        const std::wstring name = DriveLetterText(letter) + L"_boot_record.bin";
        if (SaveSectors(VolumeDevicePath(letter), kBootRecordSectors, name)) {
            record_.items.push_back(
                {UndoItemKind::BootRecord, drive, record_.folder + L"\\" + name, 0});
        } else {
            ok = false;
        }
    }
    // bootsect leaves a GPT disk's protective MBR alone: nothing of it to bring back.
    if (withMbr && GetPartitionStyleOfLetter(storage_, letter) != PartitionStyle::Gpt) {
        const std::int32_t disk = GetDiskNumberOfLetter(storage_, letter);
        const std::wstring number = std::to_wstring(disk);
        if (disk < 0) {
            ok = false;
        } else if (!Saved(UndoItemKind::MbrCode, number)) {
            const std::wstring name = L"disk" + number + L"_sector0.bin";
            if (SaveSectors(PhysicalDrivePath(static_cast<std::uint32_t>(disk)), 1, name)) {
                record_.items.push_back(
                    {UndoItemKind::MbrCode, number, record_.folder + L"\\" + name, 0});
            } else {
                ok = false;
            }
        }
    }
    const bool recorded = Persist(false);
    return ok && recorded;
}

void UndoRecorder::NoteVolume(char letter) {
    const std::wstring drive = DriveText(letter);
    if (Saved(UndoItemKind::Volume, drive)) {
        return;
    }
    const std::wstring identity = VolumeIdentity(storage_, letter);
    if (!identity.empty()) {
        record_.items.push_back({UndoItemKind::Volume, drive, identity, 0});
    }
}

void UndoRecorder::SaveFirmwareOrder(const std::vector<std::wstring>& identifiers) {
    const std::wstring text = FirmwareOrderText(identifiers);
    if (open_ && FirmwareOrderFromText(text)) {
        record_.items.push_back({UndoItemKind::FirmwareOrder, {}, text, 0});
        Persist(false);
    }
}

void UndoRecorder::KeepBackup(const std::wstring& path) {
    if (open_) {
        record_.items.push_back({UndoItemKind::KeptBackup, path, {}, 0});
        Persist(false);
    }
}

void UndoRecorder::StoreExported(const std::wstring& origin, const std::wstring& path) {
    if (open_ && !origin.empty()) {
        record_.items.push_back({UndoItemKind::ExportedStore, origin, path, 0});
        Persist(false);
    }
}

void UndoRecorder::WillWriteTemporary(const std::wstring& path,
                                      std::span<const std::uint8_t> bytes) {
    if (!open_ || path.size() < 3 || path[1] != L':') {
        return;
    }
    NoteVolume(static_cast<char>(path[0]));
    UndoItem item{UndoItemKind::Temporary, path, {}, 0};
    item.savedBytes = bytes.size();
    item.savedCrc = Crc32(bytes);
    record_.items.push_back(std::move(item));
    Persist(false);
}

bool IsStoreFile(const std::wstring& path) {
    const std::wstring lower = LowerCase(path);
    const std::size_t slash = lower.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return false;
    }
    const std::wstring name = lower.substr(slash + 1);
    return lower.substr(0, slash).ends_with(L"\\boot") &&
           (name == L"bcd" || name.starts_with(L"bcd.log"));
}

std::wstring SystemStoreOrigin(FileSystem& files, StoragePort& storage) {
    const std::wstring system = files.FolderPath(KnownFolder::System);
    if (system.size() < 2 || system[1] != L':') {
        return {};
    }
    const std::wstring identity = VolumeIdentity(storage, static_cast<char>(system[0]));
    return identity.empty() ? std::wstring() : kSystemStoreOriginPrefix + identity;
}

void UndoRecorder::Discard() {
    if (open_) {
        DeleteTree(files_, record_.folder);
        open_ = false;
        record_.items.clear();
    }
}

std::wstring UndoRecorder::Finish() {
    if (open_ && record_.items.empty()) {
        Discard();  // nothing saved: no empty folder left behind
    }
    if (!open_ || record_.items.empty()) {
        return {};
    }
    for (UndoItem& item : WhatTheRunLeft(files_, record_)) {
        record_.items.push_back(std::move(item));
    }
    // The last line says the run ended; without it undo knows the run was cut short.
    return Persist(true) ? record_.folder + L"\\" + kUndoRecordName : std::wstring();
}

std::wstring WriteUndoRecord(FileSystem& files, UndoRecord record) {
    if (record.folder.empty() || record.items.empty() ||
        files.MakeDirectory(record.folder) != CreateDirResult::Created) {
        return {};
    }
    record.complete = true;
    if (!NoteCopies(files, record)) {
        DeleteTree(files, record.folder);
        return {};
    }
    return WriteRecordFile(files, record);
}

}  // namespace qn
