#include "boot/boot_ini_writer.h"

#include <memory>

#include "boot/backup_copy.h"
#include "boot/boot_ini_template.h"
#include "boot/extract_resource.h"
#include "boot/resource_ids.h"
#include "boot/time_stamp.h"

namespace qn {
namespace {

// A build without the template resource still has the same bytes.
bool WriteTemplate(BootIniPorts& ports, const std::wstring& path) {
    if (ExtractResource(ports.files, ports.resources, path, kResBootIniTemplate,
                        kBinResourceType)) {
        return true;
    }
    std::unique_ptr<WritableFile> file = ports.files.CreateFileForWrite(path);
    if (!file) {
        return false;
    }
    const std::size_t size = sizeof kBootIniTemplate - 1;
    return file->Write(reinterpret_cast<const std::uint8_t*>(kBootIniTemplate), size) == size;
}

const BootEntry* FindEntry(const BcdListing& listing, const std::wstring& identifier) {
    for (const BootEntry& entry : listing.entries) {
        if (entry.identifier == identifier) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

RewritePreparation PrepareBootIniRewrite(BootIniPorts& ports, const std::wstring& path,
                                         bool deleteExisting) {
    RewritePreparation result;
    if (ports.files.PathExists(path)) {
        ports.files.SetAttributes(path, kAttributeNormal);
        const std::wstring backup = CopyToNewBackup(ports.files, ports.clock, path);
        if (backup.empty()) {
            ports.files.SetAttributes(path, kBootFileAttributes);
            return result;
        }
        result.backupPath = backup;
        if (deleteExisting && !ports.files.RemoveFile(path)) {
            ports.files.SetAttributes(path, kBootFileAttributes);
            return result;
        }
    }
    result.ready = ports.files.PathExists(path) || WriteTemplate(ports, path);
    return result;
}

BootIniWriteResult WriteBootIni(BootIniPorts& ports, const std::wstring& path,
                                const BcdListing& working, const BcdListing& loaded) {
    BootIniWriteResult result;
    const RewritePreparation prepared = PrepareBootIniRewrite(ports, path, true);
    result.backupPath = prepared.backupPath;
    if (!prepared.ready) {
        return result;
    }
    ProfileFile& profile = ports.profile;
    bool ok = profile.WriteString(L"boot loader", L"timeout", working.bootManager.timeout, path);
    ok = profile.WriteString(L"boot loader", L"default", L"", path) && ok;
    for (const BootEntry& row : working.entries) {
        // A row the loaded listing does not know (added in the editor) brings its own line.
        const BootEntry* line = FindEntry(loaded, row.identifier);
        const BootEntry& source = line != nullptr ? *line : row;
        if (source.device.empty()) {
            continue;  // an empty key would write a "=value" line that no loader reads
        }
        if (!row.identifier.empty() && row.identifier == working.bootManager.defaultId) {
            ok = profile.WriteString(L"boot loader", L"default", source.device, path) && ok;
        }
        ok = profile.WriteString(L"operating systems", source.device, source.osdevice, path) && ok;
    }
    ok = ports.files.SetAttributes(path, kBootFileAttributes) && ok;
    result.ok = ok;
    return result;
}

}  // namespace qn
