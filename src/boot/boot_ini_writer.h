#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "boot/bcd_listing.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/module_resources.h"
#include "platform/profile_file.h"

namespace qn {

// boot.ini and the legacy loader files are left read-only, hidden and system.
inline constexpr std::uint32_t kBootFileAttributes =
    kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

struct BootIniPorts {
    ProfileFile& profile;
    FileSystem& files;
    ModuleResources& resources;
    Clock& clock;
};

struct RewritePreparation {
    bool ready = false;       // the file may be written now
    std::wstring backupPath;  // path + "_" + time stamp; empty when there was no file to save
};

// Readies boot.ini for writing: clears its attributes, copies it to the backup next to it,
// deletes it when asked (the editor always; the legacy loader setup only when existing entries
// are cleared) and writes the template when no file is left. When the backup cannot be made
// nothing is deleted and the file keeps boot-file attributes: no change without a backup.
RewritePreparation PrepareBootIniRewrite(BootIniPorts& ports, const std::wstring& path,
                                         bool deleteExisting);

struct BootIniWriteResult {
    bool ok = false;  // every step succeeded
    std::wstring backupPath;
    bool fileChanged = false;  // the file holds the new bytes (or was made); else it is as it was
};

// The file a rewrite starts from when there is none: the template resource, or the same bytes
// built into the program.
std::vector<std::uint8_t> BootIniTemplateBytes(ModuleResources& resources);

// The editor's save: boot.ini becomes bytes in one step. An existing file is copied to a new
// backup beside it first (its attributes cleared, so the copy is an ordinary file); without the
// backup nothing is written. The bytes go to a file beside it, which then replaces it (a file cut
// short by a failed write never takes its place); the new file is read-only, hidden and system.
// When anything fails before the replacement, the file stays as it was, its attributes too.
BootIniWriteResult ReplaceBootIni(FileSystem& files, Clock& clock, const std::wstring& path,
                                  std::span<const std::uint8_t> bytes);

// The editor's earlier save, no longer used by it: boot.ini starts again from the template,
// takes working's timeout and, in working's row order, each row's line as loaded, written through
// the profile functions. Lines sharing an ARC path merge into one and whatever the listing does not
// hold (other keys and sections, comments) is lost, so nothing should call it any more; it stays
// until its last callers, a fuzz target and a Windows test, move to ReplaceBootIni.
BootIniWriteResult WriteBootIni(BootIniPorts& ports, const std::wstring& path,
                                const BcdListing& working, const BcdListing& loaded);

}  // namespace qn
