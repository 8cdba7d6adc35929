#pragma once

#include <string>
#include <string_view>

namespace qn::sim {

// UTF-8 for the sim's own files (scenarios, stores, the verdict). Malformed input decodes to
// U+FFFD per bad unit instead of failing.
std::wstring FromUtf8(std::string_view text);
std::string ToUtf8(std::wstring_view text);

}  // namespace qn::sim
