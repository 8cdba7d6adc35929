#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win_paths.h"

namespace qn::test {

// A disk image file in a fresh temporary folder, which the raw sector tests open instead of any
// of this machine's disks; removed with its folder.
class ImageFile {
public:
    ImageFile(const wchar_t* tag, const std::vector<std::uint8_t>& bytes)
        : folder_(FreshTempFolder(tag)), path_(folder_ + L"\\disk.img") {
        HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    ~ImageFile() {
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    const std::wstring& Path() const { return path_; }

    // The file's bytes as another reader sees them, not through the adapter.
    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> bytes;
        HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return bytes;
        }
        bytes.resize(GetFileSize(file, nullptr));
        DWORD read = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        bytes.resize(read);
        CloseHandle(file);
        return bytes;
    }

private:
    std::wstring folder_;
    std::wstring path_;
};

}  // namespace qn::test
