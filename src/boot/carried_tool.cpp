#include "boot/carried_tool.h"

#include "boot/extract_resource.h"
#include "boot/resource_ids.h"

namespace qn {

const wchar_t* ToolFileName(CarriedTool tool) {
    switch (tool) {
        case CarriedTool::Bcdboot:
            return L"bcdboot.exe";
        case CarriedTool::Bcdedit:
            return L"bcdedit.exe";
        case CarriedTool::Bootsect:
            return L"bootsect.exe";
    }
    return L"";
}

int ToolResourceId(CarriedTool tool) {
    switch (tool) {
        case CarriedTool::Bcdboot:
            return kResBcdboot;
        case CarriedTool::Bcdedit:
            return kResBcdedit;
        case CarriedTool::Bootsect:
            return kResBootsect;
    }
    return 0;
}

PreparedTool PrepareTool(FileSystem& files, ModuleResources& resources, const WorkDir& workDir,
                         CarriedTool tool) {
    const std::wstring name = ToolFileName(tool);
    if (workDir.Valid()) {
        const std::wstring path = workDir.Path() + L"\\" + name;
        if (ExtractResource(files, resources, path, ToolResourceId(tool), kBinResourceType)) {
            return {path, ToolSource::Embedded};
        }
    }
    const std::wstring system = files.FolderPath(KnownFolder::System);
    if (!system.empty()) {
        const std::wstring path = system + L"\\" + name;
        if (files.PathExists(path)) {
            return {path, ToolSource::System};
        }
    }
    return {};
}

}  // namespace qn
