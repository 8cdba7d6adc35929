#include "boot/profile_text.h"

#include "boot/text_helpers.h"

namespace qn {
namespace {

// White space as the profile functions see it; 0x1A is the old end-of-file mark.
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' ||
           c == 0x1a;
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return EqualsIgnoringCase(Trim(a), Trim(b));
}

// The name of a "[name]" line (up to its last "]"), or false for any other line.
bool SectionName(std::wstring_view line, std::wstring_view& name) {
    line = Trim(line);
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

struct KeyLine {
    std::wstring_view name;
    std::wstring_view value;
    bool hasValue = false;
};

KeyLine SplitKeyLine(std::wstring_view line) {
    line = Trim(line);
    KeyLine key;
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos) {
        key.name = line;
        return key;
    }
    key.name = Trim(line.substr(0, equals));
    key.value = Trim(line.substr(equals + 1));
    key.hasValue = true;
    return key;
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
        if (SectionName(lines_[i], name) && SameName(name, section)) {
            range.begin = i + 1;
            range.end = range.begin;
            while (range.end < lines_.size() && !SectionName(lines_[range.end], name)) {
                ++range.end;
            }
            return true;
        }
    }
    return false;
}

std::size_t ProfileText::FindKey(const Range& range, std::wstring_view key) const {
    for (std::size_t i = range.begin; i < range.end; ++i) {
        if (SameName(SplitKeyLine(lines_[i]).name, key)) {
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
            const KeyLine line = SplitKeyLine(lines_[at]);
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
        const KeyLine line = SplitKeyLine(lines_[i]);
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
    while (!value.empty() && IsBlank(value.front())) {
        value.remove_prefix(1);
    }
    const std::wstring keyText(Trim(key));
    Range range;
    if (!FindSection(section, range)) {
        lines_.push_back(L"[" + std::wstring(Trim(section)) + L"]");
        lines_.push_back(keyText + L"=" + std::wstring(value));
        return;
    }
    const std::size_t at = FindKey(range, key);
    if (at != range.end) {
        // The name keeps its spelling in the file.
        lines_[at] = std::wstring(SplitKeyLine(lines_[at]).name) + L"=" + std::wstring(value);
        return;
    }
    std::size_t insertAt = range.end;
    while (insertAt > range.begin && Trim(lines_[insertAt - 1]).empty()) {
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
