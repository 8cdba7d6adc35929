#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <shlobj.h>

#include "platform/system_tool_folder.h"
#include "platform/win32/unique_handle.h"

namespace qn::win32 {
namespace {

// The program may start from a deep folder on a stick: room for a long path.
constexpr std::size_t kModulePathMax = 32768;

class Win32WritableFile : public WritableFile {
public:
    explicit Win32WritableFile(UniqueHandle file) : file_(std::move(file)) {}

    std::size_t Write(const std::uint8_t* data, std::size_t size) override {
        DWORD written = 0;
        const DWORD chunk = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
        if (!WriteFile(file_.Get(), data, chunk, &written, nullptr)) {
            return 0;
        }
        return written;
    }

    bool Flush() override { return FlushFileBuffers(file_.Get()) != 0; }

private:
    UniqueHandle file_;
};

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

bool IsWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

CreateDirResult Win32FileSystem::MakeDirectory(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) {
        return CreateDirResult::Created;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS ? CreateDirResult::AlreadyExists
                                                  : CreateDirResult::Failed;
}

bool Win32FileSystem::RemoveEmptyDirectory(const std::wstring& path) {
    // On a directory junction or directory symbolic link this removes the link itself, whatever
    // its target holds; DeleteFileW refuses such a link.
    // https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-removedirectoryw
    return RemoveDirectoryW(path.c_str()) != 0;
}

bool Win32FileSystem::RemoveFile(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) {
        return true;
    }
    // Extracted tools and loader files can be read-only; clear that and try once more.
    if (GetLastError() == ERROR_ACCESS_DENIED &&
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) {
        return DeleteFileW(path.c_str()) != 0;
    }
    return false;
}

bool Win32FileSystem::PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::vector<DirEntry>> Win32FileSystem::ListDirectory(const std::wstring& path) {
    std::wstring pattern = path;
    if (pattern.empty() || pattern.back() != L'\\') {
        pattern += L'\\';
    }
    pattern += L"*.*";
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
    if (!find.Valid()) {
        return std::nullopt;
    }
    std::vector<DirEntry> entries;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        entries.push_back({std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileW(find.Get(), &data));
    return entries;
}

namespace {

UniqueHandle CreateAlways(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::unique_ptr<WritableFile> Win32FileSystem::CreateFileForWrite(const std::wstring& path) {
    UniqueHandle file = CreateAlways(path);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<Win32WritableFile>(std::move(file));
}

bool Win32FileSystem::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    return SetFileAttributesW(path.c_str(), attributes) != 0;
}

bool Win32FileSystem::CopyFileTo(const std::wstring& source, const std::wstring& target,
                                 bool replaceExisting) {
    return CopyFileW(source.c_str(), target.c_str(), replaceExisting ? FALSE : TRUE) != 0;
}

bool Win32FileSystem::MoveReplacing(const std::wstring& source, const std::wstring& target) {
    return MoveFileExW(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::optional<std::uint32_t> Win32FileSystem::Attributes(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return attributes;
}

std::optional<std::uint64_t> Win32FileSystem::FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::vector<std::uint8_t>> Win32FileSystem::ReadFileBytes(const std::wstring& path,
                                                                        std::uint64_t maxBytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.Valid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > maxBytes || size.QuadPart > MAXDWORD) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

std::wstring Win32FileSystem::FolderPath(KnownFolder folder) {
    wchar_t buffer[MAX_PATH + 1] = {};
    switch (folder) {
        case KnownFolder::LocalAppData:
            if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, buffer) != S_OK) {
                return {};
            }
            return WithoutTrailingBackslash(buffer);
        case KnownFolder::Desktop:
            if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_DESKTOP, FALSE)) {
                return {};
            }
            return WithoutTrailingBackslash(buffer);
        case KnownFolder::System: {
            const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
            if (length == 0 || length >= MAX_PATH) {
                return {};
            }
            return SystemToolFolder(buffer, IsWow64());
        }
        case KnownFolder::Current: {
            const DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer);
            if (length == 0 || length >= MAX_PATH) {
                return {};
            }
            return WithoutTrailingBackslash(buffer);
        }
        case KnownFolder::Program: {
            std::wstring path(kModulePathMax, L'\0');
            const DWORD length =
                GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
            if (length == 0 || length >= path.size()) {
                return {};
            }
            path.resize(length);
            const std::size_t slash = path.find_last_of(L'\\');
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
        }
    }
    return {};
}

}  // namespace qn::win32
