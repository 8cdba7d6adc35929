#include "platform/win32/win32_profile_file.h"

#include <windows.h>

namespace qn::win32 {
namespace {

// The profile functions cut what does not fit and tell so only through the count they return
// (size - 1 for a value, size - 2 for a section), so the buffer grows until the result fits.
// boot.ini files are small; the limit only stops a runaway file from taking all memory.
constexpr DWORD kFirstValueChars = 260;
constexpr DWORD kFirstSectionChars = 40960;
constexpr DWORD kMostChars = 16 * 1024 * 1024;

}  // namespace

std::wstring Win32ProfileFile::ReadString(const std::wstring& section, const std::wstring& key,
                                          const std::wstring& fallback, const std::wstring& path) {
    std::wstring buffer;
    for (DWORD size = kFirstValueChars;; size *= 2) {
        buffer.assign(size, L'\0');
        const DWORD copied = GetPrivateProfileStringW(
            section.c_str(), key.c_str(), fallback.c_str(), buffer.data(), size, path.c_str());
        if (copied < size - 1 || size >= kMostChars) {
            buffer.resize(copied < size ? copied : size - 1);
            return buffer;
        }
    }
}

std::vector<std::wstring> Win32ProfileFile::ReadSection(const std::wstring& section,
                                                        const std::wstring& path) {
    std::wstring buffer;
    DWORD copied = 0;
    for (DWORD size = kFirstSectionChars;; size *= 2) {
        buffer.assign(size, L'\0');
        copied = GetPrivateProfileSectionW(section.c_str(), buffer.data(), size, path.c_str());
        if (copied < size - 2 || size >= kMostChars) {
            break;
        }
    }
    // Consecutive zero-terminated lines, ended by an empty one.
    std::vector<std::wstring> lines;
    std::size_t offset = 0;
    while (offset < copied && offset < buffer.size()) {
        const std::size_t end = buffer.find(L'\0', offset);
        const std::size_t stop = end == std::wstring::npos ? buffer.size() : end;
        if (stop == offset) {
            break;
        }
        lines.push_back(buffer.substr(offset, stop - offset));
        offset = stop + 1;
    }
    return lines;
}

bool Win32ProfileFile::WriteString(const std::wstring& section, const std::wstring& key,
                                   const std::wstring& value, const std::wstring& path) {
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           0;
}

}  // namespace qn::win32
