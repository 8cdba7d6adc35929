#pragma once

#include <string_view>

namespace qn::sim {

// "*" matches any run of characters, "?" any one; letters match in any case.
bool GlobMatch(std::wstring_view pattern, std::wstring_view text);

}  // namespace qn::sim
