#include "boot/boot_ini_writer.h"

#include <memory>

#include "boot/backup_copy.h"
#include "boot/boot_ini_template.h"
#include "boot/extract_resource.h"
#include "boot/resource_ids.h"
#include "boot/time_stamp.h"
#include "boot/whole_file.h"

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

std::vector<std::uint8_t> BootIniTemplateBytes(ModuleResources& resources) {
    const auto found = resources.Find(kResBootIniTemplate, kBinResourceType);
    if (!found.empty()) {
        return std::vector<std::uint8_t>(found.begin(), found.end());
    }
    const char* const bytes = kBootIniTemplate;
    return std::vector<std::uint8_t>(bytes, bytes + sizeof kBootIniTemplate - 1);
}

BootIniWriteResult ReplaceBootIni(FileSystem& files, Clock& clock, const std::wstring& path,
                                  std::span<const std::uint8_t> bytes) {
    BootIniWriteResult result;
    const std::optional<std::uint32_t> attributes = files.Attributes(path);
    const bool existed = files.PathExists(path);
    auto giveUp = [&] {
        if (existed) {
            files.SetAttributes(path, attributes.value_or(kBootFileAttributes));
        }
        return result;
    };
    if (existed) {
        // Windows replaces no read-only file, and a copy keeps the attributes of its source.
        files.SetAttributes(path, kAttributeNormal);
        result.backupPath = CopyToNewBackup(files, clock, path);
        if (result.backupPath.empty()) {
            return giveUp();
        }
    }
    const std::wstring temp = ExtractTempPath(path);
    if (!WriteWholeFile(files, temp, bytes) || !files.MoveReplacing(temp, path)) {
        files.RemoveFile(temp);
        return giveUp();
    }
    result.fileChanged = true;
    result.ok = files.SetAttributes(path, kBootFileAttributes);
    return result;
}

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
