#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/geometry.h"

namespace qn {

// Colours are 0xAARRGGBB; alpha 0 means "not set" and draws nothing.
using Argb = std::uint32_t;

// One image as an attribute names it: "checked.png" alone, or a list of key='value' pairs
// such as "file = 'checked.png' dest = '0, 2, 17, 19'". dest is where the image goes inside
// the control (unscaled pixels), source the part of the image to take, corner the borders that
// keep their size when the image is stretched.
struct ImageRef {
    std::wstring file;
    std::optional<UiRect> dest;
    std::optional<UiRect> source;
    UiRect corner;
    std::uint8_t fade = 255;
};

// The value parsers take attribute text as skins and callers write it: blanks around numbers
// are allowed, anything else that does not fit gives nullopt.
std::optional<int> ParseInt(std::wstring_view text);
std::optional<UiRect> ParseRect(std::wstring_view text);
std::optional<UiSize> ParseSize(std::wstring_view text);
std::optional<bool> ParseBool(std::wstring_view text);
// "#AARRGGBB" or "#RRGGBB" (opaque).
std::optional<Argb> ParseColor(std::wstring_view text);
std::optional<ImageRef> ParseImageRef(std::wstring_view text);

// name="value" pairs as a skin's default attributes carry them; quotes may be ' or ".
std::optional<std::vector<std::pair<std::wstring, std::wstring>>> ParseAttributeList(
    std::wstring_view text);

}  // namespace qn
