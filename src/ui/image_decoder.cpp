#include "ui/image_decoder.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "ui/stb_image_config.h"
#include "boot/utf8_text.h"

namespace qn {

namespace {

// Every chunk must lie inside the file. The decoder sizes its buffers by the lengths that
// chunks declare, so a damaged length would otherwise make it ask for gigabytes.
bool PngChunksInsideFile(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || !std::equal(kSignature, kSignature + 8, bytes.begin())) {
        return false;
    }
    std::size_t at = 8;
    while (at < bytes.size()) {
        if (bytes.size() - at < 12) {
            return false;
        }
        const std::uint32_t length = (std::uint32_t{bytes[at]} << 24) |
                                     (std::uint32_t{bytes[at + 1]} << 16) |
                                     (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
        if (length > bytes.size() - at - 12) {
            return false;
        }
        const bool end = bytes[at + 4] == 'I' && bytes[at + 5] == 'E' && bytes[at + 6] == 'N' &&
                         bytes[at + 7] == 'D';
        at += 12 + static_cast<std::size_t>(length);
        if (end) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool DecodeImage(std::span<const std::uint8_t> bytes, DecodedImage& image, std::wstring& error) {
    image = {};
    if (bytes.empty() || bytes.size() > INT_MAX) {
        error = L"empty or oversized image file";
        return false;
    }
    if (!PngChunksInsideFile(bytes)) {
        error = L"not a readable PNG image: damaged or missing chunks";
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
