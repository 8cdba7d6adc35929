#pragma once

#include <string>
#include <string_view>

namespace qn {

// Skin files are UTF-8. Malformed sequences become U+FFFD instead of failing the whole file,
// and characters outside the BMP become surrogate pairs, as the window system expects.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace qn
