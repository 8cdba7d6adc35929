#include "disk/leftover_cleanup.h"

#include <algorithm>

#include "boot/crc32.h"
#include "boot/resource_ids.h"
#include "boot/text_helpers.h"
#include "boot/work_dir.h"
#include "disk/device_paths.h"
#include "disk/volume_name.h"

namespace qn {
namespace {

// The message module is a few kilobytes; anything much bigger is not it.
constexpr std::uint64_t kMaxModuleBytes = 1u << 20;

// "X:\Windows\system32\kwo_fix.dll": where the program writes the module, and nowhere else.
bool IsMessageModulePath(const std::wstring& path) {
    const std::wstring rest = std::wstring(L":\\Windows") + kMessageModuleInWindows;
    return path.size() == 1 + rest.size() && path[0] < 0x80 &&
           NormalizeDriveLetter(static_cast<char>(path[0])) &&
           EqualsIgnoringCase(std::wstring_view(path).substr(1), rest);
}

void ClearFolder(const std::wstring& folder, CleanupJournal& journal, FileSystem& files,
                 LeftoverCleanup& done) {
    if (!IsWorkDirPath(files, folder)) {
        done.kept.push_back(folder + L"（不是本程序的工作文件夹）");
    } else if (!files.PathExists(folder)) {
        // Gone already.
    } else if (!DeleteTree(files, folder)) {
        done.kept.push_back(folder + L"（无法删除，下次启动再试）");
        return;
    } else {
        done.cleared.push_back(L"工作文件夹 " + folder);
    }
    journal.ForgetFolder(folder);
}

void ClearLetter(const LeftoverLetter& left, CleanupJournal& journal, VolumePort& volumes,
                 LeftoverCleanup& done) {
    const std::wstring root = DriveRoot(left.letter);
    const std::wstring text = L"盘符 " + root.substr(0, 2);
    // Only while the letter still names the volume it was given to: after a restart it may be
    // the user's stick or a letter the user gave by hand since.
    const std::vector<std::wstring> paths = IsVolumeName(left.volumeName)
                                                ? volumes.VolumePathNames(left.volumeName)
                                                : std::vector<std::wstring>();
    const bool ours = std::any_of(paths.begin(), paths.end(), [&](const std::wstring& p) {
        return EqualsIgnoringCase(p, root);
    });
    if (ours) {
        if (volumes.DeleteMountPoint(root) != 0) {
            done.kept.push_back(text + L"（无法移除，下次启动再试）");
            return;
        }
        done.cleared.push_back(text);
    }
    journal.ForgetLetter(left.letter);
}

void ClearFile(const LeftoverFile& left, CleanupJournal& journal, FileSystem& files,
               LeftoverCleanup& done) {
    if (!IsMessageModulePath(left.path)) {
        done.kept.push_back(left.path + L"（不是本程序写入的文件）");
    } else if (files.PathExists(left.path)) {
        const auto bytes = files.ReadFileBytes(left.path, kMaxModuleBytes);
        if (bytes && (bytes->size() != left.size || Crc32(*bytes) != left.crc)) {
            done.kept.push_back(left.path + L"（内容已不是本程序写入的，保留）");
        } else if (!bytes || !files.RemoveFile(left.path)) {
            done.kept.push_back(left.path + L"（无法删除，下次启动再试）");
            return;
        } else {
            done.cleared.push_back(left.path);
        }
    }
    journal.ForgetFile(left.path);
}

}  // namespace

LeftoverCleanup ClearEarlierLeftovers(CleanupJournal& journal, FileSystem& files,
                                      VolumePort& volumes) {
    LeftoverCleanup done;
    const Leftovers earlier = journal.AdoptEarlier();
    for (const std::wstring& folder : earlier.folders) {
        ClearFolder(folder, journal, files, done);
    }
    for (const LeftoverLetter& letter : earlier.letters) {
        ClearLetter(letter, journal, volumes, done);
    }
    for (const LeftoverFile& file : earlier.files) {
        ClearFile(file, journal, files, done);
    }
    return done;
}

LeftoverCleanup ClearEarlierLeftovers(const MountPorts& ports, FileSystem& files) {
    if (ports.leftovers == nullptr) {
        return {};
    }
    LeftoverCleanup done = ClearEarlierLeftovers(*ports.leftovers, files, ports.volumes);
    for (const std::wstring& text : done.cleared) {
        ports.diagnostics.Write(L"Removed what an interrupted run left: " + text + L"\n");
    }
    for (const std::wstring& text : done.kept) {
        ports.diagnostics.Write(L"Left in place from an interrupted run: " + text + L"\n");
    }
    return done;
}

}  // namespace qn
