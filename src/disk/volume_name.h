#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qn {

// A volume name as FindFirstVolumeW gives it: "\\?\" + a device name + a trailing backslash.
// "\\?\" alone, whose backslashes would have to serve as both, is none.
bool IsVolumeName(std::wstring_view name);

// The name QueryDosDeviceW knows a volume by: the volume name without "\\?\" and the trailing
// backslash ("Volume{GUID}"). Empty for anything that is no volume name.
std::wstring DosDeviceNameOfVolume(std::wstring_view name);

// The letter of a mount path that is a drive root ("F:\", upper or lower case), upper case; none
// for folder mount points ("C:\mnt\esp\") and anything else.
std::optional<char> DriveLetterOfMountPath(std::wstring_view path);

// Splits a list of zero-terminated strings ended by an empty one (REG_MULTI_SZ style, as
// GetVolumePathNamesForVolumeNameW and QueryDosDeviceW fill). A list cut short without its
// terminators still yields what it holds.
std::vector<std::wstring> SplitMultiString(std::wstring_view list);

}  // namespace qn
