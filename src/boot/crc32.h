#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace qn {

// The CRC-32 of zip and PNG (zlib's crc32): what the program's own files carry to tell a damaged
// or changed copy from the one it wrote.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);
std::uint32_t Crc32(std::string_view bytes);

}  // namespace qn
