#include "disk/volume_name.h"

namespace qn {
namespace {

constexpr std::wstring_view kVolumePrefix = L"\\\\?\\";

}  // namespace

bool IsVolumeName(std::wstring_view name) {
    return name.size() > kVolumePrefix.size() + 1 && name.starts_with(kVolumePrefix) &&
           name.back() == L'\\';
}

std::wstring DosDeviceNameOfVolume(std::wstring_view name) {
    if (!IsVolumeName(name)) {
        return {};
    }
    name.remove_prefix(kVolumePrefix.size());
    name.remove_suffix(1);
    return std::wstring(name);
}

std::optional<char> DriveLetterOfMountPath(std::wstring_view path) {
    if (path.size() != 3 || path[1] != L':' || path[2] != L'\\') {
        return std::nullopt;
    }
    const wchar_t letter = path[0];
    if (letter >= L'A' && letter <= L'Z') {
        return static_cast<char>(letter);
    }
    if (letter >= L'a' && letter <= L'z') {
        return static_cast<char>(letter - L'a' + L'A');
    }
    return std::nullopt;
}

std::vector<std::wstring> SplitMultiString(std::wstring_view list) {
    std::vector<std::wstring> items;
    while (!list.empty() && list.front() != L'\0') {
        const std::size_t end = list.find(L'\0');
        items.emplace_back(list.substr(0, end));
        if (end == std::wstring_view::npos) {
            break;
        }
        list.remove_prefix(end + 1);
    }
    return items;
}

}  // namespace qn
