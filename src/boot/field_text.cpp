#include "boot/field_text.h"

#include "boot/crc32.h"
#include "boot/utf8_text.h"

namespace qn {

std::vector<std::wstring> SplitTabs(std::wstring_view line) {
    std::vector<std::wstring> fields(1);
    for (wchar_t c : line) {
        if (c == L'\t') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::optional<std::uint64_t> ParseDecimal(std::wstring_view text) {
    return ParseDecimalDigits(text, 19);
}

std::optional<std::uint64_t> ParseDecimalDigits(std::wstring_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits || text.size() > 19) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value;
}

std::optional<std::uint32_t> ParseHex32(std::wstring_view text) {
    if (text.size() != 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (wchar_t c : text) {
        const int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                          : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                                   : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::wstring Hex32(std::uint32_t value) {
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text(8, L'0');
    for (int i = 7; i >= 0; --i, value >>= 4) {
        text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    }
    return text;
}

std::string CheckedLine(std::string_view content) {
    return std::string(content) + "\t" + WideToUtf8(Hex32(Crc32(content))) + "\r\n";
}

std::optional<std::string_view> CheckedContent(std::string_view line) {
    const std::size_t tab = line.rfind('\t');
    if (tab == std::string_view::npos) {
        return std::nullopt;
    }
    const auto expected = ParseHex32(Utf8ToWide(line.substr(tab + 1)));
    const std::string_view content = line.substr(0, tab);
    if (!expected || *expected != Crc32(content)) {
        return std::nullopt;
    }
    return content;
}

}  // namespace qn
