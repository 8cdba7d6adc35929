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

// Replaces path with bytes so that a crash or a power cut leaves either the old file or the new
// one, never a part: written beside it ("<path>.new"), flushed to the disk, then moved over it.
bool ReplaceFileDurably(FileSystem& files, const std::wstring& path,
                        std::span<const std::uint8_t> bytes);

}  // namespace qn
