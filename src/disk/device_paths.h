#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qn {

// The drive letter 'A' to 'Z' that a caller means; lower case is accepted. Anything else is no
// drive letter, and queries about it answer their neutral value without touching a device.
std::optional<char> NormalizeDriveLetter(char letter);

// The letter of a root such as "C:\"; none when the text does not start with a drive letter.
std::optional<char> DriveLetterOfRoot(std::string_view root);

std::wstring DriveRoot(char letter);                       // "C:\"
std::wstring VolumeDevicePath(char letter);                // "\\.\C:"
std::wstring PhysicalDrivePath(std::uint32_t diskNumber);  // "\\.\PhysicalDrive0"

}  // namespace qn
