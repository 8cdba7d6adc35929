#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "ui/canvas.h"
#include "ui/win32/font_table.h"

namespace qn::win32 {

// Device bitmaps of decoded images, made once per image.
class BitmapCache {
public:
    BitmapCache() = default;
    ~BitmapCache();
    BitmapCache(const BitmapCache&) = delete;
    BitmapCache& operator=(const BitmapCache&) = delete;
    HBITMAP Get(const DecodedImage& image);
    void Clear();

private:
    std::map<const DecodedImage*, HBITMAP> bitmaps_;
};

// Draws on a device context (the back buffer of a window) with GDI.
class GdiCanvas : public Canvas {
public:
    GdiCanvas(HDC dc, FontTable& fonts, BitmapCache& bitmaps);
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void FillRect(const UiRect& rect, Argb color) override;
    void FrameRect(const UiRect& rect, int width, Argb color) override;
    void DrawText(const UiRect& rect, std::wstring_view text, int fontId, Argb color,
                  unsigned style) override;
    void DrawImage(const DecodedImage& image, const UiRect& dest, const UiRect& source,
                   const UiRect& sourceCorner, const UiRect& destCorner,
                   std::uint8_t alpha) override;
    void DrawFocusRect(const UiRect& rect) override;
    void PushClip(const UiRect& rect) override;
    void PopClip() override;

private:
    void Blend(HDC source, const RECT& dest, const RECT& src, std::uint8_t alpha, bool perPixel);

    HDC dc_;
    HDC imageDc_;
    FontTable& fonts_;
    BitmapCache& bitmaps_;
    int savedStates_ = 0;
};

}  // namespace qn::win32
