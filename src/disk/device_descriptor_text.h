#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qn {

// The identification texts of a disk, read from the STORAGE_DEVICE_DESCRIPTOR bytes that
// IOCTL_STORAGE_QUERY_PROPERTY returned.
struct DeviceDescriptorTexts {
    std::string vendorId;
    std::string productId;
    std::string serialNumber;
};

// The descriptor comes from a driver, so every offset is checked against the bytes actually
// returned: a missing offset field, an offset of 0 or one beyond the data gives empty text.
DeviceDescriptorTexts ReadDeviceDescriptorTexts(std::span<const std::uint8_t> descriptor);

// The text at a byte offset of the descriptor: the bytes up to a zero byte or the end of the
// data; empty when any of them is not printable ASCII (0x20 to 0x7E), since drivers pad unused
// fields with garbage; surrounding spaces removed (drivers pad fixed-width SCSI fields with them).
std::string DescriptorTextAt(std::span<const std::uint8_t> descriptor, std::uint32_t offset);

}  // namespace qn
