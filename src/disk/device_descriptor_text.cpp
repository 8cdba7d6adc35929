#include "disk/device_descriptor_text.h"

#include <cstddef>

#include "boot/text_helpers.h"

namespace qn {
namespace {

// Byte positions of the offset fields in STORAGE_DEVICE_DESCRIPTOR.
constexpr std::size_t kVendorIdOffsetField = 12;
constexpr std::size_t kProductIdOffsetField = 16;
constexpr std::size_t kSerialNumberOffsetField = 24;

std::uint32_t ReadOffsetField(std::span<const std::uint8_t> descriptor, std::size_t position) {
    if (descriptor.size() < position + 4) {
        return 0;
    }
    return static_cast<std::uint32_t>(descriptor[position]) |
           static_cast<std::uint32_t>(descriptor[position + 1]) << 8 |
           static_cast<std::uint32_t>(descriptor[position + 2]) << 16 |
           static_cast<std::uint32_t>(descriptor[position + 3]) << 24;
}

}  // namespace

std::string DescriptorTextAt(std::span<const std::uint8_t> descriptor, std::uint32_t offset) {
    if (offset < 1 || offset >= descriptor.size()) {
        return {};
    }
    std::string text;
    for (std::size_t i = offset; i < descriptor.size() && descriptor[i] != 0; ++i) {
        const std::uint8_t byte = descriptor[i];
        if (byte < 0x20 || byte > 0x7E) {
            return {};
        }
        text.push_back(static_cast<char>(byte));
    }
    // Only spaces can remain as white space: every other one is a control character.
    return TrimSpaces(text);
}

DeviceDescriptorTexts ReadDeviceDescriptorTexts(std::span<const std::uint8_t> descriptor) {
    return DeviceDescriptorTexts{
        DescriptorTextAt(descriptor, ReadOffsetField(descriptor, kVendorIdOffsetField)),
        DescriptorTextAt(descriptor, ReadOffsetField(descriptor, kProductIdOffsetField)),
        DescriptorTextAt(descriptor, ReadOffsetField(descriptor, kSerialNumberOffsetField)),
    };
}

}  // namespace qn
