#pragma once

#include "platform/random_source.h"

namespace qn::win32 {

class Win32RandomSource : public RandomSource {
public:
    bool Fill(std::uint8_t* data, std::size_t size) override;
    Guid NewGuid() override;
};

}  // namespace qn::win32
