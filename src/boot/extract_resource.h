#pragma once

#include <cstddef>
#include <string>

#include "platform/file_system.h"
#include "platform/module_resources.h"

namespace qn {

inline constexpr std::size_t kExtractChunkBytes = 2 * 1024 * 1024;

// Writes the program's resource (id, type) to path, replacing a file there. False, and no file
// left behind, when the resource is missing or empty, the file cannot be created, or a write
// fails or makes no progress.
bool ExtractResource(FileSystem& files, ModuleResources& resources, const std::wstring& path,
                     int id, const std::wstring& type);

}  // namespace qn
