#include "disk/windows_version_text.h"

namespace qn {
namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

}  // namespace

float ParseWindowsVersion(std::wstring_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) {
        ++at;
    }
    // Double precision, then narrowed once, as the value has always been computed.
    double value = 0.0;
    bool any = false;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        value = value * 10.0 + (text[at] - L'0');
        any = true;
    }
    if (at < text.size() && text[at] == L'.') {
        double scale = 0.1;
        for (++at; at < text.size() && IsDigit(text[at]); ++at) {
            value += (text[at] - L'0') * scale;
            scale /= 10.0;
            any = true;
        }
    }
    if (!any) {
        return 0.0f;
    }
    // Absurd lengths of digits must not turn into infinity.
    constexpr double kLargest = 1e9;
    return static_cast<float>(value < kLargest ? value : kLargest);
}

}  // namespace qn
