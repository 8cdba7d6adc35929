#pragma once

#include <string>
#include <string_view>

namespace qn {

// What the editor's "设备" column shows for an entry's device.
//
// From a BCD store: "boot" stays "boot"; otherwise the value after "=" (blanks trimmed, empty
// pieces dropped, as SecondField cuts it), or the whole value when there is none, cut to its
// first four characters: "partition=C:" shows "C:", "partition=\Device\HarddiskVolume2" shows
// "\Dev", "unknown" shows "unkn".
// From boot.ini (device is the ARC path): "P" and the one character after "partition(", so
// "multi(0)disk(0)rdisk(0)partition(12)\WINDOWS" shows "P1"; else the first two characters when
// there is a ":" ("C:\CMDCONS\BOOTSECT.DAT" shows "C:"); else the first four characters.
std::wstring DeviceText(std::wstring_view device, bool fromBcd);

}  // namespace qn
