#pragma once

#include <cwctype>
#include <string>
#include <string_view>

namespace qn::sim {

// Windows compares names, options and paths without regard to case.
inline std::wstring LowerCase(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return out;
}

}  // namespace qn::sim
