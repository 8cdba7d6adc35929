#pragma once

#include <string>

#include "platform/file_system.h"

namespace qn {

// A path from a command line as Windows would open it: "C:\x" and "\\server\x" stand; "x" and
// ".\x" are in the current folder, "\x" on its drive. Without a current folder the path stays as
// given (and anything that needs a full path refuses it).
std::wstring FullPath(FileSystem& files, const std::wstring& path);

}  // namespace qn
