#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "contract/profile_file_contract.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_profile_file.h"
#include "win_paths.h"

namespace qn {
namespace {

// The real profile functions on files in a temporary folder of this test.
class Win32ProfileBackend {
public:
    Win32ProfileBackend() : folder_(test::FreshTempFolder(L"profile")) {}
    ~Win32ProfileBackend() {
        for (const std::wstring& path : made_) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }

    ProfileFile& Profile() { return profile_; }
    std::wstring NewPath(const std::wstring& name) {
        const std::wstring path = folder_ + L"\\" + std::to_wstring(made_.size()) + L"_" + name;
        made_.push_back(path);
        return path;
    }
    void PutBytes(const std::wstring& path, const std::string& bytes) {
        std::ofstream out(std::filesystem::path(path), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::optional<std::string> Bytes(const std::wstring& path) {
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void MakeReadOnly(const std::wstring& path) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    bool ReadOnlyHolds(const std::wstring& path) {
        // Wine maps the attribute to Unix permissions, which do not stop root.
        win32::UniqueHandle probe(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return !probe.Valid();
    }
    std::string Ansi(const std::wstring& text) {
        return codePage_.FromWide(text, CodePageKind::Ansi);
    }

private:
    std::wstring folder_;
    std::vector<std::wstring> made_;
    win32::Win32ProfileFile profile_;
    win32::Win32CodePage codePage_;
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ProfileFileContract, Win32ProfileBackend);
}  // namespace contract

}  // namespace qn
