#include "boot/profile_text.h"

#include "boot/profile_line.h"
#include "boot/text_helpers.h"

namespace qn {
namespace {

bool SameName(std::wstring_view a, std::wstring_view b) {
    return EqualsIgnoringCase(TrimProfileBlanks(a), TrimProfileBlanks(b));
}

}  // namespace

ProfileText::ProfileText(std::wstring_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring_view::npos) {
            lines_.emplace_back(text.substr(start));
            break;
        }
        lines_.emplace_back(text.substr(start, end - start));
        start =
            end + (text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n' ? 2 : 1);
    }
}

bool ProfileText::FindSection(std::wstring_view section, Range& range) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::wstring_view name;
        if (ProfileSectionName(lines_[i], name) && SameName(name, section)) {
            range.begin = i + 1;
            range.end = range.begin;
            while (range.end < lines_.size() && !ProfileSectionName(lines_[range.end], name)) {
                ++range.end;
            }
            return true;
        }
    }
    return false;
}

std::size_t ProfileText::FindKey(const Range& range, std::wstring_view key) const {
    for (std::size_t i = range.begin; i < range.end; ++i) {
        if (SameName(SplitProfileKeyLine(lines_[i]).name, key)) {
            return i;
        }
    }
    return range.end;
}

std::wstring ProfileText::ReadString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view fallback) const {
    Range range;
    if (FindSection(section, range)) {
        const std::size_t at = FindKey(range, key);
        if (at != range.end) {
            const ProfileKeyLine line = SplitProfileKeyLine(lines_[at]);
            if (line.hasValue) {
                std::wstring_view value = line.value;
                if (value.size() > 1 && (value.front() == L'"' || value.front() == L'\'') &&
                    value.back() == value.front()) {
                    value = value.substr(1, value.size() - 2);
                }
                return std::wstring(value);
            }
        }
    }
    while (!fallback.empty() && fallback.back() == L' ') {
        fallback.remove_suffix(1);
    }
    return std::wstring(fallback);
}

std::vector<std::wstring> ProfileText::ReadSection(std::wstring_view section) const {
    std::vector<std::wstring> result;
    Range range;
    if (!FindSection(section, range)) {
        return result;
    }
    for (std::size_t i = range.begin; i < range.end; ++i) {
        const ProfileKeyLine line = SplitProfileKeyLine(lines_[i]);
        if ((line.name.empty() && !line.hasValue) || (!line.name.empty() && line.name[0] == L';')) {
            continue;
        }
        std::wstring text(line.name);
        if (line.hasValue) {
            text += L'=';
            text += line.value;
        }
        result.push_back(std::move(text));
    }
    return result;
}

void ProfileText::WriteString(std::wstring_view section, std::wstring_view key,
                              std::wstring_view value) {
    while (!value.empty() && IsProfileBlank(value.front())) {
        value.remove_prefix(1);
    }
    const std::wstring keyText(TrimProfileBlanks(key));
    Range range;
    if (!FindSection(section, range)) {
        lines_.push_back(L"[" + std::wstring(TrimProfileBlanks(section)) + L"]");
        lines_.push_back(keyText + L"=" + std::wstring(value));
        return;
    }
    const std::size_t at = FindKey(range, key);
    if (at != range.end) {
        // The name keeps its spelling in the file.
        lines_[at] =
            std::wstring(SplitProfileKeyLine(lines_[at]).name) + L"=" + std::wstring(value);
        return;
    }
    std::size_t insertAt = range.end;
    while (insertAt > range.begin && TrimProfileBlanks(lines_[insertAt - 1]).empty()) {
        --insertAt;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  keyText + L"=" + std::wstring(value));
}

std::wstring ProfileText::Text() const {
    std::wstring text;
    for (const std::wstring& line : lines_) {
        text += line;
        text += L"\r\n";
    }
    return text;
}

}  // namespace qn
