#pragma once

#include <cstdint>
#include <vector>

namespace qn {

// A decoded image: rows top to bottom, 4 bytes per pixel in B, G, R, A order with the colour
// already multiplied by alpha (what the window system's alpha blending takes as it is).
struct DecodedImage {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::vector<std::uint8_t> bgra;
};

}  // namespace qn
