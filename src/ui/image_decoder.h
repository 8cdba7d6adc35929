#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ui/decoded_image.h"

namespace qn {

// Skin images larger than this on either side are refused: they bound the memory that one
// damaged or hostile file can claim.
inline constexpr int kMaxImageSide = 4096;

// Decodes a PNG file. False with a reason in error for anything that is not a readable PNG.
bool DecodeImage(std::span<const std::uint8_t> bytes, DecodedImage& image, std::wstring& error);

}  // namespace qn
