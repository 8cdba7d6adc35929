#include "boot/profile_line.h"

namespace qn {

bool IsProfileBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' ||
           c == 0x1a;
}

std::wstring_view TrimProfileBlanks(std::wstring_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsProfileBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool ProfileSectionName(std::wstring_view line, std::wstring_view& name) {
    line = TrimProfileBlanks(line);
    if (line.empty() || line.front() != L'[') {
        return false;
    }
    const std::size_t close = line.rfind(L']');
    if (close == std::wstring_view::npos || close == 0) {
        return false;
    }
    name = line.substr(1, close - 1);
    return true;
}

ProfileKeyLine SplitProfileKeyLine(std::wstring_view line) {
    line = TrimProfileBlanks(line);
    ProfileKeyLine key;
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos) {
        key.name = line;
        return key;
    }
    key.name = TrimProfileBlanks(line.substr(0, equals));
    key.value = TrimProfileBlanks(line.substr(equals + 1));
    key.hasValue = true;
    return key;
}

}  // namespace qn
