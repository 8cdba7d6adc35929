#pragma once

#include <string_view>

namespace qn {

// How the profile functions read one line of an INI file such as boot.ini: what is blank, where
// a section name ends, and how a key line splits at its first "=".

// White space as the profile functions see it; 0x1A is the old end-of-file mark.
bool IsProfileBlank(wchar_t c);

std::wstring_view TrimProfileBlanks(std::wstring_view text);

// The name of a "[name]" line (up to its last "]"), or false for any other line.
bool ProfileSectionName(std::wstring_view line, std::wstring_view& name);

struct ProfileKeyLine {
    std::wstring_view name;
    std::wstring_view value;
    bool hasValue = false;  // the line has an "="
};

ProfileKeyLine SplitProfileKeyLine(std::wstring_view line);

}  // namespace qn
