#pragma once

#include <string_view>

namespace qn {

// The number a CurrentVersion text stands for: "6.1" -> 6.1, "10.0" -> 10.0. Leading blanks are
// skipped and the number ends at the first character that does not fit "digits.digits" (either
// side may be empty), so "6.3 " and "6.1.7601" are 6.3 and 6.1. A text without such a number
// gives 0.0, as a missing value does. Unlike the C library's conversions, no exponent, sign, "inf"
// or "nan" is taken: the text comes from an offline hive anyone could have written.
float ParseWindowsVersion(std::wstring_view text);

}  // namespace qn
