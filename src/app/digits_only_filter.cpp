#include "app/digits_only_filter.h"

namespace qn {

std::optional<std::wstring> DigitsOnly(const std::wstring& text) {
    std::wstring digits;
    for (wchar_t c : text) {
        if (c >= L'0' && c <= L'9') {
            digits.push_back(c);
        }
    }
    if (digits.size() == text.size()) {
        return std::nullopt;
    }
    return digits;
}

}  // namespace qn
