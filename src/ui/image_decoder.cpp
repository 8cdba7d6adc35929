#include "ui/image_decoder.h"

#include <climits>
#include <memory>

#include "ui/stb_image_config.h"
#include "ui/utf8_text.h"

namespace qn {

bool DecodeImage(std::span<const std::uint8_t> bytes, DecodedImage& image, std::wstring& error) {
    image = {};
    if (bytes.empty() || bytes.size() > INT_MAX) {
        error = L"empty or oversized image file";
        return false;
    }
    const int size = static_cast<int>(bytes.size());
    int width = 0;
    int height = 0;
    int channels = 0;
    // Check the header first so a huge declared size is refused before anything is allocated.
    if (!stbi_info_from_memory(bytes.data(), size, &width, &height, &channels)) {
        error = L"not a readable PNG image: " + Utf8ToWide(stbi_failure_reason());
        return false;
    }
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
        error = L"image too large";
        return false;
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), size, &width, &height, &channels, 4), stbi_image_free);
    if (!pixels) {
        error = L"not a readable PNG image: " + Utf8ToWide(stbi_failure_reason());
        return false;
    }
    image.width = width;
    image.height = height;
    image.bgra.resize(static_cast<std::size_t>(width) * height * 4);
    const stbi_uc* in = pixels.get();
    for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
        const unsigned a = in[i + 3];
        image.bgra[i + 0] = static_cast<std::uint8_t>(in[i + 2] * a / 255);
        image.bgra[i + 1] = static_cast<std::uint8_t>(in[i + 1] * a / 255);
        image.bgra[i + 2] = static_cast<std::uint8_t>(in[i + 0] * a / 255);
        image.bgra[i + 3] = static_cast<std::uint8_t>(a);
        if (a != 255) {
            image.hasAlpha = true;
        }
    }
    return true;
}

}  // namespace qn
