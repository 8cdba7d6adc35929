#include "ui/win32/gdi_canvas.h"

#include <cstring>
#include <string>

namespace qn::win32 {

namespace {

COLORREF ToColorRef(Argb color) {
    return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

RECT ToRect(const UiRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

BitmapCache::~BitmapCache() {
    Clear();
}

void BitmapCache::Clear() {
    for (auto& [image, bitmap] : bitmaps_) {
        ::DeleteObject(bitmap);
    }
    bitmaps_.clear();
}

HBITMAP BitmapCache::Get(const DecodedImage& image) {
    if (auto it = bitmaps_.find(&image); it != bitmaps_.end()) {
        return it->second;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down rows, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        std::memcpy(bits, image.bgra.data(), image.bgra.size());
    }
    bitmaps_[&image] = bitmap;
    return bitmap;
}

GdiCanvas::GdiCanvas(HDC dc, FontTable& fonts, BitmapCache& bitmaps)
    : dc_(dc), imageDc_(::CreateCompatibleDC(dc)), fonts_(fonts), bitmaps_(bitmaps) {
    ::SetBkMode(dc_, TRANSPARENT);
}

GdiCanvas::~GdiCanvas() {
    while (savedStates_ > 0) {
        PopClip();
    }
    ::DeleteDC(imageDc_);
}

void GdiCanvas::FillRect(const UiRect& rect, Argb color) {
    if (rect.Empty() || (color >> 24) == 0) {
        return;
    }
    const RECT r = ToRect(rect);
    if ((color >> 24) == 0xFF) {
        // The cheapest solid fill GDI has.
        ::SetBkColor(dc_, ToColorRef(color));
        ::ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
        return;
    }
    const DecodedImage pixel{
        1,
        1,
        true,
        {static_cast<std::uint8_t>(color & 0xFF), static_cast<std::uint8_t>((color >> 8) & 0xFF),
         static_cast<std::uint8_t>((color >> 16) & 0xFF), 0xFF}};
    BitmapCache once;
    HBITMAP bitmap = once.Get(pixel);
    HGDIOBJ old = ::SelectObject(imageDc_, bitmap);
    const RECT src{0, 0, 1, 1};
    Blend(imageDc_, r, src, static_cast<std::uint8_t>(color >> 24), false);
    ::SelectObject(imageDc_, old);
}

void GdiCanvas::FrameRect(const UiRect& r, int width, Argb color) {
    FillRect({r.left, r.top, r.right, r.top + width}, color);
    FillRect({r.left, r.bottom - width, r.right, r.bottom}, color);
    FillRect({r.left, r.top + width, r.left + width, r.bottom - width}, color);
    FillRect({r.right - width, r.top + width, r.right, r.bottom - width}, color);
}

void GdiCanvas::DrawText(const UiRect& rect, std::wstring_view text, int fontId, Argb color,
                         unsigned style) {
    if (text.empty() || rect.Empty()) {
        return;
    }
    HGDIOBJ old = ::SelectObject(dc_, fonts_.Get(fontId));
    ::SetTextColor(dc_, ToColorRef(color));
    std::wstring copy(text);
    RECT r = ToRect(rect);
    UINT flags = style | DT_NOPREFIX;
    if ((style & DT_SINGLELINE) == 0 && (style & (DT_VCENTER | DT_BOTTOM)) != 0) {
        // DrawText centres vertically only single lines: measure, then place the block.
        RECT measured = r;
        ::DrawTextW(dc_, copy.data(), static_cast<int>(copy.size()), &measured,
                    (flags & ~(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
        const int height = measured.bottom - measured.top;
        if (height < r.bottom - r.top) {
            r.top +=
                (style & DT_BOTTOM) ? (r.bottom - r.top - height) : (r.bottom - r.top - height) / 2;
        }
        flags &= ~(DT_VCENTER | DT_BOTTOM);
    }
    ::DrawTextW(dc_, copy.data(), static_cast<int>(copy.size()), &r, flags);
    ::SelectObject(dc_, old);
}

void GdiCanvas::Blend(HDC source, const RECT& d, const RECT& s, std::uint8_t alpha, bool perPixel) {
    if (d.right <= d.left || d.bottom <= d.top || s.right <= s.left || s.bottom <= s.top) {
        return;
    }
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
    ::AlphaBlend(dc_, d.left, d.top, d.right - d.left, d.bottom - d.top, source, s.left, s.top,
                 s.right - s.left, s.bottom - s.top, blend);
}

void GdiCanvas::DrawImage(const DecodedImage& image, const UiRect& dest, const UiRect& source,
                          const UiRect& sc, const UiRect& dc, std::uint8_t alpha) {
    HBITMAP bitmap = bitmaps_.Get(image);
    if (bitmap == nullptr) {
        return;
    }
    HGDIOBJ old = ::SelectObject(imageDc_, bitmap);
    // Nine pieces: corners keep their size, edges stretch along, the middle both ways.
    const int sx[4] = {source.left, source.left + sc.left, source.right - sc.right, source.right};
    const int sy[4] = {source.top, source.top + sc.top, source.bottom - sc.bottom, source.bottom};
    const int dx[4] = {dest.left, dest.left + dc.left, dest.right - dc.right, dest.right};
    const int dy[4] = {dest.top, dest.top + dc.top, dest.bottom - dc.bottom, dest.bottom};
    const bool perPixel = image.hasAlpha;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            Blend(imageDc_, {dx[col], dy[row], dx[col + 1], dy[row + 1]},
                  {sx[col], sy[row], sx[col + 1], sy[row + 1]}, alpha, perPixel);
        }
    }
    ::SelectObject(imageDc_, old);
}

void GdiCanvas::DrawFocusRect(const UiRect& rect) {
    const RECT r = ToRect(rect);
    ::SetTextColor(dc_, RGB(0, 0, 0));
    ::SetBkColor(dc_, RGB(255, 255, 255));
    ::DrawFocusRect(dc_, &r);
}

void GdiCanvas::PushClip(const UiRect& rect) {
    ::SaveDC(dc_);
    ++savedStates_;
    ::IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

void GdiCanvas::PopClip() {
    if (savedStates_ > 0) {
        ::RestoreDC(dc_, -1);
        --savedStates_;
    }
}

}  // namespace qn::win32
