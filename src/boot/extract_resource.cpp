#include "boot/extract_resource.h"

#include <algorithm>
#include <optional>

namespace qn {
namespace {

constexpr std::uint32_t kProtectedAttributes =
    kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

bool WriteAll(WritableFile& file, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const std::size_t piece = std::min(kExtractChunkBytes, data.size() - done);
        const std::size_t written = file.Write(data.data() + done, piece);
        if (written == 0) {
            return false;
        }
        done += std::min(written, piece);
    }
    return true;
}

}  // namespace

std::wstring ExtractTempPath(const std::wstring& path) {
    return path + L".qn-new";
}

bool ExtractResource(FileSystem& files, ModuleResources& resources, const std::wstring& path,
                     int id, const std::wstring& type) {
    const auto data = resources.Find(id, type);
    if (data.empty()) {
        return false;
    }
    // Written beside the target first: the file being replaced (ntldr, NTDETECT.COM, boot.ini)
    // stays whole until the new one is complete, and then is swapped in one step.
    const std::wstring temp = ExtractTempPath(path);
    {
        auto file = files.CreateFileForWrite(temp);
        if (!file) {
            return false;
        }
        if (!WriteAll(*file, data)) {
            file.reset();
            files.RemoveFile(temp);
            return false;
        }
    }
    // Windows will not replace a read-only file, and loader files are left read-only, hidden
    // and system; the caller sets the attributes it wants on the new file.
    const std::optional<std::uint32_t> old = files.Attributes(path);
    const bool isProtected = old && (*old & kProtectedAttributes) != 0;
    if (isProtected) {
        files.SetAttributes(path, kAttributeNormal);
    }
    if (!files.MoveReplacing(temp, path)) {
        if (isProtected) {
            files.SetAttributes(path, *old);
        }
        files.RemoveFile(temp);
        return false;
    }
    return true;
}

}  // namespace qn
