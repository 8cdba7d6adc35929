#pragma once

#include <string>

#include "platform/file_system.h"

namespace qn {

// The desktop folder with a trailing backslash. Empty when the system cannot tell (a bare WinPE
// may have no desktop): callers must not fall back to a relative path.
std::wstring DesktopFolder(FileSystem& files);

}  // namespace qn
