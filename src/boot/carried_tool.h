#pragma once

#include <string>

#include "boot/work_dir.h"
#include "platform/file_system.h"
#include "platform/module_resources.h"

namespace qn {

// The Windows boot tools the program carries and runs from its work directory.
enum class CarriedTool { Bcdboot, Bcdedit, Bootsect };

enum class ToolSource {
    Embedded,  // written from our resources into the work directory
    System,    // not carried (or not writable): the system's own copy in System32
    Missing,   // neither: the step that needs it fails
};

struct PreparedTool {
    std::wstring path;  // empty when Missing
    ToolSource source = ToolSource::Missing;
};

const wchar_t* ToolFileName(CarriedTool tool);
int ToolResourceId(CarriedTool tool);

// Writes the carried copy into the work directory, replacing a stale one. When that is not
// possible (not embedded in this build, no work directory), the system's copy is used so the
// caller can still run it and tell the user which one ran.
PreparedTool PrepareTool(FileSystem& files, ModuleResources& resources, const WorkDir& workDir,
                         CarriedTool tool);

}  // namespace qn
