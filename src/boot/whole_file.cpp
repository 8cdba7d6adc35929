#include "boot/whole_file.h"

namespace qn {

namespace {

bool WriteAll(WritableFile& file, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t written = file.Write(bytes.data() + done, bytes.size() - done);
        if (written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

bool ReplaceFileDurably(FileSystem& files, const std::wstring& path,
                        std::span<const std::uint8_t> bytes) {
    const std::wstring fresh = path + L".new";
    {
        auto file = files.CreateFileForWrite(fresh);
        if (!file || !WriteAll(*file, bytes) || !file->Flush()) {
            file.reset();
            files.RemoveFile(fresh);
            return false;
        }
    }
    if (!files.MoveReplacing(fresh, path)) {
        files.RemoveFile(fresh);
        return false;
    }
    return true;
}

bool WriteWholeFile(FileSystem& files, const std::wstring& path,
                    std::span<const std::uint8_t> bytes) {
    auto file = files.CreateFileForWrite(path);
    return file && WriteAll(*file, bytes);
}

}  // namespace qn
