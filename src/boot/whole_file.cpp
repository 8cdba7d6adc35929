#include "boot/whole_file.h"

namespace qn {

bool WriteWholeFile(FileSystem& files, const std::wstring& path,
                    std::span<const std::uint8_t> bytes) {
    auto file = files.CreateFileForWrite(path);
    if (!file) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t written = file->Write(bytes.data() + done, bytes.size() - done);
        if (written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace qn
