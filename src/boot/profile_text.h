#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qn {

// The rules of the Windows profile functions over the text of one INI file, for what reads and
// writes such files without them (the native fake, the inspection tool). Lines are kept as they
// are; only the line a write touches changes. Names match without regard to case, the first
// section and the first key of a name win, blanks around names and values do not count.
class ProfileText {
public:
    explicit ProfileText(std::wstring_view text);

    // GetPrivateProfileStringW: the value, less one pair of matching quotes around all of it;
    // fallback less its trailing blanks when the section, the key or its "=" is missing.
    std::wstring ReadString(std::wstring_view section, std::wstring_view key,
                            std::wstring_view fallback) const;
    // GetPrivateProfileSectionW: "key=value" per line, or the text of a line without "=";
    // blank lines and ";" comments left out.
    std::vector<std::wstring> ReadSection(std::wstring_view section) const;
    // WritePrivateProfileStringW: replaces the first line of the key or adds one after the
    // section's last line; a missing section is added at the end. Leading blanks of value go.
    void WriteString(std::wstring_view section, std::wstring_view key, std::wstring_view value);

    // Every line ended by CR LF.
    std::wstring Text() const;

private:
    struct Range {
        std::size_t begin = 0;  // the first line after the section's header
        std::size_t end = 0;    // the next header or the end
    };
    bool FindSection(std::wstring_view section, Range& range) const;
    // Index of the key's first line in the range, or the range's end.
    std::size_t FindKey(const Range& range, std::wstring_view key) const;

    std::vector<std::wstring> lines_;
};

}  // namespace qn
