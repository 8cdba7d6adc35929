#include "ui/list_item_style.h"

namespace qn {

bool ListItemStyle::SetAttribute(std::wstring_view name, std::wstring_view value) {
    Argb* color = name == L"itemtextcolor"           ? &textColor
                  : name == L"itemselectedtextcolor" ? &selectedTextColor
                  : name == L"itemhottextcolor"      ? &hotTextColor
                  : name == L"itemdisabledtextcolor" ? &disabledTextColor
                  : name == L"itembkcolor"           ? &bkColor
                  : name == L"itemaltbkcolor"        ? &altBkColor
                  : name == L"itemhotbkcolor"        ? &hotBkColor
                  : name == L"itemselectedbkcolor"   ? &selectedBkColor
                  : name == L"itemlinecolor"         ? &lineColor
                                                     : nullptr;
    if (color != nullptr) {
        const auto parsed = ParseColor(value);
        if (!parsed) {
            return false;
        }
        *color = *parsed;
        return true;
    }
    if (name == L"itemfont" || name == L"itemheight") {
        const auto number = ParseInt(value);
        if (!number || (name == L"itemheight" && *number <= 0)) {
            return false;
        }
        (name == L"itemfont" ? font : height) = *number;
        return true;
    }
    if (name == L"itemaltbk") {
        const auto on = ParseBool(value);
        if (!on) {
            return false;
        }
        altBk = *on;
        return true;
    }
    if (name == L"itemtextpadding") {
        const auto rect = ParseRect(value);
        if (!rect) {
            return false;
        }
        textPadding = *rect;
        return true;
    }
    if (name == L"itemalign") {
        if (value == L"left") {
            align = kTextLeft;
        } else if (value == L"center") {
            align = kTextCenter;
        } else if (value == L"right") {
            align = kTextRight;
        } else {
            return false;
        }
        return true;
    }
    return false;
}

}  // namespace qn
