#include "boot/text_helpers.h"

#include <algorithm>
#include <cwctype>

namespace qn {

std::string TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

namespace {

std::wstring_view TrimAny(std::wstring_view text, std::wstring_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

std::wstring_view TrimSpaces(std::wstring_view text) {
    return TrimAny(text, L" ");
}

std::wstring_view TrimSpacesAndTabs(std::wstring_view text) {
    return TrimAny(text, L" \t");
}

std::wstring_view TrimWhiteSpace(std::wstring_view text) {
    return TrimAny(text, L" \t\r\n");
}

std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter,
                                   bool keepEmpty) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    auto add = [&](std::string_view piece) {
        std::string trimmed = TrimSpaces(piece);
        if (!trimmed.empty() || keepEmpty) {
            pieces.push_back(std::move(trimmed));
        }
    };
    if (delimiter.empty()) {
        add(text);
        return pieces;
    }
    // The delimiter is appended and the text cut at each occurrence; what follows the last one
    // (nothing, unless the delimiter overlaps itself across the join) is not a piece.
    std::string joined(text);
    joined.append(delimiter);
    std::size_t start = 0;
    for (std::size_t at = joined.find(delimiter); at != std::string::npos;
         at = joined.find(delimiter, start)) {
        add(std::string_view(joined).substr(start, at - start));
        start = at + delimiter.size();
    }
    return pieces;
}

namespace {

std::wstring NthField(CodePage& codePage, std::string_view text, std::string_view delimiter,
                      CodePageKind kind, std::size_t index) {
    const auto pieces = SplitText(text, delimiter, false);
    if (pieces.size() <= index) {
        return {};
    }
    return codePage.ToWide(pieces[index], kind);
}

}  // namespace

std::wstring FirstField(CodePage& codePage, std::string_view text, std::string_view delimiter,
                        CodePageKind kind) {
    return NthField(codePage, text, delimiter, kind, 0);
}

std::wstring SecondField(CodePage& codePage, std::string_view text, std::string_view delimiter,
                         CodePageKind kind) {
    return NthField(codePage, text, delimiter, kind, 1);
}

std::string ToNarrow(CodePage& codePage, std::wstring_view text) {
    return codePage.FromWide(text, CodePageKind::Ansi);
}

std::wstring LowerCase(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return lower;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) ==
                      std::towlower(static_cast<wint_t>(y));
           });
}

std::wstring DriveLetterText(char letter) {
    return std::wstring(1, static_cast<wchar_t>(letter));
}

std::wstring DriveText(char letter) {
    return DriveLetterText(letter) + L":";
}

}  // namespace qn
