#pragma once

#include <string_view>

#include "ui/attribute_values.h"
#include "ui/decoded_image.h"
#include "ui/geometry.h"

namespace qn {

// Where controls draw. The host implements it over its drawing system; all rectangles are in
// window client pixels, already scaled.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void FillRect(const UiRect& rect, Argb color) = 0;
    // A border of the given width drawn inside the rectangle.
    virtual void FrameRect(const UiRect& rect, int width, Argb color) = 0;
    // style is a combination of the kText flags; fontId a font of the control manager.
    virtual void DrawText(const UiRect& rect, std::wstring_view text, int fontId, Argb color,
                          unsigned style) = 0;
    // Draws source (image pixels) into dest, keeping the borders sourceCorner of the image at
    // destCorner size and stretching the middle.
    virtual void DrawImage(const DecodedImage& image, const UiRect& dest, const UiRect& source,
                           const UiRect& sourceCorner, const UiRect& destCorner,
                           std::uint8_t alpha) = 0;
    virtual void DrawFocusRect(const UiRect& rect) = 0;
    // Clipping nests: every push intersects with the current clip.
    virtual void PushClip(const UiRect& rect) = 0;
    virtual void PopClip() = 0;
};

}  // namespace qn
