#pragma once

#include <string>

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
};

// The editor's save: boot.ini starts again from the template, takes working's timeout and, in
// working's row order, each row's line as loaded (ARC path and value of the entry with that
// identifier in loaded), with "default" the ARC path of working's default row (empty when none).
BootIniWriteResult WriteBootIni(BootIniPorts& ports, const std::wstring& path,
                                const BcdListing& working, const BcdListing& loaded);

}  // namespace qn
