#pragma once

namespace qn {

struct UiPoint {
    int x = 0;
    int y = 0;
};

struct UiSize {
    int cx = 0;
    int cy = 0;
};

// Half-open rectangle in window client pixels: left and top inside, right and bottom outside.
// Also used for the four margins of "padding" and "inset" (left, top, right, bottom).
struct UiRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(UiPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    bool operator==(const UiRect&) const = default;
};

inline UiRect Deflate(const UiRect& r, const UiRect& by) {
    return {r.left + by.left, r.top + by.top, r.right - by.right, r.bottom - by.bottom};
}

inline UiRect Offset(const UiRect& r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

inline UiRect Intersect(const UiRect& a, const UiRect& b) {
    UiRect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
             a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (r.Empty()) {
        return {};
    }
    return r;
}

}  // namespace qn
