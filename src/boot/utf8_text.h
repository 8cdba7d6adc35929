#pragma once

#include <string>
#include <string_view>

namespace qn {

// UTF-8 text (skin files, logs, reports). Malformed sequences become U+FFFD instead of failing the
// whole file, and characters outside the BMP become surrogate pairs, as the window system expects.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace qn
