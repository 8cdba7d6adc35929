// Skin images are PNG files from the zip resource.
#include <cstddef>
#include <cstdint>

#include "ui/image_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qn::DecodedImage image;
    std::wstring error;
    if (qn::DecodeImage({data, size}, image, error) &&
        image.bgra.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
        __builtin_trap();
    }
    return 0;
}
