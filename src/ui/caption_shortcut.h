#pragma once

#include <string_view>

namespace qn {

// The access key a caption announces the way this program's captions do, "确定(Y)" or
// "修复NT6引导-PBR(M)    (适用...)": the first "(X)" whose X is a single ASCII letter or digit.
// Returns it in upper case, or 0 when the caption has none.
wchar_t CaptionShortcut(std::wstring_view caption);

}  // namespace qn
