#include "ui/attribute_values.h"

#include <limits>

#include "boot/text_helpers.h"

namespace qn {

namespace {

// The blanks TrimWhiteSpace takes off.
bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

std::optional<std::vector<int>> ParseIntList(std::wstring_view text, std::size_t count) {
    std::vector<int> values;
    while (true) {
        const std::size_t comma = text.find(L',');
        const auto value = ParseInt(text.substr(0, comma));
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
        if (comma == std::wstring_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (values.size() != count) {
        return std::nullopt;
    }
    return values;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// Splits "key = 'value' key2 = "value2"" into pairs; nullopt on an unterminated quote or a
// key without a value.
std::optional<std::vector<std::pair<std::wstring, std::wstring>>> ParsePairs(
    std::wstring_view text) {
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            return pairs;
        }
        const std::size_t keyStart = i;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != L'=') {
            ++i;
        }
        std::wstring key(text.substr(keyStart, i - keyStart));
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (key.empty() || i == text.size() || text[i] != L'=') {
            return std::nullopt;
        }
        ++i;
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (i == text.size() || (text[i] != L'\'' && text[i] != L'"')) {
            return std::nullopt;
        }
        const wchar_t quote = text[i++];
        const std::size_t end = text.find(quote, i);
        if (end == std::wstring_view::npos) {
            return std::nullopt;
        }
        pairs.emplace_back(std::move(key), std::wstring(text.substr(i, end - i)));
        i = end + 1;
    }
}

}  // namespace

std::optional<int> ParseInt(std::wstring_view text) {
    text = TrimWhiteSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - L'0');
        if (value > std::numeric_limits<int>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

std::optional<UiRect> ParseRect(std::wstring_view text) {
    const auto values = ParseIntList(text, 4);
    if (!values) {
        return std::nullopt;
    }
    return UiRect{(*values)[0], (*values)[1], (*values)[2], (*values)[3]};
}

std::optional<UiSize> ParseSize(std::wstring_view text) {
    const auto values = ParseIntList(text, 2);
    if (!values) {
        return std::nullopt;
    }
    return UiSize{(*values)[0], (*values)[1]};
}

std::optional<bool> ParseBool(std::wstring_view text) {
    text = TrimWhiteSpace(text);
    if (text == L"true") {
        return true;
    }
    if (text == L"false") {
        return false;
    }
    return std::nullopt;
}

std::optional<Argb> ParseColor(std::wstring_view text) {
    text = TrimWhiteSpace(text);
    if (text.empty() || text.front() != L'#') {
        return std::nullopt;
    }
    text.remove_prefix(1);
    if (text.size() != 6 && text.size() != 8) {
        return std::nullopt;
    }
    Argb value = 0;
    for (wchar_t c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<Argb>(digit);
    }
    if (text.size() == 6) {
        value |= 0xFF000000u;
    }
    return value;
}

std::optional<ImageRef> ParseImageRef(std::wstring_view text) {
    text = TrimWhiteSpace(text);
    if (text.find(L'=') == std::wstring_view::npos) {
        if (text.empty() || text.find_first_of(L"'\"") != std::wstring_view::npos) {
            return std::nullopt;
        }
        return ImageRef{std::wstring(text), {}, {}, {}, 255};
    }
    const auto pairs = ParsePairs(text);
    if (!pairs) {
        return std::nullopt;
    }
    ImageRef image;
    for (const auto& [key, value] : *pairs) {
        if (key == L"file") {
            image.file = std::wstring(TrimWhiteSpace(value));
        } else if (key == L"dest" || key == L"source" || key == L"corner") {
            const auto rect = ParseRect(value);
            if (!rect) {
                return std::nullopt;
            }
            if (key == L"dest") {
                image.dest = rect;
            } else if (key == L"source") {
                image.source = rect;
            } else {
                image.corner = *rect;
            }
        } else if (key == L"fade") {
            const auto fade = ParseInt(value);
            if (!fade || *fade < 0 || *fade > 255) {
                return std::nullopt;
            }
            image.fade = static_cast<std::uint8_t>(*fade);
        } else {
            return std::nullopt;
        }
    }
    if (image.file.empty()) {
        return std::nullopt;
    }
    return image;
}

std::optional<std::vector<std::pair<std::wstring, std::wstring>>> ParseAttributeList(
    std::wstring_view text) {
    return ParsePairs(text);
}

}  // namespace qn
