#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qn {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
};

// Unpredictable values. Names of folders we create as administrator in user-writable places
// come from here, so an attacker cannot plant files there ahead of us.
class RandomSource {
public:
    virtual ~RandomSource() = default;

    // Cryptographically strong bytes; false when the system source failed.
    virtual bool Fill(std::uint8_t* data, std::size_t size) = 0;
    virtual Guid NewGuid() = 0;
};

}  // namespace qn
