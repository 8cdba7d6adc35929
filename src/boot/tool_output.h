#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qn {

// What the boot tools' printed output says beyond their exit codes, read the same way in every
// language the tools speak (by the output's shape, not its words).

// bootsect writes the boot code even when it cannot lock a volume, and still succeeds; it warns
// in a line ending in ":" followed by the lock's error, indented deeper:
//
//     Updated NTFS filesystem bootcode.  The update may be unreliable since the
//     volume could not be locked during the update:
//         Access is denied.
//
// The first such error ("Access is denied."), or nullopt when no volume was written unlocked.
std::optional<std::wstring> BootsectLockWarning(std::wstring_view output);

// The line that tells a person why a tool failed: the first line that is not one of bcdboot's
// "BFSVC" diagnostics (they come first, even without /v, then its own summary), trimmed; the last
// diagnostic without its "BFSVC Error: " when that is all there is. Empty when the line is long
// (over 100 characters) or there is none.
std::wstring MeaningfulFailureLine(std::wstring_view output);

// What a Win32 error code means, in the user's words, for the errors boot tools end with
// ("磁盘空间不足" for 112); empty for codes without a known meaning, and for 1, which every
// tool uses for "failed".
std::wstring Win32ErrorMeaning(unsigned long code);

}  // namespace qn
