#pragma once

namespace qn {

// The content of resource 131 (resources/CMakeLists.txt writes the same bytes): the file a
// rewrite of boot.ini starts from. 101 bytes, CR LF line ends, no entries.
inline constexpr char kBootIniTemplate[] =
    "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
    "[operating systems]\r\n";

}  // namespace qn
