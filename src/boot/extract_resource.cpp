#include "boot/extract_resource.h"

#include <algorithm>

namespace qn {

bool ExtractResource(FileSystem& files, ModuleResources& resources, const std::wstring& path,
                     int id, const std::wstring& type) {
    const auto data = resources.Find(id, type);
    if (data.empty()) {
        return false;
    }
    auto file = files.CreateFileForWrite(path);
    if (!file) {
        return false;
    }
    std::size_t done = 0;
    while (done < data.size()) {
        const std::size_t piece = std::min(kExtractChunkBytes, data.size() - done);
        const std::size_t written = file->Write(data.data() + done, piece);
        if (written == 0) {
            file.reset();
            files.RemoveFile(path);
            return false;
        }
        done += std::min(written, piece);
    }
    return true;
}

}  // namespace qn
