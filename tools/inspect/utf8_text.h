#pragma once

#include <string>
#include <string_view>

namespace qn::inspect {

// UTF-8 for JSON and for file names outside Windows. Unpaired surrogates and invalid bytes
// become U+FFFD, so the output is always valid UTF-8.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace qn::inspect
