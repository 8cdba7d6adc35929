#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace qn {

// How many names a backup tries after the plain one ("_2" up to this number).
inline constexpr int kBackupNameAttempts = 99;

// The first name of stem, stem + "_2", stem + "_3", ... that names no file yet; empty when all
// are taken. For backups another program writes (bcdedit /export).
std::wstring FreeBackupPath(FileSystem& files, const std::wstring& stem);

// Copies path to a new file beside it, path + "_" + the time stamp, or with "_2", "_3", ...
// appended when that name is taken: a backup never replaces an earlier one, even two in one
// second. The backup path, or empty when no copy could be made.
std::wstring CopyToNewBackup(FileSystem& files, Clock& clock, const std::wstring& path);

}  // namespace qn
