#pragma once

namespace qn {

// Embedded resources, all of type "BIN" in language 2052 (resources/CMakeLists.txt).
inline constexpr int kResBcdboot = 130;
inline constexpr int kResBootIniTemplate = 131;
inline constexpr int kResNtldr = 132;
inline constexpr int kResNtdetect = 133;
inline constexpr int kResBcdedit = 134;
inline constexpr int kResBootsect = 135;
inline constexpr int kResMessageModule = 136;

inline constexpr wchar_t kBinResourceType[] = L"BIN";

// Where the carried bcdboot looks for the message module under the Windows folder it is given.
inline constexpr wchar_t kMessageModuleInWindows[] = L"\\system32\\kwo_fix.dll";

}  // namespace qn
