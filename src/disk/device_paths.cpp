#include "disk/device_paths.h"

namespace qn {

std::optional<char> NormalizeDriveLetter(char letter) {
    if (letter >= 'a' && letter <= 'z') {
        return static_cast<char>(letter - 'a' + 'A');
    }
    if (letter >= 'A' && letter <= 'Z') {
        return letter;
    }
    return std::nullopt;
}

std::optional<char> DriveLetterOfRoot(std::string_view root) {
    if (root.size() < 2 || root[1] != ':') {
        return std::nullopt;
    }
    return NormalizeDriveLetter(root[0]);
}

std::wstring DriveRoot(char letter) {
    return std::wstring{static_cast<wchar_t>(letter), L':', L'\\'};
}

std::wstring VolumeDevicePath(char letter) {
    return std::wstring(L"\\\\.\\") + static_cast<wchar_t>(letter) + L':';
}

std::wstring PhysicalDrivePath(std::uint32_t diskNumber) {
    return L"\\\\.\\PhysicalDrive" + std::to_wstring(diskNumber);
}

}  // namespace qn
