#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace qn::sim {

// Little helpers for laying out boot sectors field by field.
inline void PutLittleEndian(std::span<std::uint8_t> sector, std::size_t at, std::uint64_t value,
                            std::size_t size) {
    for (std::size_t i = 0; i < size && at + i < sector.size(); ++i) {
        sector[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void PutBytes(std::span<std::uint8_t> sector, std::size_t at,
                     std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size() && at + i < sector.size(); ++i) {
        sector[at + i] = bytes[i];
    }
}

// Text is copied without its terminating zero; put "\0" in the text where the code needs one.
inline void PutText(std::span<std::uint8_t> sector, std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size() && at + i < sector.size(); ++i) {
        sector[at + i] = static_cast<std::uint8_t>(text[i]);
    }
}

inline constexpr std::size_t kSectorBytes = 512;
inline constexpr std::size_t kMbrCodeBytes = 440;

}  // namespace qn::sim
