#include "boot/bcd_enum_text.h"

#include <algorithm>

#include "boot/text_helpers.h"

namespace qn {
namespace {

// In lower case, as the wide comparison needs them.
constexpr std::string_view kBootmgrIds[] = {"{bootmgr}", "{9dea862c-5cdd-4e70-acc1-f32b344d4795}"};
constexpr std::string_view kFwBootmgrIds[] = {"{fwbootmgr}",
                                              "{a5a30fa2-3d06-4e9f-b5f4-a01df9d1fcba}"};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

template <std::size_t N>
bool IsOneOf(std::string_view id, const std::string_view (&ids)[N]) {
    return std::any_of(std::begin(ids), std::end(ids),
                       [&](std::string_view known) { return EqualsAsciiNoCase(id, known); });
}

template <std::size_t N>
bool IsOneOf(std::wstring_view id, const std::string_view (&ids)[N]) {
    const std::wstring lower = LowerCase(id);
    return std::any_of(std::begin(ids), std::end(ids), [&](std::string_view known) {
        return lower == std::wstring(known.begin(), known.end());
    });
}

}  // namespace

std::vector<BcdBlock> SplitBcdBlocks(std::string_view text) {
    std::vector<BcdBlock> blocks;
    BcdBlock current;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view raw = text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        const std::size_t first = raw.find_first_not_of(' ');
        if (first != std::string_view::npos) {
            current.push_back(raw.substr(first, raw.find_last_not_of(' ') - first + 1));
        } else if (!current.empty()) {
            blocks.push_back(std::move(current));
            current.clear();
        }
        start = end + 1;
    }
    if (!current.empty()) {
        blocks.push_back(std::move(current));
    }
    return blocks;
}

std::wstring BcdWide(std::string_view value, CodePage& codePage, CodePageKind kind) {
    if (std::all_of(value.begin(), value.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::wstring(value.begin(), value.end());
    }
    return codePage.ToWide(value, kind);
}

bool IsBcdSection(const BcdBlock& block) {
    return block.size() >= 3 && block[1].find("---") != std::string::npos;
}

std::string_view BcdWord(std::string_view line, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t i = 0;; ++i) {
        at = line.find_first_not_of(' ', at);
        if (at == std::string_view::npos) {
            return {};
        }
        const std::size_t end = std::min(line.find(' ', at), line.size());
        if (i == index) {
            return line.substr(at, end - at);
        }
        at = end;
    }
}

std::string_view BcdRest(std::string_view line) {
    const std::size_t name = line.find_first_not_of(' ');
    const std::size_t blank = name == std::string_view::npos ? name : line.find(' ', name);
    if (blank == std::string_view::npos) {
        return {};
    }
    const std::size_t value = line.find_first_not_of(' ', blank);
    return value == std::string_view::npos ? std::string_view() : line.substr(value);
}

bool IsBootmgrIdentifier(std::string_view id) {
    return IsOneOf(id, kBootmgrIds);
}

bool IsBootmgrIdentifier(std::wstring_view id) {
    return IsOneOf(id, kBootmgrIds);
}

bool IsFwBootmgrIdentifier(std::string_view id) {
    return IsOneOf(id, kFwBootmgrIds);
}

bool IsFwBootmgrIdentifier(std::wstring_view id) {
    return IsOneOf(id, kFwBootmgrIds);
}

}  // namespace qn
