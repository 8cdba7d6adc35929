#pragma once

#include <cstddef>
#include <string>

#include "platform/file_system.h"
#include "platform/module_resources.h"

namespace qn {

inline constexpr std::size_t kExtractChunkBytes = 2 * 1024 * 1024;

// Writes the program's resource (id, type) to path, replacing a file there whatever its
// attributes. The new content goes to a file beside the target first and replaces it only when
// complete, so the old file survives every failure. False, with the target as it was and no
// temporary file left, when the resource is missing or empty, a file cannot be created, a write
// fails or makes no progress, or the replacement fails.
bool ExtractResource(FileSystem& files, ModuleResources& resources, const std::wstring& path,
                     int id, const std::wstring& type);

// The file the new content is written to before it replaces path.
std::wstring ExtractTempPath(const std::wstring& path);

}  // namespace qn
