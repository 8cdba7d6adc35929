#pragma once

#include <optional>
#include <string>

namespace qn {

// The boot-menu timeout edits take digits only. Returns the text without any other character,
// or nothing when the text is already digits only (or empty) and must be left untouched, so the
// caret is not moved while the user types.
std::optional<std::wstring> DigitsOnly(const std::wstring& text);

}  // namespace qn
