#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/file_system.h"

namespace qn {

// Creates (or truncates) path and writes all of bytes into it; false when the file cannot be
// created or a write makes no progress. What was written stays: callers that must not leave a
// part behind remove it.
bool WriteWholeFile(FileSystem& files, const std::wstring& path,
                    std::span<const std::uint8_t> bytes);

}  // namespace qn
