#include "sim/glob_match.h"

#include <cwctype>

namespace qn::sim {

bool GlobMatch(std::wstring_view pattern, std::wstring_view text) {
    // Backtracking to the last star keeps this linear in practice and never recursive.
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::wstring_view::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == L'?' || std::towlower(pattern[p]) == std::towlower(text[t]))) {
            ++p;
            ++t;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace qn::sim
