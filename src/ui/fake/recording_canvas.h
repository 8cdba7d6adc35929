#pragma once

#include <string>
#include <vector>

#include "ui/canvas.h"

namespace qn::fake {

// Records what controls draw: the texts with their rectangles, and how many images and fills.
class RecordingCanvas : public Canvas {
public:
    struct TextCall {
        UiRect rect;
        std::wstring text;
        int font = 0;
        Argb color = 0;
        unsigned style = 0;
    };

    void FillRect(const UiRect&, Argb) override { ++fills; }
    void FrameRect(const UiRect&, int, Argb) override {}
    void DrawText(const UiRect& rect, std::wstring_view text, int font, Argb color,
                  unsigned style) override {
        texts.push_back({rect, std::wstring(text), font, color, style});
    }
    void DrawImage(const DecodedImage&, const UiRect& dest, const UiRect&, const UiRect&,
                   const UiRect&, std::uint8_t) override {
        images.push_back(dest);
    }
    void DrawFocusRect(const UiRect&) override { ++focusRects; }
    void PushClip(const UiRect&) override { ++depth; }
    void PopClip() override { --depth; }

    // The first recorded text call with this text, or null.
    const TextCall* Find(const std::wstring& text) const {
        for (const TextCall& call : texts) {
            if (call.text == text) {
                return &call;
            }
        }
        return nullptr;
    }

    std::vector<TextCall> texts;
    std::vector<UiRect> images;
    int fills = 0;
    int focusRects = 0;
    int depth = 0;
};

}  // namespace qn::fake
