#include "boot/backup_copy.h"

#include "boot/time_stamp.h"

namespace qn {
namespace {

std::wstring Candidate(const std::wstring& stem, int attempt) {
    return attempt == 1 ? stem : stem + L"_" + std::to_wstring(attempt);
}

}  // namespace

std::wstring FreeBackupPath(FileSystem& files, const std::wstring& stem) {
    for (int attempt = 1; attempt <= kBackupNameAttempts; ++attempt) {
        const std::wstring path = Candidate(stem, attempt);
        if (!files.PathExists(path)) {
            return path;
        }
    }
    return {};
}

std::wstring CopyToNewBackup(FileSystem& files, Clock& clock, const std::wstring& path) {
    const std::wstring stem = path + L"_" + MakeTimeStamp(clock);
    for (int attempt = 1; attempt <= kBackupNameAttempts; ++attempt) {
        const std::wstring backup = Candidate(stem, attempt);
        // The copy itself refuses an existing target, so a name taken meanwhile is skipped too.
        if (files.CopyFileTo(path, backup, false)) {
            return backup;
        }
        if (!files.PathExists(backup)) {
            return {};  // failed for another reason: another name will not help
        }
    }
    return {};
}

}  // namespace qn
