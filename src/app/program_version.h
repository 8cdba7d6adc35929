#pragma once

namespace qn {

// The program's version as the build names it (logs and reports carry it).
inline constexpr wchar_t kProgramVersion[] = L"" QN_PROGRAM_VERSION;

}  // namespace qn
